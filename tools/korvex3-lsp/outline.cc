// The document's outline and its folds: statements of the document itself,
// never those of the files it includes.
#include <algorithm>
#include <optional>
#include <vector>

#include "features.hh"

namespace korvex3_lsp {

namespace {

namespace ast = quarry::ast;

// The protocol's SymbolKind numbers.
enum symbol_kind : int {
    kind_file = 1,
    kind_namespace = 3,
    kind_package = 4,
    kind_class = 5,
    kind_variable = 13,
    kind_struct = 23,
    kind_object = 19,
};

bool before(const lsp_position& a, const lsp_position& b) {
    return a.line < b.line || (a.line == b.line && a.character < b.character);
}

lsp_range joined(lsp_range a, const lsp_range& b) {
    if (before(b.start, a.start)) a.start = b.start;
    if (before(a.end, b.end)) a.end = b.end;
    return a;
}

std::string pins_of(const ast::node& n) {
    std::string pins;
    for (const ast::node* c : n.get_children()) {
        if (c->get_type() != ast::nt_pin) continue;
        const std::string name = c->has_children() ? c->get_children().front()->get_value() : c->get_value();
        pins += (pins.empty() ? "" : " ") + name;
    }
    return pins;
}

std::string model_detail(const ast::node& n) {
    std::string detail = child_value(n, ast::nt_model_device);
    const std::string polarity = child_value(n, ast::nt_polarity);
    if (!polarity.empty()) detail += " (" + polarity + ")";
    const std::string level = child_value(n, ast::nt_model_level);
    if (!level.empty()) detail += " level " + level;
    return detail;
}

struct symbol_shape {
    int kind;
    std::string name;
    std::string detail;
    bool nested;  ///< its statements become children
};

// What a statement of the outline looks like; nullopt for the rest.
std::optional<symbol_shape> shape_of(const ast::node& n, bool in_subckt) {
    switch (n.get_type()) {
    case ast::nt_subckt: return symbol_shape{kind_class, n.get_value(), pins_of(n), true};
    case ast::nt_model: return symbol_shape{kind_struct, n.get_value(), model_detail(n), false};
    case ast::nt_param: return symbol_shape{kind_variable, n.get_value(), ".param", false};
    case ast::nt_section: return symbol_shape{kind_namespace, n.get_value(), ".section", true};
    case ast::nt_condition: return symbol_shape{kind_package, n.get_value(), ".if", true};
    case ast::nt_include: {
        const ast::node* section = nullptr;
        for (const ast::node* c : n.get_children())
            if (c->get_type() == ast::nt_param && c->get_value() == "section") section = c;
        std::string detail = ".include";
        if (section && section->has_children()) detail += " section " + section->get_children().front()->get_value();
        return symbol_shape{kind_file, n.get_value(), detail, false};  // shortened by the builder
    }
    case ast::nt_instance:
        if (in_subckt) return symbol_shape{kind_object, n.get_value(), child_value(n, ast::nt_master), false};
        return std::nullopt;
    default: return std::nullopt;
    }
}

// The last line of a statement and of the statements in it (a section's
// place is its first line only).
std::uint64_t last_line_below(const ast::node& n, const std::string& path) {
    std::uint64_t last = where(n) ? where(n)->get_last_line() : 0;
    walk(n, [&](const ast::node& c, const std::vector<const ast::node*>&) {
        if (const auto* w = where(c); w && w->get_filename() == path) last = std::max(last, w->get_last_line());
        return c.get_type() != ast::nt_include;
    });
    return last;
}

class outline_builder {
public:
    explicit outline_builder(const feature_context& ctx) : ctx_(ctx) {}

    nlohmann::json symbols_below(const ast::node& parent, bool in_subckt) {
        nlohmann::json out = nlohmann::json::array();
        for (const ast::node* c : parent.get_children()) add(*c, in_subckt, out);
        return out;
    }

private:
    void add(const ast::node& n, bool in_subckt, nlohmann::json& out) {
        const auto* w = where(n);
        if (!w) {
            // Bodies without a place of their own (if and else branches).
            if (n.get_type() == ast::nt_if_body || n.get_type() == ast::nt_else)
                for (auto& s : symbols_below(n, in_subckt)) out.push_back(std::move(s));
            return;
        }
        if (w->get_filename() != ctx_.parsed.path) return;
        auto shape = shape_of(n, in_subckt);
        if (!shape) return;
        if (n.get_type() == ast::nt_include) shape->name = relative_name(shape->name);
        lsp_range range = place_of(ctx_, *w).range;
        if (shape->nested) range = joined(range, whole_statement(n, range));
        nlohmann::json children = shape->nested
                                      ? symbols_below(n, in_subckt || n.get_type() == ast::nt_subckt)
                                      : nlohmann::json::array();
        for (const auto& c : children) range = joined(range, range_from(c["range"]));
        nlohmann::json s{{"name", shape->name.empty() ? std::string("(unnamed)") : shape->name},
                         {"kind", shape->kind},
                         {"range", to_json(range)},
                         {"selectionRange", to_json(first_line_of(range))}};
        if (!shape->detail.empty()) s["detail"] = shape->detail;
        if (!children.empty()) s["children"] = std::move(children);
        out.push_back(std::move(s));
    }

    // The range down to the last statement inside (a section's own place is
    // its first line).
    lsp_range whole_statement(const ast::node& n, const lsp_range& own) const {
        const std::uint64_t last = last_line_below(n, ctx_.parsed.path);
        if (last == 0 || last - 1 <= own.end.line) return own;
        const std::string_view line = ctx_.parsed.lines.line(*ctx_.parsed.text, static_cast<std::size_t>(last - 1));
        return {own.start, {last - 1, units_of(line, line.size(), ctx_.encoding)}};
    }

    // An included file's name as seen from the document's folder.
    std::string relative_name(const std::string& file) const {
        const std::string& doc = ctx_.parsed.path;
        const std::string folder = doc.substr(0, doc.find_last_of('/') + 1);
        if (!folder.empty() && file.size() > folder.size() && file.compare(0, folder.size(), folder) == 0)
            return file.substr(folder.size());
        return file;
    }

    static lsp_range range_from(const nlohmann::json& j) {
        return {position_from_json(j["start"]), position_from_json(j["end"])};
    }

    // The statement's first line: where an editor puts the name.
    lsp_range first_line_of(const lsp_range& r) const {
        if (r.end.line == r.start.line) return r;
        const std::string_view line = ctx_.parsed.lines.line(*ctx_.parsed.text, static_cast<std::size_t>(r.start.line));
        return {r.start, {r.start.line, std::max(r.start.character, units_of(line, line.size(), ctx_.encoding))}};
    }

    const feature_context& ctx_;
};

}  // namespace

nlohmann::json document_symbols(const feature_context& ctx) {
    return outline_builder(ctx).symbols_below(*ctx.parsed.parse.root, false);
}

nlohmann::json folding_ranges(const feature_context& ctx) {
    nlohmann::json out = nlohmann::json::array();
    walk(*ctx.parsed.parse.root, [&](const ast::node& n, const std::vector<const ast::node*>&) {
        if (n.get_type() == ast::nt_include) return false;
        const auto type = n.get_type();
        if (type != ast::nt_subckt && type != ast::nt_condition && type != ast::nt_section) return true;
        const auto* w = where(n);
        if (!w || w->get_filename() != ctx.parsed.path) return true;
        const std::uint64_t last = last_line_below(n, ctx.parsed.path);
        if (last <= w->get_first_line()) return true;
        out.push_back({{"startLine", w->get_first_line() - 1}, {"endLine", last - 1}, {"kind", "region"}});
        return true;
    });
    return out;
}

}  // namespace korvex3_lsp
