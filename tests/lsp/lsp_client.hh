#pragma once
// Drives the real server binary over pipes with framed messages.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "run_cli.hh"

namespace lsp_test {

using json = nlohmann::json;

/// The CLI tests' scratch directory, which also names its files as URIs.
class scratch_dir : public cli_test::scratch_dir {
public:
    /// The file: URI of `name` under the directory.
    std::string uri(const std::string& name) const { return "file://" + path() + "/" + name; }
};

/// One server process; killed when the object goes unless it exited.
class server_process {
public:
    server_process();
    ~server_process();
    server_process(const server_process&) = delete;
    server_process& operator=(const server_process&) = delete;

    /// Writes raw bytes to the server's input.
    void write_raw(const std::string& bytes);
    /// Frames and sends one message.
    void send(const json& message);
    void request(int id, const std::string& method, const json& params = json::object());
    void notify(const std::string& method, const json& params = json::object());
    /// Closes the server's input.
    void close_input();

    /// The next message, or nullopt when none came within the time (or output ended).
    std::optional<json> next(std::chrono::milliseconds wait = std::chrono::seconds(60));
    /// Waits for the response to `id`, keeping the other messages for later.
    json response(int id, std::chrono::milliseconds wait = std::chrono::seconds(60));
    /// Waits for the next publishDiagnostics for `uri`.
    json diagnostics_for(const std::string& uri, std::chrono::milliseconds wait = std::chrono::seconds(60));
    /// initialize (offering `encodings` when not empty) and initialized; the result.
    json initialize(const std::vector<std::string>& encodings = {});
    /// Opens a document.
    void open(const std::string& uri, const std::string& text, int version = 1);
    void change(const std::string& uri, const std::string& text, int version);

    /// The exit status once the process ended (waits up to `wait`), or -1.
    int exit_status(std::chrono::milliseconds wait = std::chrono::seconds(30));
    /// Whatever the server wrote to standard error.
    std::string log();

private:
    bool fill(std::chrono::steady_clock::time_point deadline);
    std::optional<json> take_buffered();

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string err_path_;
    std::string buffer_;
    std::vector<json> kept_;
    int status_ = -1;
};

}  // namespace lsp_test
