#include "run_cli.hh"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace cli_test {

namespace {

void check(int rc, const char* what) {
    if (rc != 0) throw std::runtime_error(std::string(what) + ": " + std::strerror(rc == -1 ? errno : rc));
}

bool dropped(const std::string& entry) {
    for (const char* name : {"QUARRY_PLUGIN=", "FAKE_PLUGIN_INIT="})
        if (entry.rfind(name, 0) == 0) return true;
    return false;
}

}  // namespace

scratch_dir::scratch_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarry-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string scratch_dir::write(const std::string& name, const std::string& text) const {
    const std::filesystem::path file = std::filesystem::path(path_) / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file.string();
}

run_result run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                       const std::string& input, const std::vector<std::string>& env,
                       int kill_after_seconds, const child_stdout& out) {
    // A child that exits without reading its input must not kill the test with SIGPIPE.
    static const bool ignore_sigpipe = (::signal(SIGPIPE, SIG_IGN), true);
    (void)ignore_sigpipe;

    int in_pipe[2], out_pipe[2], err_pipe[2];
    check(::pipe2(in_pipe, O_CLOEXEC), "pipe");
    check(::pipe2(out_pipe, O_CLOEXEC), "pipe");
    check(::pipe2(err_pipe, O_CLOEXEC), "pipe");

    posix_spawn_file_actions_t actions;
    check(posix_spawn_file_actions_init(&actions), "file actions");
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    // A pipe whose reading end is closed before the child starts.
    int gone_pipe[2] = {-1, -1};
    switch (out.how) {
    case child_stdout::kind::collected:
        posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
        break;
    case child_stdout::kind::file:
        posix_spawn_file_actions_addopen(&actions, 1, out.path.c_str(), O_WRONLY, 0);
        break;
    case child_stdout::kind::closed:
        posix_spawn_file_actions_addclose(&actions, 1);
        break;
    case child_stdout::kind::reader_gone:
        check(::pipe2(gone_pipe, O_CLOEXEC), "pipe");
        ::close(gone_pipe[0]);
        posix_spawn_file_actions_adddup2(&actions, gone_pipe[1], 1);
        break;
    }
    posix_spawnattr_t attributes;
    check(posix_spawnattr_init(&attributes), "spawn attributes");
    if (out.default_sigpipe) {
        sigset_t defaulted;
        sigemptyset(&defaulted);
        sigaddset(&defaulted, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &defaulted);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    }
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

    std::vector<std::string> argv_text{program};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env_text;
    for (char** e = environ; *e != nullptr; ++e)
        if (!dropped(*e)) env_text.emplace_back(*e);
    env_text.insert(env_text.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (gone_pipe[1] >= 0) ::close(gone_pipe[1]);
    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    if (spawned != 0) {
        ::close(in_pipe[1]);
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        check(spawned, "posix_spawn");
    }

    run_result result;
    std::size_t written = 0;
    int in_fd = in_pipe[1];
    if (input.empty()) {
        ::close(in_fd);
        in_fd = -1;
    }
    int out_fd = out_pipe[0];
    int err_fd = err_pipe[0];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kill_after_seconds);
    bool killed = false;
    while (out_fd >= 0 || err_fd >= 0 || in_fd >= 0) {
        pollfd fds[3] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}, {in_fd, POLLOUT, 0}};
        int wait_ms = -1;
        if (kill_after_seconds > 0 && !killed) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ::kill(pid, SIGKILL);
                killed = true;
            } else {
                wait_ms = static_cast<int>(left.count());
            }
        }
        if (::poll(fds, 3, wait_ms) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        char buffer[65536];
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? out_fd : err_fd;
            if (fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fd);
                fd = -1;
            }
        }
        if (in_fd >= 0 && fds[2].revents != 0) {
            const ssize_t n = ::write(in_fd, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || written == input.size()) {
                ::close(in_fd);
                in_fd = -1;
            }
        }
    }

    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return result;
}

}  // namespace cli_test
