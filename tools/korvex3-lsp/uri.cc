#include "uri.hh"

#include <cctype>
#include <filesystem>

namespace korvex3_lsp {

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Unreserved characters and the path's own separators stay as they are.
bool kept(unsigned char c) { return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/'; }

}  // namespace

std::string path_of_uri(const std::string& uri) {
    const std::string scheme = "file://";
    if (uri.size() < scheme.size()) return "";
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(uri[i])) != scheme[i]) return "";
    std::string rest = uri.substr(scheme.size());
    // "file:///p" has an empty host; "file://localhost/p" names this machine.
    if (rest.rfind("localhost/", 0) == 0) rest = rest.substr(9);
    if (rest.empty() || rest[0] != '/') return "";
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '?' || rest[i] == '#') break;
        if (rest[i] == '%' && i + 2 < rest.size() && hex_value(rest[i + 1]) >= 0 && hex_value(rest[i + 2]) >= 0) {
            path += static_cast<char>(hex_value(rest[i + 1]) * 16 + hex_value(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

std::string uri_of_path(const std::string& path) {
    static const char digits[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (kept(c)) {
            uri += ch;
        } else {
            uri += '%';
            uri += digits[c >> 4];
            uri += digits[c & 15];
        }
    }
    return uri;
}

std::string normal_path(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) p = path;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(p, ec);
    return (ec ? p.lexically_normal() : canonical).string();
}

}  // namespace korvex3_lsp
