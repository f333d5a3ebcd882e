#include "json_printer.hh"

#include <utility>
#include <vector>

#include "quarry/parser/info.hh"
#include "tree_printer.hh"

namespace quarry_parse {

const char* severity_name(quarry::parser::severity level) {
    switch (level) {
    case quarry::parser::severity::error: return "error";
    case quarry::parser::severity::warning: return "warning";
    case quarry::parser::severity::info: return "info";
    }
    return "error";
}

json location_json(const quarry::parser::info* record) {
    const auto* netlist = dynamic_cast<const quarry::parser::info_netlist*>(record);
    if (netlist == nullptr) return nullptr;
    json location = json::object();
    location["file"] = netlist->get_filename();
    location["first_line"] = netlist->get_first_line();
    location["first_column"] = netlist->get_first_column();
    location["last_line"] = netlist->get_last_line();
    location["last_column"] = netlist->get_last_column();
    return location;
}

void write_tree(std::ostream& out, const quarry::ast::node& root) {
    using quarry::ast::node;
    // Each open node with the index of its next child.
    std::vector<std::pair<const node*, std::size_t>> open;
    const auto begin = [&](const node* n) {
        if (n == nullptr) {
            out << "null";
            return;
        }
        out << "{\"kind\":" << dump(json(kind_name(n->get_type()))) << ",\"value\":" << dump(json(n->get_value()));
        json location = location_json(n->get_parser_info());
        if (!location.is_null()) out << ",\"location\":" << dump(location);
        if (n->has_children()) {
            out << ",\"children\":[";
            open.emplace_back(n, 0);
        } else {
            out << '}';
        }
    };
    out << '[';
    open.emplace_back(&root, 0);
    while (!open.empty()) {
        auto& [n, next] = open.back();
        const auto children = n->get_children();
        if (next == children.size()) {
            out << (open.size() == 1 ? "]" : "]}");
            open.pop_back();
            continue;
        }
        if (next > 0) out << ',';
        begin(children[next++]);
    }
}

json diagnostic_json(const quarry::parser::diagnostic& d) {
    json out = json::object();
    out["severity"] = severity_name(d.level);
    out["message"] = d.message;
    out["location"] = location_json(d.where.get());
    out["id"] = d.id.empty() ? json(nullptr) : json(d.id);
    // Only on the reports of checks, so that plain documents stay as they were.
    if (!d.flag.empty()) out["flag"] = d.flag;
    return out;
}

namespace {

// The document up to its last key: `{"file":...,"diagnostics":[...],"KEY":`.
std::string document_head(const std::string& file, const std::string& language, bool ok,
                          const std::vector<quarry::parser::diagnostic>& diagnostics, const char* last_key) {
    json head = json::object();
    head["file"] = file;
    head["language"] = language;
    head["ok"] = ok;
    json reports = json::array();
    for (const auto& d : diagnostics) reports.push_back(diagnostic_json(d));
    head["diagnostics"] = std::move(reports);
    std::string text = dump(head);
    text.pop_back();  // the closing brace: the last key follows
    return text + ",\"" + last_key + "\":";
}

}  // namespace

void write_document(std::ostream& out, const std::string& file, const std::string& language, bool ok,
                    const std::vector<quarry::parser::diagnostic>& diagnostics, const quarry::ast::node* root) {
    out << document_head(file, language, ok, diagnostics, "tree");
    if (root)
        write_tree(out, *root);
    else
        out << "null";
    out << '}';
}

json token_json(const quarry::parser::token_view& token) {
    json t = json::object();
    t["kind"] = token.kind;
    t["value"] = token.value ? json(*token.value) : json(nullptr);
    t["location"] = location_json(token.where);
    return t;
}

void write_token_document(std::ostream& out, const std::string& file, const std::string& language, bool ok,
                          const std::vector<quarry::parser::diagnostic>& diagnostics, const std::string& tokens) {
    out << document_head(file, language, ok, diagnostics, "tokens") << tokens << '}';
}

std::string dump(const json& document) {
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace quarry_parse
