#pragma once
// Shared pieces of the benchmark programs: the plain-read baseline, scanning
// a file, memory figures, running a measurement in a child process, and the
// real-world inputs.
#include <unistd.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "netlist_gen.hh"

namespace korvex3_bench {

using clock_type = std::chrono::steady_clock;

inline double seconds_between(clock_type::time_point a, clock_type::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

/// One input of a measurement: a file and whether it starts with a title line.
struct input_file {
    std::string path;
    bool title = true;
};

/// Files measured together; figures are for the whole set.
struct input_set {
    std::string label;
    std::vector<input_file> files;
};

struct read_stats {
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
};
/// The baseline: read the file in 64 KiB chunks and count line feeds.
read_stats plain_read(const std::string& path);

struct scan_stats {
    std::uint64_t bytes = 0;
    std::uint64_t tokens = 0;
};
/// Scans the whole file with the dialect's scanner, freeing every token value.
scan_stats scan_file(const std::string& path, bool title, bool pins_complete = false);

std::uint64_t file_size(const std::string& path);
std::uint64_t set_bytes(const input_set& set);

/// Resident set size now, from /proc/self/statm (0 when unknown).
std::uint64_t current_rss_bytes();
/// Peak resident set size of this process (getrusage ru_maxrss).
std::uint64_t peak_rss_bytes();

/// "12.34" for bytes in MB (10^6), "12.3" for bytes in MiB.
std::string format_mb(double bytes);
std::string format_mib(double bytes);
std::string format_fixed(double v, int decimals);

/// The corpus root: $KORVEX3_CORPUS, else the shared corpus next to the checkout.
std::string corpus_dir(const std::string& override_dir);
/// Regular files under dir (recursively) with one of the extensions, sorted.
std::vector<std::string> files_under(const std::string& dir, const std::vector<std::string>& extensions);
/// `top` and every existing file it reaches through .include/.inc/.lib lines
/// (found textually, resolved against the including file's directory).
std::vector<std::string> include_closure(const std::string& top);
/// The input set of a top-level file and its include closure.
input_set closure_set(const std::string& label, const std::string& top);

/// A fresh directory under $TMPDIR (or /tmp); remove_tree deletes it again.
std::string make_temp_dir(const std::string& prefix);
void remove_tree(const std::string& dir);

/// The short name used in output lines.
std::string base_name(const std::string& path);

/// Runs fn in a child process so that its peak memory is its own, and returns
/// what fn returned (a trivially copyable struct). Falls back to running it
/// here when fork is not available. Throws when the child fails.
template <typename R, typename F>
R isolated(F&& fn) {
    static_assert(std::is_trivially_copyable<R>::value, "the result crosses a pipe");
    struct envelope {
        R value;
        int ok;
        char error[512];
    };
    std::cout.flush();
    std::fflush(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return fn();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return fn();
    }
    if (pid == 0) {
        ::close(fds[0]);
        envelope e{};
        try {
            e.value = fn();
            e.ok = 1;
        } catch (const std::exception& ex) {
            std::strncpy(e.error, ex.what(), sizeof e.error - 1);
        } catch (...) {
            std::strncpy(e.error, "unknown exception", sizeof e.error - 1);
        }
        const char* p = reinterpret_cast<const char*>(&e);
        std::size_t left = sizeof e;
        while (left > 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    envelope e{};
    char* p = reinterpret_cast<char*>(&e);
    std::size_t got = 0;
    while (got < sizeof e) {
        const ssize_t n = ::read(fds[0], p + got, sizeof e - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (got != sizeof e) {
        std::string why = "measurement process died";
        if (WIFSIGNALED(status)) why += " (signal " + std::to_string(WTERMSIG(status)) + ")";
        throw std::runtime_error(why);
    }
    if (!e.ok) throw std::runtime_error(e.error);
    return e.value;
}

/// Measurement of reading or scanning a set, best of `runs`.
struct set_timing {
    double best_seconds = 0;
    std::uint64_t bytes = 0;
    std::uint64_t count = 0;  ///< lines or tokens
    std::uint64_t rss_before = 0;
    std::uint64_t peak_rss = 0;
};
set_timing time_plain_read(const input_set& set, int runs);
set_timing time_scan(const input_set& set, int runs);
/// The table-driven floor: a one-table DFA over the same bytes (count: tokens).
set_timing time_floor(const input_set& set, int runs);

/// "123.4 MB/s".
std::string rate(std::uint64_t bytes, double secs);

/// The options the benchmark programs share.
struct bench_options {
    int runs = 3;
    std::vector<double> sizes{10, 100};
    bool keep = false;
    bool as_include = false;
    bool corpus = false;
    std::string corpus_root;
    std::vector<std::string> files;
};
/// Reads the command line into `o`. Returns -1 to go on, else the exit status
/// (0 after --help, 2 after a bad option, with the usage text printed).
int read_options(int argc, char** argv, const std::string& program, const std::string& usage_text,
                 bool accepts_as_include, bench_options& o);
/// Generates a netlist of each size of `o` into a temporary directory and
/// calls fn(name, files) for each; the directory goes afterwards unless
/// --keep. Returns 1 when generation failed, else 0.
int for_generated(const bench_options& o, const std::string& program, bool with_include,
                  const std::function<void(const std::string&, const generated_files&)>& fn);

}  // namespace korvex3_bench
