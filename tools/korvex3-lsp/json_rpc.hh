#pragma once
// JSON-RPC 2.0 messages: reading one body, writing responses and notifications.
#include <string>

#include <nlohmann/json.hpp>

namespace korvex3_lsp {

/// The protocol's error codes.
enum error_code : int {
    parse_error = -32700,
    invalid_request = -32600,
    method_not_found = -32601,
    invalid_params = -32602,
    internal_error = -32603,
    server_not_initialized = -32002,
    request_failed = -32803,
};

struct incoming {
    enum class kind { request, notification, response, malformed } what = kind::malformed;
    /// The request's id (number or string); null when there is none or it is unknown.
    nlohmann::json id;
    std::string method;
    nlohmann::json params;
    /// For malformed: the error code to answer with and why.
    int error = parse_error;
    std::string problem;
};

/// Reads one message body.
incoming read_message(const std::string& body);

/// Compact JSON text; bytes that are no UTF-8 become U+FFFD.
std::string to_text(const nlohmann::json& j);

nlohmann::json response(const nlohmann::json& id, nlohmann::json result);
nlohmann::json error_response(const nlohmann::json& id, int code, const std::string& message);
nlohmann::json notification(const std::string& method, nlohmann::json params);

}  // namespace korvex3_lsp
