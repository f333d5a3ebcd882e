#include "json_rpc.hh"

#include "json_reader.hh"

namespace korvex3_lsp {

namespace {

bool usable_id(const nlohmann::json& id) { return id.is_string() || id.is_number_integer() || id.is_number_unsigned(); }

}  // namespace

incoming read_message(const std::string& body) {
    incoming m;
    std::optional<nlohmann::json> parsed = read_json(body);
    if (!parsed) {
        m.problem = "invalid JSON";
        return m;
    }
    nlohmann::json& j = *parsed;
    m.error = invalid_request;
    if (!j.is_object()) {
        m.problem = "a message must be an object";
        return m;
    }
    const auto id = j.find("id");
    if (id != j.end() && usable_id(*id)) m.id = *id;
    const auto version = j.find("jsonrpc");
    if (version == j.end() || *version != "2.0") {
        m.problem = "jsonrpc must be \"2.0\"";
        return m;
    }
    const auto method = j.find("method");
    if (method == j.end()) {
        if (id != j.end() && (j.contains("result") || j.contains("error"))) m.what = incoming::kind::response;
        else m.problem = "no method";
        return m;
    }
    if (!method->is_string() || (id != j.end() && !usable_id(*id))) {
        m.problem = !method->is_string() ? "method must be a string" : "id must be a number or a string";
        return m;
    }
    m.method = method->get<std::string>();
    const auto params = j.find("params");
    if (params != j.end()) m.params = std::move(*params);
    m.what = id == j.end() ? incoming::kind::notification : incoming::kind::request;
    return m;
}

std::string to_text(const nlohmann::json& j) { return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

nlohmann::json response(const nlohmann::json& id, nlohmann::json result) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

nlohmann::json error_response(const nlohmann::json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

nlohmann::json notification(const std::string& method, nlohmann::json params) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

}  // namespace korvex3_lsp
