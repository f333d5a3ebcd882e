#pragma once
// The language server's state and its answer to each message.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "features.hh"
#include "json_rpc.hh"
#include "transport.hh"
#include "workspace.hh"

namespace korvex3_lsp {

class server {
public:
    explicit server(frame_writer& out) : out_(out) {}

    /// Handles one message; the exit status once the session is over.
    std::optional<int> handle(incoming& m);
    /// Parses the documents whose text or includes changed and publishes.
    void flush();
    /// Looks for included files changed on disk.
    void poll_disk();
    /// The status when input ends without `exit`.
    int status_at_end() const { return shut_down_ ? 0 : 1; }
    /// From the reading thread: a newer text of the document being parsed
    /// in the background stops that parse.
    void note_arrival(const incoming& m);
    void send(const nlohmann::json& message);

private:
    using request_handler = nlohmann::json (server::*)(const nlohmann::json& params);
    /// Notifications may take from their parameters (a document's text).
    using notification_handler = void (server::*)(nlohmann::json& params);
    static const std::map<std::string, request_handler>& request_handlers();
    static const std::map<std::string, notification_handler>& notification_handlers();

    void handle_request(const incoming& m);
    void handle_notification(incoming& m);

    nlohmann::json on_initialize(const nlohmann::json& params);
    nlohmann::json on_shutdown(const nlohmann::json& params);
    nlohmann::json on_document_symbol(const nlohmann::json& params);
    nlohmann::json on_definition(const nlohmann::json& params);
    nlohmann::json on_hover(const nlohmann::json& params);
    nlohmann::json on_completion(const nlohmann::json& params);
    nlohmann::json on_folding_range(const nlohmann::json& params);
    void on_initialized(nlohmann::json& params);
    void on_did_open(nlohmann::json& params);
    void on_did_change(nlohmann::json& params);
    void on_did_close(nlohmann::json& params);
    void on_did_save(nlohmann::json& params);
    void on_watched_files(nlohmann::json& params);

    /// The open document a request names, parsed; null when it is not open.
    document* parsed_document(const nlohmann::json& params);
    /// Runs `feature` over the document the request names at its position.
    nlohmann::json at_position(const nlohmann::json& params,
                               nlohmann::json (*feature)(const feature_context&, const lsp_position&));
    feature_context context_of(const document& doc);
    /// Parses the document; false when a newer text stopped the parse.
    bool analyze_document(document& doc, bool may_cancel);
    void publish_for(const document& doc);
    void publish(const std::string& uri);
    void withdraw(const std::string& owner);

    frame_writer& out_;
    workspace workspace_;
    position_encoding encoding_ = position_encoding::utf16;
    std::vector<std::string> include_dirs_;
    bool initialized_ = false;
    bool shut_down_ = false;
    /// Published diagnostics: target URI -> owner document URI -> list.
    std::map<std::string, std::map<std::string, nlohmann::json>> board_;

    std::atomic<bool> cancel_{false};
    std::mutex parsing_mutex_;
    std::string parsing_uri_;
};

}  // namespace korvex3_lsp
