#include "server.hh"

#include <iostream>

#include "uri.hh"

namespace korvex3_lsp {

namespace {

constexpr const char* server_name = "korvex3-lsp";

const nlohmann::json& field(const nlohmann::json& j, const char* name) {
    static const nlohmann::json none;
    if (!j.is_object()) return none;
    const auto it = j.find(name);
    return it == j.end() ? none : *it;
}

std::string uri_in(const nlohmann::json& params) {
    const nlohmann::json& uri = field(field(params, "textDocument"), "uri");
    if (!uri.is_string()) throw nlohmann::json::type_error::create(302, "textDocument.uri must be a string", nullptr);
    return uri.get<std::string>();
}

void log(const std::string& line) { std::cerr << server_name << ": " << line << std::endl; }

}  // namespace

const std::map<std::string, server::request_handler>& server::request_handlers() {
    static const std::map<std::string, request_handler> handlers{
        {"initialize", &server::on_initialize},
        {"shutdown", &server::on_shutdown},
        {"textDocument/documentSymbol", &server::on_document_symbol},
        {"textDocument/definition", &server::on_definition},
        {"textDocument/hover", &server::on_hover},
        {"textDocument/completion", &server::on_completion},
        {"textDocument/foldingRange", &server::on_folding_range},
    };
    return handlers;
}

const std::map<std::string, server::notification_handler>& server::notification_handlers() {
    static const std::map<std::string, notification_handler> handlers{
        {"initialized", &server::on_initialized},
        {"textDocument/didOpen", &server::on_did_open},
        {"textDocument/didChange", &server::on_did_change},
        {"textDocument/didClose", &server::on_did_close},
        {"textDocument/didSave", &server::on_did_save},
        {"workspace/didChangeWatchedFiles", &server::on_watched_files},
    };
    return handlers;
}

void server::send(const nlohmann::json& message) { out_.write(to_text(message)); }

std::optional<int> server::handle(incoming& m) {
    switch (m.what) {
    case incoming::kind::malformed:
        log("bad message: " + m.problem);
        send(error_response(m.id, m.error, m.problem));
        return std::nullopt;
    case incoming::kind::response:
        return std::nullopt;
    case incoming::kind::request:
        handle_request(m);
        return std::nullopt;
    case incoming::kind::notification:
        if (m.method == "exit") return status_at_end();
        handle_notification(m);
        return std::nullopt;
    }
    return std::nullopt;
}

void server::handle_request(const incoming& m) {
    if (!initialized_ && m.method != "initialize") {
        send(error_response(m.id, server_not_initialized, "the server is not initialized"));
        return;
    }
    if (shut_down_ || (initialized_ && m.method == "initialize")) {
        send(error_response(m.id, invalid_request, shut_down_ ? "the server is shut down" : "initialize was sent twice"));
        return;
    }
    const auto it = request_handlers().find(m.method);
    if (it == request_handlers().end()) {
        send(error_response(m.id, method_not_found, "unknown method " + m.method));
        return;
    }
    try {
        send(response(m.id, (this->*(it->second))(m.params)));
    } catch (const nlohmann::json::exception& e) {
        send(error_response(m.id, invalid_params, e.what()));
    } catch (const std::exception& e) {
        send(error_response(m.id, internal_error, e.what()));
    }
}

void server::handle_notification(incoming& m) {
    // Before initialize only exit counts; unknown notifications are dropped.
    if (!initialized_ || shut_down_) return;
    const auto it = notification_handlers().find(m.method);
    if (it == notification_handlers().end()) return;
    try {
        (this->*(it->second))(m.params);
    } catch (const std::exception& e) {
        log(m.method + ": " + e.what());
    }
}

nlohmann::json server::on_initialize(const nlohmann::json& params) {
    initialized_ = true;
    const nlohmann::json& offered = field(field(field(params, "capabilities"), "general"), "positionEncodings");
    if (offered.is_array())
        for (const auto& e : offered)
            if (e == "utf-8") encoding_ = position_encoding::utf8;
    const nlohmann::json& dirs = field(field(params, "initializationOptions"), "includeDirs");
    if (dirs.is_array())
        for (const auto& d : dirs)
            if (d.is_string()) include_dirs_.push_back(d.get<std::string>());
    return {
        {"capabilities",
         {{"positionEncoding", encoding_ == position_encoding::utf8 ? "utf-8" : "utf-16"},
          {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
          {"documentSymbolProvider", true},
          {"definitionProvider", true},
          {"hoverProvider", true},
          {"completionProvider", {{"triggerCharacters", {"."}}, {"resolveProvider", false}}},
          {"foldingRangeProvider", true}}},
        {"serverInfo", {{"name", server_name}, {"version", KORVEX3_LSP_VERSION}}}};
}

nlohmann::json server::on_shutdown(const nlohmann::json&) {
    shut_down_ = true;
    return nullptr;
}

void server::on_initialized(nlohmann::json&) {}

void server::on_did_open(nlohmann::json& params) {
    const std::string uri = uri_in(params);
    nlohmann::json& item = params["textDocument"];
    const nlohmann::json& version = field(item, "version");
    document& doc = workspace_.open(uri, std::move(item.at("text").get_ref<std::string&>()),
                                    version.is_number_integer() ? version.get<std::int64_t>() : 0);
    if (doc.path.empty()) log("not a file URI, includes cannot be found: " + uri);
}

namespace {

// Applies one content change: the whole text (taken from the message), or
// a range of it.
void apply_change(std::string& text, nlohmann::json& change, position_encoding encoding) {
    std::string& with = change.at("text").get_ref<std::string&>();
    const nlohmann::json& range = field(change, "range");
    if (!range.is_object()) {
        text = std::move(with);
        return;
    }
    const line_index lines(text);
    const auto offset = [&](const nlohmann::json& p) {
        const lsp_position at = position_from_json(p);
        if (at.line >= lines.line_count()) return text.size();
        return lines.offset(text, static_cast<std::size_t>(at.line), to_byte_column(text, lines, encoding, at));
    };
    const std::size_t begin = offset(field(range, "start"));
    const std::size_t end = std::max(begin, offset(field(range, "end")));
    text.replace(begin, end - begin, with);
}

}  // namespace

void server::on_did_change(nlohmann::json& params) {
    document* doc = workspace_.find(uri_in(params));
    if (!doc) return;
    nlohmann::json& changes = params["contentChanges"];
    if (!changes.is_array() || changes.empty()) return;
    // A whole text first (the usual case) needs no copy of the old one.
    const bool whole = !field(changes.front(), "range").is_object();
    std::string text = whole ? std::string() : *doc->text;
    for (auto& change : changes) apply_change(text, change, encoding_);
    const nlohmann::json& version = field(field(params, "textDocument"), "version");
    workspace_.change(*doc, std::move(text), version.is_number_integer() ? version.get<std::int64_t>() : doc->version + 1);
}

void server::on_did_close(nlohmann::json& params) {
    const std::string uri = uri_in(params);
    if (!workspace_.find(uri)) return;
    workspace_.close(uri);
    withdraw(uri);
}

void server::on_did_save(nlohmann::json& params) {
    document* doc = workspace_.find(uri_in(params));
    const nlohmann::json& text = field(params, "text");
    if (doc && text.is_string()) workspace_.change(*doc, std::string(text.get<std::string>()), doc->version);
}

void server::on_watched_files(nlohmann::json& params) {
    const nlohmann::json& changes = field(params, "changes");
    if (!changes.is_array()) return;
    for (const auto& c : changes) {
        const nlohmann::json& uri = field(c, "uri");
        if (!uri.is_string()) continue;
        const std::string path = path_of_uri(uri.get<std::string>());
        if (!path.empty()) workspace_.file_changed(path);
    }
}

feature_context server::context_of(const document& doc) {
    feature_context ctx{*doc.result, doc.uri, encoding_, workspace_.source(), {}};
    return ctx;
}

document* server::parsed_document(const nlohmann::json& params) {
    document* doc = workspace_.find(uri_in(params));
    if (!doc) return nullptr;
    if (doc->dirty || !doc->result) analyze_document(*doc, false);
    return doc;
}

nlohmann::json server::on_document_symbol(const nlohmann::json& params) {
    document* doc = parsed_document(params);
    return doc ? document_symbols(context_of(*doc)) : nlohmann::json::array();
}

nlohmann::json server::on_folding_range(const nlohmann::json& params) {
    document* doc = parsed_document(params);
    return doc ? folding_ranges(context_of(*doc)) : nlohmann::json::array();
}

nlohmann::json server::at_position(const nlohmann::json& params,
                                   nlohmann::json (*feature)(const feature_context&, const lsp_position&)) {
    document* doc = parsed_document(params);
    if (!doc) return nullptr;
    return feature(context_of(*doc), position_from_json(field(params, "position")));
}

nlohmann::json server::on_definition(const nlohmann::json& params) { return at_position(params, &definition); }

nlohmann::json server::on_hover(const nlohmann::json& params) { return at_position(params, &hover); }

nlohmann::json server::on_completion(const nlohmann::json& params) { return at_position(params, &completion); }

bool server::analyze_document(document& doc, bool may_cancel) {
    {
        std::lock_guard<std::mutex> lock(parsing_mutex_);
        parsing_uri_ = may_cancel ? doc.uri : std::string();
        cancel_ = false;
    }
    parse_settings settings{include_dirs_, workspace_.source(), may_cancel ? &cancel_ : nullptr};
    auto result = analyze(doc.path.empty() ? doc.uri : doc.path, doc.key, doc.text, settings);
    {
        std::lock_guard<std::mutex> lock(parsing_mutex_);
        parsing_uri_.clear();
    }
    if (result->cancelled) return false;
    // The old tree goes after the diagnostics are out: freeing it takes a while.
    std::shared_ptr<const analysis> old = std::move(doc.result);
    doc.result = std::move(result);
    doc.dirty = false;
    publish_for(doc);
    old.reset();
    return true;
}

void server::note_arrival(const incoming& m) {
    if (m.what != incoming::kind::notification) return;
    if (m.method != "textDocument/didChange" && m.method != "textDocument/didClose") return;
    const nlohmann::json& uri = field(field(m.params, "textDocument"), "uri");
    std::lock_guard<std::mutex> lock(parsing_mutex_);
    if (uri.is_string() && !parsing_uri_.empty() && uri == parsing_uri_) cancel_ = true;
}

void server::flush() {
    for (auto& [uri, doc] : workspace_.documents())
        if (doc.dirty) analyze_document(doc, true);
}

void server::poll_disk() {
    if (workspace_.poll_disk()) flush();
}

void server::publish_for(const document& doc) {
    std::map<std::string, nlohmann::json> fresh = diagnostics(context_of(doc));
    std::set<std::string> targets;
    for (auto& [target, owners] : board_)
        if (owners.erase(doc.uri)) targets.insert(target);
    for (auto& [target, list] : fresh) {
        board_[target][doc.uri] = std::move(list);
        targets.insert(target);
    }
    for (const std::string& target : targets) publish(target);
}

void server::withdraw(const std::string& owner) {
    std::set<std::string> targets{owner};
    for (auto& [target, owners] : board_)
        if (owners.erase(owner)) targets.insert(target);
    for (const std::string& target : targets) publish(target);
}

void server::publish(const std::string& uri) {
    nlohmann::json list = nlohmann::json::array();
    std::set<std::string> seen;
    const auto it = board_.find(uri);
    if (it != board_.end()) {
        for (const auto& [owner, diagnostics] : it->second)
            for (const auto& d : diagnostics)
                // The same report of a file read by two open documents shows once.
                if (it->second.size() == 1 || seen.insert(to_text(d)).second) list.push_back(d);
        if (it->second.empty()) board_.erase(it);
    }
    nlohmann::json params{{"uri", uri}, {"diagnostics", std::move(list)}};
    if (const document* doc = workspace_.find(uri)) params["version"] = doc->version;
    send(notification("textDocument/publishDiagnostics", std::move(params)));
}

}  // namespace korvex3_lsp
