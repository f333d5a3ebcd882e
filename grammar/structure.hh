#pragma once
// Netlist structure: title, bodies, sections, .RERUN/.MODIFY blocks,
// conditionals, subcircuits and their instances, .INCLUDE and .LOAD.
#include <initializer_list>
#include <string>

#include "tree.hh"

namespace quarry_parser_implementation::structure {

using tree::node;

/// A statement joins the root node; a container hands over its statements.
void adopt(korvex3_driver& d, node* n);
/// Reports a netlist with both .RERUN and .MODIFY blocks and deletes its nodes.
void both_blocks(korvex3_driver& d, const location& loc, std::initializer_list<node*> nodes);
/// nt_title with the title text.
node* title(std::string* text);
/// An element, model or parameter-set statement is complete: pins-dependent words are names again.
void pins_done(korvex3_driver& d);
/// Reports an unsupported dot command.
void unsupported(korvex3_driver& d, std::string* text, const location& loc);

/// nt_section; tells the host where the section starts.
node* section(korvex3_driver& d, std::string* name, const location& loc);
void end_section(korvex3_driver& d);
void end_section(korvex3_driver& d, std::string* name, const location& loc);

/// nt_alter with the title (or "") over a marker of the given kind.
node* alter(std::string* title, quarry::ast::et_node_type marker, const location& loc);
/// The body's statements move under the block head, located over the whole block.
node* block(node* head, node* body, const location& loc);

/// nt_condition with the prepared expression, located at it.
node* condition(korvex3_driver& d, std::string* expression, const location& loc);
node* if_body();
/// The body (and an else body, retyped to nt_else) joins the condition.
node* branch(node* condition, node* body, node* else_body = nullptr);
/// The body joins the condition; the next condition sits under an nt_else "".
node* chain(node* condition, node* body, node* next);

/// nt_subckt with one pin per name and the parameters.
node* subckt(std::string* name, node* names, node* params, const location& loc);
/// The .ENDS marker (never reaches the tree).
node* ends(std::string* name);
node* subckt_end(node* subckt, node* body, node* ends, const location& loc);
/// A subcircuit instance; parameters whose name holds "model" take expressions as plain values.
node* instance(std::string* name, node* pins, std::string* master, node* params, const location& loc);

/// nt_include over the body the host parses the file into, then the parameters.
node* include(korvex3_driver& d, std::string* file, node* params, const location& loc);
/// nt_param "section" over the environment-expanded name.
node* include_section(std::string* name);
/// nt_hdl_file with the options the two parameter lists ask for.
node* load(std::string* file, node* before, node* after, const location& loc);

}  // namespace quarry_parser_implementation::structure
