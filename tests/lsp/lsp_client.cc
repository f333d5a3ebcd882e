#include "lsp_client.hh"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace lsp_test {

server_process::server_process() {
    static const bool ignore_sigpipe = (::signal(SIGPIPE, SIG_IGN), true);
    (void)ignore_sigpipe;
    int in_pipe[2], out_pipe[2];
    if (::pipe2(in_pipe, O_CLOEXEC) != 0 || ::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    char err_name[] = "/tmp/korvex3-lsp-log-XXXXXX";
    const int err_fd = ::mkstemp(err_name);
    if (err_fd < 0) throw std::runtime_error("mkstemp");
    err_path_ = err_name;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
    char* argv[] = {const_cast<char*>(KORVEX3_LSP_BIN), nullptr};
    const int rc = posix_spawn(&pid_, KORVEX3_LSP_BIN, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    ::close(err_fd);
    if (rc != 0) throw std::runtime_error(std::string("posix_spawn: ") + std::strerror(rc));
    in_ = in_pipe[1];
    out_ = out_pipe[0];
}

server_process::~server_process() {
    if (in_ >= 0) ::close(in_);
    if (out_ >= 0) ::close(out_);
    if (status_ < 0 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::unlink(err_path_.c_str());
}

void server_process::write_raw(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("the server does not read its input");
        done += static_cast<std::size_t>(n);
    }
}

void server_process::send(const json& message) {
    const std::string body = message.dump();
    write_raw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

void server_process::request(int id, const std::string& method, const json& params) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
}

void server_process::notify(const std::string& method, const json& params) {
    send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
}

void server_process::close_input() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
}

bool server_process::fill(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || out_ < 0) return false;
        pollfd p{out_, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char chunk[65536];
        const ssize_t n = ::read(out_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(out_);
            out_ = -1;
            return false;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }
}

std::optional<json> server_process::take_buffered() {
    const std::size_t end = buffer_.find("\r\n\r\n");
    if (end == std::string::npos) return std::nullopt;
    const std::string header = buffer_.substr(0, end);
    const std::string key = "Content-Length: ";
    if (header.rfind(key, 0) != 0 || header.find("\r\n") != std::string::npos)
        throw std::runtime_error("unexpected header from the server: " + header);
    const std::size_t length = std::stoul(header.substr(key.size()));
    if (buffer_.size() < end + 4 + length) return std::nullopt;
    json j = json::parse(buffer_.substr(end + 4, length));
    buffer_.erase(0, end + 4 + length);
    return j;
}

std::optional<json> server_process::next(std::chrono::milliseconds wait) {
    if (!kept_.empty()) {
        json j = kept_.front();
        kept_.erase(kept_.begin());
        return j;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (auto j = take_buffered()) return j;
        if (!fill(deadline)) return std::nullopt;
    }
}

json server_process::response(int id, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (std::size_t i = 0; i < kept_.size(); ++i)
        if (kept_[i].contains("id") && kept_[i]["id"] == id && !kept_[i].contains("method")) {
            json j = kept_[i];
            kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(i));
            return j;
        }
    for (;;) {
        std::optional<json> j;
        while (!(j = take_buffered()))
            if (!fill(deadline)) throw std::runtime_error("no response to request " + std::to_string(id));
        if (j->contains("id") && (*j)["id"] == id && !j->contains("method")) return *j;
        kept_.push_back(*j);
    }
}

json server_process::diagnostics_for(const std::string& uri, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const auto matches = [&](const json& j) {
        return j.value("method", "") == "textDocument/publishDiagnostics" && j["params"]["uri"] == uri;
    };
    for (std::size_t i = 0; i < kept_.size(); ++i)
        if (matches(kept_[i])) {
            json j = kept_[i]["params"];
            kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(i));
            return j;
        }
    for (;;) {
        std::optional<json> j;
        while (!(j = take_buffered()))
            if (!fill(deadline)) throw std::runtime_error("no diagnostics for " + uri);
        if (matches(*j)) return (*j)["params"];
        kept_.push_back(*j);
    }
}

json server_process::initialize(const std::vector<std::string>& encodings) {
    json capabilities = json::object();
    if (!encodings.empty()) capabilities["general"]["positionEncodings"] = encodings;
    request(1000, "initialize", {{"processId", nullptr}, {"rootUri", nullptr}, {"capabilities", capabilities}});
    json r = response(1000);
    notify("initialized");
    return r;
}

void server_process::open(const std::string& uri, const std::string& text, int version) {
    notify("textDocument/didOpen",
           {{"textDocument", {{"uri", uri}, {"languageId", "korvex3"}, {"version", version}, {"text", text}}}});
}

void server_process::change(const std::string& uri, const std::string& text, int version) {
    notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", version}},},
                                      {"contentChanges", json::array({{{"text", text}}})}});
}

int server_process::exit_status(std::chrono::milliseconds wait) {
    if (status_ >= 0) return status_;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
        int st = 0;
        const pid_t r = ::waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            return status_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

std::string server_process::log() {
    std::ifstream in(err_path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace lsp_test
