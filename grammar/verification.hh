#pragma once
// Verification and mixed-signal control: .HDL, .EXPAND, the assertion
// statements and .REPORT, and the statements read but not translated
// (.CHAR, .CHECK, .MONITOR, .REPLACE, .WARN).
#include "grammar/tree.hh"

namespace quarry_parser_implementation::verification {

using quarry::ast::et_node_type;

/// A statement node of `kind` with the text as it is, holding the list's
/// items when there is a list.
node_ptr statement(et_node_type kind, text_ptr value, node_ptr items, const location& loc);

// ---- .HDL ------------------------------------------------------------------------------------

/// nt_hdl_file with the file name without its quotes.
node_ptr hdl_file(korvex3_driver& d, text_ptr file, node_ptr params, const location& loc);
/// nt_hdl_supply `which` holding the entries.
node_ptr supply(const char* which, node_ptr entries);
/// nt_hdl_supply `which` over nt_string name.
node_ptr default_supply(const char* which, text_ptr name);
node_ptr digital_wrapper(text_ptr name);
/// nt_param name over nt_string value ("" without one); texts as they are.
node_ptr pair(text_ptr name, text_ptr value);
/// nt_param `name` over nt_bool with the text.
node_ptr bool_param(const char* name, text_ptr text);
/// Adds nt_param (lower-cased option name) over nt_string (options without quotes).
node_ptr option(korvex3_driver& d, node_ptr list, text_ptr name, text_ptr options);

// ---- .EXPAND ---------------------------------------------------------------------------------

/// A node of `kind` with value "" holding the items.
node_ptr group(et_node_type kind, node_ptr items);
/// nt_param named by the parameter over nt_string with the lower-cased name.
node_ptr map_name(text_ptr parameter, text_ptr name);
/// nt_string with the text as it is.
node_ptr string_value(text_ptr text);

// ---- statements read but not translated ----------------------------------------------------------

/// Warns, and builds nt_unsupported `keyword` holding the items (when any).
node_ptr unsupported(korvex3_driver& d, const char* keyword, const char* message, node_ptr items,
                     const location& loc);
/// Warns about .CHAR, which builds nothing.
void char_statement(korvex3_driver& d, const location& loc);
/// nt_param "check_startstop_vals_op" over the start and stop values.
node_ptr check_range(node_ptr start, node_ptr stop);
/// nt_param `name` holding the limits, then the warning flag (when given).
node_ptr check_limits(const char* name, node_ptr limits, node_ptr flag);
/// nt_param name over nt_integer with the number as written.
node_ptr category(text_ptr name, text_ptr number);
/// The operands before a .REPLACE parameter list, in order: types as they
/// are, names as nt_string.
node_ptr replace_head(node_ptr type1, text_ptr name1 = nullptr, node_ptr type2 = nullptr,
                      text_ptr name2 = nullptr, node_ptr pinmap = nullptr);
/// Warns, and builds nt_unsupported "replace" with the operands, the
/// parameters and the selections (`params` may be null).
node_ptr replace(korvex3_driver& d, node_ptr head, node_ptr params, node_ptr selects, const location& loc);
/// nt_param "all" over the pattern, then nt_param "except" over the second one.
node_ptr all_except(node_ptr pattern, node_ptr except);

}  // namespace quarry_parser_implementation::verification
