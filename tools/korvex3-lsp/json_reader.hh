#pragma once
// A JSON reader for message bodies. A change carries the whole document as
// one string, and the general-purpose parser takes as long over a 1 MB
// string as the netlist parse itself; this one copies string runs whole.
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace korvex3_lsp {

/// The value of `text` (RFC 8259; strings must be UTF-8; an escaped lone
/// surrogate becomes U+FFFD), or nullopt when it is no JSON.
std::optional<nlohmann::json> read_json(std::string_view text);

}  // namespace korvex3_lsp
