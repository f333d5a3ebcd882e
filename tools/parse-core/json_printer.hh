#pragma once
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "quarry/ast/node.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/parser_base.hh"

namespace quarry_parse {

/// Keeps keys in the documented order.
using json = nlohmann::ordered_json;

/// {"file","first_line","first_column","last_line","last_column"}, or null
/// when there is no record or it is not an info_netlist.
json location_json(const quarry::parser::info* record);

/// The root's children as an array of {"kind","value"[,"location"][,"children"]},
/// the root itself left out. Written without recursion: trees nested
/// hundreds of thousands of levels deep are printed like any other.
void write_tree(std::ostream& out, const quarry::ast::node& root);

/// {"severity","message","location","id"}; location and id may be null.
json diagnostic_json(const quarry::parser::diagnostic& d);

/// One document per input on one line: {"file","language","ok","diagnostics","tree"};
/// the tree is null without a root (an input that could not be read or a
/// parse that an exception ended).
void write_document(std::ostream& out, const std::string& file, const std::string& language, bool ok,
                    const std::vector<quarry::parser::diagnostic>& diagnostics, const quarry::ast::node* root);

/// {"kind","value","location"} of one token; value is null for a token without text.
json token_json(const quarry::parser::token_view& token);

/// The document of a token listing: {"file","language","ok","diagnostics","tokens"},
/// `tokens` being the text of a JSON array.
void write_token_document(std::ostream& out, const std::string& file, const std::string& language, bool ok,
                          const std::vector<quarry::parser::diagnostic>& diagnostics, const std::string& tokens);

/// Compact text on one line; bytes that are not UTF-8 become U+FFFD instead of throwing.
std::string dump(const json& document);

/// "error", "warning" or "info".
const char* severity_name(quarry::parser::severity level);

}  // namespace quarry_parse
