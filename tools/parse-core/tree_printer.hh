#pragma once
#include <ostream>
#include <string>
#include <string_view>

#include "quarry/ast/node.hh"

namespace quarry_parse {

/// The kind's nt_* name, or "nt_<number>" for a kind without one.
std::string kind_name(quarry::ast::et_node_type type);

/// Writes the children of root (not root itself), one line per node, depth
/// first, two spaces per level: <kind> "<value>"[ @<record>].
void print_tree(const quarry::ast::node& root, std::ostream& out);

}  // namespace quarry_parse
