#pragma once
// The requests a parse answers, one file per group: diagnostics, outline
// (symbols, folding), navigation (definition, hover), completion.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "analysis.hh"
#include "positions.hh"

namespace korvex3_lsp {

/// What a feature needs besides the parse.
struct feature_context {
    const analysis& parsed;
    std::string uri;
    position_encoding encoding = position_encoding::utf16;
    /// The text of another file the tree names (buffer or disk), or null.
    std::function<std::shared_ptr<const std::string>(const std::string& path)> text_of;
    /// Other files' texts and line starts, read once per request.
    struct file_view {
        std::shared_ptr<const std::string> text;
        line_index lines;
    };
    mutable std::map<std::string, file_view> files;
};

/// The protocol range of a record in its own file, and that file's URI.
struct place {
    std::string uri;
    lsp_range range;
};
place place_of(const feature_context& ctx, const quarry::parser::info_netlist& w);
nlohmann::json location_json(const place& p);

/// The diagnostics of the parse for each file URI they concern: the
/// document's own, and those of included files (which are also shown at
/// the document's include line).
std::map<std::string, nlohmann::json> diagnostics(const feature_context& ctx);

nlohmann::json document_symbols(const feature_context& ctx);
nlohmann::json folding_ranges(const feature_context& ctx);
nlohmann::json definition(const feature_context& ctx, const lsp_position& at);
nlohmann::json hover(const feature_context& ctx, const lsp_position& at);
nlohmann::json completion(const feature_context& ctx, const lsp_position& at);

}  // namespace korvex3_lsp
