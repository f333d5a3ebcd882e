// hostile_bench [--cli PATH] [--runs N] [--timeout SECONDS] [--deck-mb MB] [--small-deck-mb MB]
//               [--no-deck | --deck-only]
//
// Inputs a careless or hostile user might give, each at a small and a large
// size, parsed by the command-line host in a child process (diagnostics
// printed to /dev/null). For each case it prints the best CPU time (user and
// system) of N runs at both sizes and the ratio of their times per MB: about
// 1 where the cost is linear in the input. A run that outlives the timeout is killed and shown
// as ">T". --cli chooses the quarry-parse to measure (default: the one next
// to this program), so that two builds can be compared with the same inputs.
// The deck case also times a process that only touches as much memory as
// each parse peaked at, the system's own share, and splits the parse's ratio
// into user and system time.
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_support.hh"
#include "netlist_gen.hh"

using namespace korvex3_bench;

namespace {

struct run_result {
    double wall = 0;
    double user = 0;
    double sys = 0;
    long max_rss_kib = 0;
    int status = -1;  ///< exit status, or -1 when killed at the timeout
};

/// Runs `body` in a child process (it must end with _exit) and measures it.
run_result run_child(const std::function<void()>& body, double timeout) {
    run_result r;
    std::fflush(stdout);
    const auto start = clock_type::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        body();
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        if (seconds_between(start, clock_type::now()) > timeout) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            r.wall = timeout;
            return r;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    r.wall = seconds_between(start, clock_type::now());
    r.user = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
    r.sys = usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    r.max_rss_kib = usage.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

/// `cli --format none FILE` with standard output and error on /dev/null.
std::function<void()> cli_run(const std::string& cli, const std::string& file) {
    return [cli, file] {
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) _exit(127);
        execl(cli.c_str(), cli.c_str(), "--format", "none", file.c_str(), static_cast<char*>(nullptr));
    };
}

/// Maps KIB kibibytes and writes one byte per page: what the system charges
/// any process for first touching that much memory.
std::function<void()> touch_run(long kib) {
    return [kib] {
        const std::size_t bytes = static_cast<std::size_t>(kib) * 1024;
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) _exit(1);
        volatile char* c = static_cast<char*>(p);
        for (std::size_t i = 0; i < bytes; i += 4096) c[i] = 1;
        _exit(0);
    };
}

/// CPU seconds (user and system): steadier than wall time on a shared machine.
double cpu(const run_result& r) { return r.user + r.sys; }

run_result best_of(const std::function<void()>& body, int runs, double timeout) {
    run_result best;
    for (int i = 0; i < runs; ++i) {
        const run_result r = run_child(body, timeout);
        if (i == 0 || (r.status >= 0 && (best.status < 0 || cpu(r) < cpu(best)))) best = r;
        if (r.status < 0) break;  // one timeout is enough
    }
    return best;
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string time_text(const run_result& r, double timeout) {
    if (r.status < 0) return ">" + format_fixed(timeout, 0);
    return format_fixed(cpu(r), cpu(r) < 1 ? 3 : 2);
}

struct options {
    std::string cli;
    int runs = 3;
    double timeout = 60;
    double deck_mb = 500;
    double small_deck_mb = 10;
    bool deck = true;
    bool deck_only = false;
};

void usage() {
    std::cerr << "usage: hostile_bench [--cli PATH] [--runs N] [--timeout SECONDS] [--deck-mb MB] "
                 "[--small-deck-mb MB] [--no-deck | --deck-only]\n";
}

std::string per_mb_ratio(double small_seconds, double small_mb, double large_seconds, double large_mb) {
    if (small_seconds <= 0) return "-";
    return format_fixed((large_seconds / large_mb) / (small_seconds / small_mb), 2);
}

/// Prints one line: both sizes with their best CPU times, the large run's
/// details and the ratio of CPU time per MB (of input, in `small_mb` and `large_mb`).
void print_pair(const options& o, const std::string& label, double small_size, const run_result& a,
                double large_size, const run_result& b, double small_mb, double large_mb) {
    std::string ratio = "-";
    if (a.status >= 0 && b.status >= 0)
        ratio = per_mb_ratio(cpu(a), small_mb, cpu(b), large_mb);
    else if (b.status < 0)
        ratio = "(timeout)";
    std::printf("%-34s %7s MB %8s s  %7s MB %8s s (user %s, sys %s, wall %s, exit %d)  per-MB ratio %s\n",
                label.c_str(), format_fixed(small_size, small_size < 1 ? 3 : 1).c_str(),
                time_text(a, o.timeout).c_str(), format_fixed(large_size, large_size < 1 ? 3 : 1).c_str(),
                time_text(b, o.timeout).c_str(), format_fixed(b.user, 2).c_str(), format_fixed(b.sys, 2).c_str(),
                format_fixed(b.wall, 2).c_str(), b.status, ratio.c_str());
    std::fflush(stdout);
}

/// Measures one case at two sizes and prints its line; returns both runs.
std::pair<run_result, run_result> measure(const options& o, const std::string& label, const std::string& small_file,
                                          double small_mb, const std::string& large_file, double large_mb) {
    const run_result a = best_of(cli_run(o.cli, small_file), o.runs, o.timeout);
    const run_result b = best_of(cli_run(o.cli, large_file), o.runs, o.timeout);
    print_pair(o, label, small_mb, a, large_mb, b, small_mb, large_mb);
    return {a, b};
}

std::string self_dir() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.find_last_of('/'));
}

}  // namespace

int main(int argc, char** argv) {
    options o;
    o.cli = self_dir() + "/quarry-parse";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--cli") o.cli = next();
        else if (a == "--runs") o.runs = std::atoi(next().c_str());
        else if (a == "--timeout") o.timeout = std::atof(next().c_str());
        else if (a == "--deck-mb") o.deck_mb = std::atof(next().c_str());
        else if (a == "--small-deck-mb") o.small_deck_mb = std::atof(next().c_str());
        else if (a == "--no-deck") o.deck = false;
        else if (a == "--deck-only") o.deck_only = true;
        else {
            usage();
            return 2;
        }
    }
    if (o.runs < 1 || o.timeout <= 0 || o.deck_mb <= 0 || o.small_deck_mb <= 0) {
        usage();
        return 2;
    }
    const std::string dir = make_temp_dir("hostile_bench");
    int status = 0;
    try {
        std::printf("hostile_bench: %s, best of %d, timeout %s s\n", o.cli.c_str(), o.runs,
                    format_fixed(o.timeout, 0).c_str());
        const std::string tail = "\nR1 a b 1\n.END\n";
        if (!o.deck_only) {
            // NUL bytes in the title line.
            const std::size_t nul_small = 64 * 1024, nul_large = 1024 * 1024;
            write_file(dir + "/nul_small.kvx", std::string(nul_small, '\0') + tail);
            write_file(dir + "/nul_large.kvx", std::string(nul_large, '\0') + tail);
            measure(o, "NUL title 64 KiB vs 1 MiB", dir + "/nul_small.kvx", nul_small / bytes_per_mb,
                    dir + "/nul_large.kvx", nul_large / bytes_per_mb);

            // One long token: a title, and a comment line.
            const std::size_t long_small = 1000000, long_large = 7000000;
            write_file(dir + "/title_small.kvx", std::string(long_small, 't') + tail);
            write_file(dir + "/title_large.kvx", std::string(long_large, 't') + tail);
            measure(o, "long title 1 MB vs 7 MB", dir + "/title_small.kvx", long_small / bytes_per_mb,
                    dir + "/title_large.kvx", long_large / bytes_per_mb);
            write_file(dir + "/comment_small.kvx", "title\n*" + std::string(long_small, 'c') + tail);
            write_file(dir + "/comment_large.kvx", "title\n*" + std::string(long_large, 'c') + tail);
            measure(o, "long comment 1 MB vs 7 MB", dir + "/comment_small.kvx", long_small / bytes_per_mb,
                    dir + "/comment_large.kvx", long_large / bytes_per_mb);
            // Past the token limit: the overflow message (exit 2) should come at once.
            const std::size_t over = 9000000;
            write_file(dir + "/over.kvx", "title\nR1 a b " + std::string(over, 'n') + tail);
            measure(o, "long name 1 MB vs 9 MB (overflow)", dir + "/comment_small.kvx", long_small / bytes_per_mb,
                    dir + "/over.kvx", over / bytes_per_mb);

            // Many bad lines, each with its diagnostic.
            auto bad_lines = [](std::size_t n) {
                std::string s = "bad lines\n";
                for (std::size_t i = 0; i < n; ++i) s += "R" + std::to_string(i) + " a\n";
                return s + ".END\n";
            };
            write_file(dir + "/bad_small.kvx", bad_lines(40000));
            write_file(dir + "/bad_large.kvx", bad_lines(400000));
            measure(o, "diagnostics 40k vs 400k lines", dir + "/bad_small.kvx", file_size(dir + "/bad_small.kvx") / bytes_per_mb,
                    dir + "/bad_large.kvx", file_size(dir + "/bad_large.kvx") / bytes_per_mb);

        }

        // A plain deck with its models in an included file.
        if (o.deck) {
            const generated_files small = write_netlist(dir + "/deck_small.kvx", o.small_deck_mb, true);
            const generated_files large = write_netlist(dir + "/deck_large.kvx", o.deck_mb, true);
            const double small_mb = (small.main_bytes + small.models_bytes) / bytes_per_mb;
            const double large_mb = (large.main_bytes + large.models_bytes) / bytes_per_mb;
            const auto [a, b] = measure(o, "deck " + format_fixed(o.small_deck_mb, 0) + " MB vs " +
                                               format_fixed(o.deck_mb, 0) + " MB",
                                           small.main, small_mb, large.main, large_mb);
            if (a.status == 0 && b.status == 0) {
                // The baseline: a process that only touches as much memory as
                // each parse peaked at. Where first touches cost more the more
                // memory a process holds, this ratio rises too.
                const run_result ta = best_of(touch_run(a.max_rss_kib), o.runs, o.timeout);
                const run_result tb = best_of(touch_run(b.max_rss_kib), o.runs, o.timeout);
                print_pair(o, "  touching the same memory alone", a.max_rss_kib / 1024.0, ta,
                           b.max_rss_kib / 1024.0, tb, small_mb, large_mb);
                std::printf("%-34s per-MB ratio of user time %s, of system time %s\n", "  the deck's parse",
                            per_mb_ratio(a.user, small_mb, b.user, large_mb).c_str(),
                            per_mb_ratio(a.sys, small_mb, b.sys, large_mb).c_str());
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "hostile_bench: " << e.what() << "\n";
        status = 1;
    }
    remove_tree(dir);
    return status;
}
