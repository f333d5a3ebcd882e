#include "json_printer.hh"

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

json node_json(const quarry::ast::node& n) {
    json out = json::object();
    out["kind"] = kind_name(n.get_type());
    out["value"] = n.get_value();
    json location = location_json(n.get_parser_info());
    if (!location.is_null()) out["location"] = std::move(location);
    if (n.has_children()) out["children"] = tree_json(n);
    return out;
}

json tree_json(const quarry::ast::node& root) {
    json children = json::array();
    for (const auto* child : root.get_children()) children.push_back(child ? node_json(*child) : json(nullptr));
    return children;
}

json diagnostic_json(const quarry::parser::diagnostic& d) {
    json out = json::object();
    out["severity"] = severity_name(d.level);
    out["message"] = d.message;
    out["location"] = location_json(d.where.get());
    out["id"] = d.id.empty() ? json(nullptr) : json(d.id);
    return out;
}

json document_json(const std::string& file, const std::string& language, bool ok,
                   const std::vector<quarry::parser::diagnostic>& diagnostics, const quarry::ast::node& root) {
    json out = json::object();
    out["file"] = file;
    out["language"] = language;
    out["ok"] = ok;
    json reports = json::array();
    for (const auto& d : diagnostics) reports.push_back(diagnostic_json(d));
    out["diagnostics"] = std::move(reports);
    out["tree"] = tree_json(root);
    return out;
}

std::string dump(const json& document) {
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace quarry_parse
