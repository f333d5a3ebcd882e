// lsp_bench [--edits N] [--size MB]
//
// The language server's answer to an edit: a generated 1 MB deck is opened
// in the server (a child over pipes), then changed N times with the full
// text; each change is timed to its publishDiagnostics. The same texts are
// parsed in this process the way the server parses them (checks on, partial
// trees kept), and each edit prints its ratio to that plain parse.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "netlist_gen.hh"
#include "parse_run.hh"
#include "plugin_loader.hh"

extern char** environ;

namespace {

using clock_type = std::chrono::steady_clock;
using json = nlohmann::json;

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

class server_child {
public:
    explicit server_child(const std::string& program) {
        int in_pipe[2], out_pipe[2];
        if (::pipe2(in_pipe, O_CLOEXEC) != 0 || ::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0)
            throw std::runtime_error("cannot start " + program);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in_pipe[0]);
        ::close(out_pipe[1]);
        in_ = in_pipe[1];
        out_ = out_pipe[0];
    }
    ~server_child() {
        ::close(in_);
        ::close(out_);
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }

    void send(const json& message) {
        const std::string body = message.dump();
        const std::string frame = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        for (std::size_t done = 0; done < frame.size();) {
            const ssize_t n = ::write(in_, frame.data() + done, frame.size() - done);
            if (n <= 0) throw std::runtime_error("the server stopped reading");
            done += static_cast<std::size_t>(n);
        }
    }

    json next() {
        for (;;) {
            const std::size_t end = buffer_.find("\r\n\r\n");
            if (end != std::string::npos) {
                const std::size_t length = std::stoul(buffer_.substr(buffer_.find(':') + 1, end));
                if (buffer_.size() >= end + 4 + length) {
                    json j = json::parse(buffer_.substr(end + 4, length));
                    buffer_.erase(0, end + 4 + length);
                    return j;
                }
            }
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 120000) <= 0) throw std::runtime_error("the server gave no answer in 2 minutes");
            char chunk[65536];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) throw std::runtime_error("the server ended");
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    /// Waits for the diagnostics of `version`; returns how many there were.
    std::size_t diagnostics_of(std::int64_t version) {
        for (;;) {
            const json m = next();
            if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"].value("version", -1) == version)
                return m["params"]["diagnostics"].size();
        }
    }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
};

std::string beside_this_program(const std::string& relative) {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (exe.parent_path() / relative).lexically_normal().string();
}

// The parse the server runs for a text, timed in this process (best of 3).
double plain_parse_seconds(const std::string& path, const std::string& text) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        quarry_parse::parse_request request;
        request.name = path;
        request.text = &text;
        request.language = quarry_parse::language_of(path, false, "");
        if (request.language.empty()) request.language = quarry_parse::language_of(path, true, "");
        request.checks = true;
        request.keep_partial = true;
        std::string why;
        const auto parser = quarry_parse::make_parser(request.language, why);
        if (!parser) throw std::runtime_error(why);
        const auto start = clock_type::now();
        quarry_parse::parse_result result = quarry_parse::run_parse(*parser, request);
        result.root.reset();
        best = std::min(best, seconds_since(start));
    }
    return best;
}

// The text after edit `n`: one card's value changes, and a comment line
// grows, so each text differs from the one before.
std::string edited(const std::string& base, int n) {
    std::string text = base;
    const std::string marker = "\n.end";
    const std::size_t end = text.rfind(marker);
    const std::string card = "\nR_edit" + std::to_string(n) + " e" + std::to_string(n) + " 0 " + std::to_string(n + 1) + "k";
    text.insert(end == std::string::npos ? text.size() : end, card);
    return text;
}

std::string fixed(double v, int decimals) {
    std::ostringstream s;
    s.setf(std::ios::fixed);
    s.precision(decimals);
    s << v;
    return s.str();
}

}  // namespace

int main(int argc, char** argv) {
    int edits = 20;
    double size_mb = 1.0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--edits" && i + 1 < argc) edits = std::atoi(argv[++i]);
        else if (a == "--size" && i + 1 < argc) size_mb = std::atof(argv[++i]);
        else {
            std::cerr << "usage: lsp_bench [--edits N] [--size MB]\n";
            return 2;
        }
    }
    try {
        ::signal(SIGPIPE, SIG_IGN);
        if (const std::string failed = quarry_parse::load_plugin(quarry_parse::plugin_from_environment(
                beside_this_program(std::string("../lib/") + quarry_parse::plugin_file)));
            !failed.empty())
            throw std::runtime_error(failed);
        const quarry_parse::packet_listeners listeners;
        char pattern[] = "/tmp/korvex3-lsp-bench-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        const std::string dir = pattern;
        const std::string path = dir + "/bench.kvx";
        korvex3_bench::write_netlist(path, size_mb, false);
        std::string base;
        {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            base = s.str();
        }
        const std::string uri = "file://" + path;
        std::cout << "deck: " << fixed(static_cast<double>(base.size()) / 1e6, 2) << " MB, " << edits
                  << " full-text edits\n";

        server_child server(beside_this_program("korvex3-lsp"));
        server.send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
        while (!server.next().contains("result")) {
        }
        server.send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
        auto start = clock_type::now();
        server.send({{"jsonrpc", "2.0"},
                     {"method", "textDocument/didOpen"},
                     {"params", {{"textDocument", {{"uri", uri}, {"languageId", "korvex3"}, {"version", 0}, {"text", base}}}}}});
        server.diagnostics_of(0);
        const double open_seconds = seconds_since(start);
        std::cout << "open: " << fixed(open_seconds * 1e3, 1) << " ms, plain parse "
                  << fixed(plain_parse_seconds(path, base) * 1e3, 1) << " ms\n";

        std::vector<double> ratios;
        std::cout << "edit  server_ms  parse_ms  ratio\n";
        for (int n = 1; n <= edits; ++n) {
            const std::string text = edited(base, n);
            start = clock_type::now();
            server.send({{"jsonrpc", "2.0"},
                         {"method", "textDocument/didChange"},
                         {"params", {{"textDocument", {{"uri", uri}, {"version", n}}}, {"contentChanges", {{{"text", text}}}}}}});
            server.diagnostics_of(n);
            const double served = seconds_since(start);
            const double parsed = plain_parse_seconds(path, text);
            ratios.push_back(served / parsed);
            std::cout << (n < 10 ? " " : "") << n << "    " << fixed(served * 1e3, 1) << "      " << fixed(parsed * 1e3, 1)
                      << "      " << fixed(served / parsed, 2) << '\n';
        }
        server.send({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
        std::sort(ratios.begin(), ratios.end());
        if (!ratios.empty())
            std::cout << "ratio server/parse: median " << fixed(ratios[ratios.size() / 2], 2) << ", best "
                      << fixed(ratios.front(), 2) << ", worst " << fixed(ratios.back(), 2) << " (target <= 1.5)\n";
        std::filesystem::remove_all(dir);
    } catch (const std::exception& e) {
        std::cerr << "lsp_bench: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
