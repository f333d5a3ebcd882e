#pragma once
// Statistics, tolerances, scaling and ageing: Monte Carlo settings, mismatch
// declarations, model selection, subcircuit tolerances, scaling and ageing.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::statistics {

using quarry::ast::et_node_type;

/// nt_param `name` over nt_integer with the number as written.
node_ptr integer_param(const char* name, text_ptr number);
/// nt_param "runs" over the run list joined with commas.
node_ptr runs(node_ptr ids);

/// nt_mismatch "" over nt_param name over nt_string with the lower-cased kind.
node_ptr mismatch(text_ptr name, text_ptr kind, const location& loc);
/// nt_mismatch_param name over nt_param parameter over the value.
node_ptr mismatch_param(text_ptr name, text_ptr parameter, node_ptr value, const location& loc);

/// nt_mselect model over nt_string selected; `more` adds a further name and
/// moves the end of the location to it.
node_ptr mselect(text_ptr model, text_ptr selected, const location& loc);
node_ptr mselect_more(node_ptr mselect, text_ptr selected, const location& loc);

/// The positional .SUBTOL: a container of one nt_subtol per (name, tolerance)
/// pair; null after reporting an odd count.
node_ptr positional_subtol(korvex3_driver& d, node_ptr values, const location& loc);

/// nt_unsupported "subtab" with the names and parameters, after a warning.
node_ptr subtab(korvex3_driver& d, node_ptr names, node_ptr params, const location& loc);

/// A .SCALE class node: `kind` with the class text, then the polarity, then
/// the level (the value's text when given, else `level` when not null).
node_ptr scale_type(et_node_type kind, const char* cls, const char* polarity = nullptr,
                    const char* level = nullptr, node_ptr level_value = nullptr);
/// The class node with its pairs and its selection (when there is one).
node_ptr scale(node_ptr type, node_ptr pairs, node_ptr selection, const location& loc);
/// An element class with a MODELS list: nt_scale with the pairs and nt_scale_selection.
node_ptr scale_models(node_ptr type, node_ptr pairs, node_ptr selectors, const location& loc);
/// nt_scale_selection or nt_scale_exclusion holding the selectors.
node_ptr selection(et_node_type kind, node_ptr selectors);
/// Appends a selector, or the selectors a bus gives.
node_ptr selectors(node_ptr list, node_ptr item);
node_ptr scale_name(text_ptr name);
/// One nt_scale_name per bus member, in a container.
node_ptr scale_names(texts members);
/// A wildcard or regular-expression selector: prepared, then lower-cased.
node_ptr scale_pattern(korvex3_driver& d, et_node_type kind, text_ptr expression);

}  // namespace quarry_parser_implementation::statistics
