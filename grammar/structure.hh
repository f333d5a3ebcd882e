#pragma once
// Netlist structure: title, bodies, sections, .RERUN/.MODIFY blocks,
// conditionals, subcircuits and their instances, .INCLUDE and .LOAD.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::structure {

using tree::node;

/// A statement joins the root node; a container hands over its statements.
void adopt(korvex3_driver& d, node_ptr n);
template <typename... Nodes>
void adopt(korvex3_driver& d, node_ptr first, node_ptr second, Nodes... rest) {
    adopt(d, std::move(first));
    adopt(d, std::move(second), std::move(rest)...);
}
/// Reports a netlist with both .RERUN and .MODIFY blocks.
void both_blocks(korvex3_driver& d, const location& loc);
/// nt_title with the title text.
node_ptr title(text_ptr text);
/// Reports an unsupported dot command.
void unsupported(korvex3_driver& d, text_ptr text, const location& loc);

/// nt_section; tells the host where the section starts.
node_ptr section(korvex3_driver& d, text_ptr name, const location& loc);
void end_section(korvex3_driver& d);
void end_section(korvex3_driver& d, text_ptr name, const location& loc);

/// nt_alter with the title (or "") over a marker of the given kind.
node_ptr alter(text_ptr title, quarry::ast::et_node_type marker, const location& loc);
/// The body's statements (if any) move under the block head, located over the whole block.
node_ptr block(node_ptr head, node_ptr body, const location& loc);

/// nt_condition with the prepared expression, located at it.
node_ptr condition(korvex3_driver& d, text_ptr expression, const location& loc);
node_ptr if_body();
/// The body (and an else body, retyped to nt_else) joins the condition.
node_ptr branch(node_ptr condition, node_ptr body, node_ptr else_body = nullptr);
/// The body joins the condition; the next condition sits under an nt_else "".
node_ptr chain(node_ptr condition, node_ptr body, node_ptr next);

/// nt_subckt with one pin per name (none when `names` is null) and the parameters.
node_ptr subckt(text_ptr name, node_ptr names, node_ptr params, const location& loc);
/// A subcircuit instance; parameters whose name holds "model" take expressions as plain values.
node_ptr instance(text_ptr name, node_ptr pins, text_ptr master, node_ptr params, const location& loc);

/// nt_include over the body the host parses the file into, then the parameters.
node_ptr include(korvex3_driver& d, text_ptr file, node_ptr params, const location& loc);
/// nt_param "section" over the environment-expanded name.
node_ptr include_section(text_ptr name);
/// nt_hdl_file with the options the two parameter lists ask for.
node_ptr load(text_ptr file, node_ptr before, node_ptr after, const location& loc);

}  // namespace quarry_parser_implementation::structure
