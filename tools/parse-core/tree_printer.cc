#include "tree_printer.hh"

#include <cstdio>
#include <utility>
#include <vector>

#include "nimbus/output.hh"
#include "quarry/parser/info.hh"

namespace quarry_parse {

std::string kind_name(quarry::ast::et_node_type type) {
    if (const char* name = quarry::ast::node_type_name(type)) return name;
    return "nt_" + std::to_string(static_cast<unsigned>(type));
}

void print_tree(const quarry::ast::node& root, std::ostream& out) {
    // An explicit stack: deeply nested input must not exhaust the call stack.
    std::vector<std::pair<const quarry::ast::node*, std::size_t>> pending;
    const auto push_children = [&pending](const quarry::ast::node& n, std::size_t depth) {
        const auto& children = n.get_children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, depth);
    };
    push_children(root, 0);
    while (!pending.empty()) {
        const auto [n, depth] = pending.back();
        pending.pop_back();
        out << std::string(2 * depth, ' ');
        if (n == nullptr) {
            out << "<null>\n";
            continue;
        }
        out << kind_name(n->get_type()) << " \"" << nimbus::output::c_escape(n->get_value()) << '"';
        if (const auto* record = n->get_parser_info()) out << " @" << record->format_info();
        out << '\n';
        push_children(*n, depth + 1);
    }
}

}  // namespace quarry_parse
