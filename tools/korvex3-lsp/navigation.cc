// Go to definition and hover: from an instance to its subcircuit or model,
// from an include line to the file (and its section).
#include <filesystem>
#include <regex>

#include "quarry/language/language.hh"
#include "statement_at.hh"
#include "uri.hh"

namespace korvex3_lsp {

namespace {

namespace ast = quarry::ast;

// The definition an instance names: a model for devices with a model
// name, a subcircuit otherwise.
const ast::node* master_definition(const feature_context& ctx, const statement_hit& hit) {
    const ast::node& n = *hit.statement;
    const std::string master = child_value(n, ast::nt_master);
    const std::string kind = child_value(n, ast::nt_master_kind);
    if (master.empty() || kind == "device") return nullptr;
    return find_definition(ctx, kind == "model" ? ast::nt_model : ast::nt_subckt, master, hit.ancestors);
}

// Whether the cursor is on the instance's master name (not its own name or a pin).
bool on_master_name(const feature_context& ctx, const statement_hit& hit, const lsp_position& at) {
    const word_hit w = word_at(ctx, at);
    const std::string master = child_value(*hit.statement, ast::nt_master);
    const auto* place = where(*hit.statement);
    const bool statement_start = place && at.line + 1 == place->get_first_line() && w.first_on_line;
    return !w.text.empty() && !statement_start && lower(w.text) == master;
}

// The file an include statement read: where its first statement is, else
// the path resolved as the parser does (the document's folder first).
std::string included_file(const feature_context& ctx, const ast::node& include) {
    std::string found;
    walk(include, [&](const ast::node& n, const std::vector<const ast::node*>&) {
        if (!found.empty()) return false;
        if (const auto* w = where(n)) {
            found = w->get_filename();
            return false;
        }
        return true;
    });
    if (!found.empty()) return normal_path(found);
    const std::filesystem::path written(include.get_value());
    if (written.is_absolute()) return normal_path(written.string());
    return normal_path((std::filesystem::path(ctx.parsed.path).parent_path() / written).string());
}

std::string section_of(const ast::node& include) {
    for (const ast::node* c : include.get_children())
        if (c->get_type() == ast::nt_param && c->get_value() == "section" && c->has_children())
            return c->get_children().front()->get_value();
    return "";
}

// The line of ".section NAME" in the text, or 0 (the file's start).
std::uint64_t section_line(const std::string& text, const std::string& section) {
    const std::regex header("^[ \\t]*\\.section[ \\t]+['\"]?" + std::regex_replace(section, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                                "['\"]?[ \\t\\r]*$",
                            std::regex::icase);
    const line_index lines(text);
    for (std::size_t i = 0; i < lines.line_count(); ++i) {
        const std::string_view line = lines.line(text, i);
        if (std::regex_match(line.begin(), line.end(), header)) return i;
    }
    return 0;
}

nlohmann::json include_target(const feature_context& ctx, const ast::node& include) {
    const std::string file = included_file(ctx, include);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return nullptr;
    std::uint64_t line = 0;
    const std::string section = section_of(include);
    if (!section.empty())
        if (const auto text = ctx.text_of ? ctx.text_of(file) : nullptr) line = section_line(*text, section);
    return location_json({uri_of_path(file), {{line, 0}, {line, 0}}});
}

}  // namespace

nlohmann::json definition(const feature_context& ctx, const lsp_position& at) {
    const statement_hit hit = statement_at(ctx, at.line);
    if (!hit.statement) return nullptr;
    if (hit.statement->get_type() == ast::nt_include) return include_target(ctx, *hit.statement);
    if (hit.statement->get_type() != ast::nt_instance || !on_master_name(ctx, hit, at)) return nullptr;
    const ast::node* target = master_definition(ctx, hit);
    if (!target || !where(*target)) return nullptr;
    return location_json(place_of(ctx, *where(*target)));
}

namespace {

std::string pin_list(const ast::node& n) {
    std::string pins;
    for (const ast::node* c : n.get_children())
        if (c->get_type() == ast::nt_pin && c->has_children())
            pins += (pins.empty() ? "" : " ") + c->get_children().front()->get_value();
    return pins;
}

std::string param_list(const ast::node& n) {
    std::string params;
    for (const ast::node* c : n.get_children()) {
        if (c->get_type() != ast::nt_param || where(*c)) continue;
        std::string text = c->get_value();
        if (c->has_children()) text += "=" + c->get_children().front()->get_value();
        params += (params.empty() ? "" : " ") + text;
    }
    return params;
}

std::string defined_at(const ast::node& n) {
    const auto* w = where(n);
    if (!w) return "";
    const std::string file = w->get_filename();
    return "\n\nDefined in `" + file.substr(file.find_last_of('/') + 1) + "` line " +
           std::to_string(w->get_first_line()) + ".";
}

std::string subckt_text(const ast::node& s) {
    std::string text = "**subcircuit** `" + s.get_value() + "`\n\npins: `" + pin_list(s) + "`";
    const std::string params = param_list(s);
    text += params.empty() ? "\n\nno parameters" : "\n\nparameters: `" + params + "`";
    return text + defined_at(s);
}

const quarry::language::device* described(const std::string& name) {
    const auto& languages = quarry::language::framework::instance();
    if (!languages.has_language("korvex3")) return nullptr;
    const auto& devices = languages.get_language("korvex3").get_devices();
    const auto it = devices.find(name);
    return it == devices.end() ? nullptr : &it->second;
}

std::string join(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

std::string device_text(const std::string& name) {
    std::string text;
    const auto* d = described(name);
    if (!d) return text;
    text += "\n\ndevice `" + name + "`: pins `" + join(d->pins) + "`";
    if (!d->optional_pins.empty()) text += ", optional `" + join(d->optional_pins) + "`";
    return text;
}

std::string model_text(const ast::node& m) {
    const std::string device = child_value(m, ast::nt_model_device);
    const std::string polarity = child_value(m, ast::nt_polarity);
    std::string level = child_value(m, ast::nt_model_level);
    const auto* d = described(device);
    if (level.empty() && d) level = d->default_level;
    std::string text = "**model** `" + m.get_value() + "`\n\ntype: " + (device.empty() ? "?" : device);
    if (!polarity.empty()) text += " (" + polarity + ")";
    if (!level.empty()) text += ", level " + level;
    if (d && !level.empty()) {
        const auto it = d->level_map.find(level);
        if (it != d->level_map.end()) text += " (" + it->second + ")";
    }
    return text + device_text(device) + defined_at(m);
}

std::string instance_text(const feature_context& ctx, const statement_hit& hit) {
    const ast::node& n = *hit.statement;
    const std::string master = child_value(n, ast::nt_master);
    const std::string kind = child_value(n, ast::nt_master_kind);
    std::string head = "element `" + n.get_value() + "`";
    if (kind == "device") return head + ": device `" + master + "`" + device_text(master);
    const ast::node* target = master_definition(ctx, hit);
    if (!target) return head + ": " + (kind == "model" ? "model" : "subcircuit") + " `" + master + "` is not defined";
    return head + "\n\n" + (kind == "model" ? model_text(*target) : subckt_text(*target));
}

}  // namespace

nlohmann::json hover(const feature_context& ctx, const lsp_position& at) {
    const statement_hit hit = statement_at(ctx, at.line);
    if (!hit.statement) return nullptr;
    const ast::node& n = *hit.statement;
    std::string text;
    switch (n.get_type()) {
    case ast::nt_instance: text = instance_text(ctx, hit); break;
    case ast::nt_subckt: text = subckt_text(n); break;
    case ast::nt_model: text = model_text(n); break;
    case ast::nt_include: text = "**include** `" + included_file(ctx, n) + "`"; break;
    default: return nullptr;
    }
    nlohmann::json result{{"contents", {{"kind", "markdown"}, {"value", text}}}};
    if (const auto* w = where(n)) result["range"] = to_json(place_of(ctx, *w).range);
    return result;
}

}  // namespace korvex3_lsp
