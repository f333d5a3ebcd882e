#pragma once
// Circuit settings: parameters, temperature, global nets, options, initial
// conditions, node-set hints, forced values and device defaults.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::settings {

using tree::node;

/// nt_param name over the value, located: .PARAM and .TEMP.
node_ptr param(text_ptr name, node_ptr value, const location& loc);
node_ptr param(const char* name, node_ptr value, const location& loc);
/// nt_global over the names, located.
node_ptr global(node_ptr names, const location& loc);

/// nt_option with the lower-cased name over the value (a flag without one
/// holds 1); a word value is a string.
node_ptr option(text_ptr name, node_ptr value);
/// nt_option over nt_string piece + name: a path option.
node_ptr option_path(text_ptr name, text_ptr piece, text_ptr path);

/// nt_param name over the value: one node/value pair.
node_ptr pair(text_ptr name, node_ptr value);
/// A node of `kind` over the pairs: a container's entries, or one pair.
node_ptr values(quarry::ast::et_node_type kind, node_ptr pairs);
/// nt_ic over the list, located: .IC.
node_ptr ic(node_ptr values, const location& loc);
/// nt_ic over the groups, located: .FORCE.
node_ptr force(node_ptr groups, const location& loc);
/// nt_nodeset over the pairs, located.
node_ptr nodeset(node_ptr pairs, const location& loc);
/// nt_nodeset over the analysis, the first pair and the further pairs, located: .INITIAL.
node_ptr initial(node_ptr analysis, node_ptr first, node_ptr rest, const location& loc);
node_ptr initial_analysis(const char* analysis);

/// nt_param device over nt_param "level" over the value.
node_ptr default_level(const char* device, node_ptr level);
/// nt_param name over the values of the list.
node_ptr values_param(text_ptr name, node_ptr values);
/// Reports .DEFAULT as unsupported; nt_unsupported "default" over the device
/// type and the value, or the type and the list's pairs.
node_ptr device_default(korvex3_driver& d, node_ptr type, node_ptr value, const location& loc);
node_ptr device_default_pairs(korvex3_driver& d, node_ptr type, node_ptr pairs, const location& loc);

}  // namespace quarry_parser_implementation::settings
