#include "features.hh"
#include "uri.hh"

namespace korvex3_lsp {

place place_of(const feature_context& ctx, const quarry::parser::info_netlist& w) {
    const std::string& file = w.get_filename();
    const auto range_in = [&](std::string_view text, const line_index& lines) {
        return to_lsp_range(text, lines, ctx.encoding, w.get_first_line(), w.get_first_column(), w.get_last_line(),
                            w.get_last_column());
    };
    if (file == ctx.parsed.path) return {ctx.uri, range_in(*ctx.parsed.text, ctx.parsed.lines)};
    auto known = ctx.files.find(file);
    if (known == ctx.files.end()) {
        const std::string path = normal_path(file);
        std::shared_ptr<const std::string> text = ctx.text_of ? ctx.text_of(path) : nullptr;
        if (!text) text = std::make_shared<const std::string>();
        known = ctx.files.emplace(file, feature_context::file_view{text, line_index(*text)}).first;
    }
    const std::string path = normal_path(file);
    return {uri_of_path(path), range_in(*known->second.text, known->second.lines)};
}

nlohmann::json location_json(const place& p) { return {{"uri", p.uri}, {"range", to_json(p.range)}}; }

}  // namespace korvex3_lsp
