#pragma once
// Output requests: .PUNCH and its output variables, .MEASURE, and the
// statements read but not translated (.PRINT, .WIDTH, .ECHO).
//
// Output variables travel in unnamed containers three levels deep: a value
// holds groups, a group holds the named entries of one requested signal. A
// signal, before it becomes a group, holds "match"-like entries followed by
// nt_output_signal nodes for the words after its commas.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::outputs {

// ---- statements --------------------------------------------------------------

/// One nt_output per group of the list, tagged with the prepared analysis;
/// with an except list each output also gets the exclusions of its type.
node_ptr punch(korvex3_driver& d, text_ptr analysis, node_ptr list, node_ptr except_list, const location& loc);
/// .PUNCH without variables: an empty container.
node_ptr punch(const location& loc);
/// Warns that .PRINT is not supported; nt_unsupported "print".
node_ptr print(korvex3_driver& d, const location& loc);
/// nt_unsupported `what`, without a location.
node_ptr unsupported(const char* what);

// ---- output variables ------------------------------------------------------------

/// nt_param "type" over nt_string `name`.
node_ptr type(const char* name);
node_ptr type(text_ptr name);
/// nt_param "match" over nt_string `name`.
node_ptr match(const char* name);
node_ptr match(text_ptr name);

/// A signal of one entry: "match" over the lower-cased name, or `entry`.
node_ptr named_signal(text_ptr name);
node_ptr signal(node_ptr entry);
/// "match" over head[index] or head[index]tail, lower-cased.
node_ptr indexed_signal(text_ptr head, text_ptr open, text_ptr index, text_ptr close, text_ptr tail = nullptr);
/// The match, then "matchtype" "model".
node_ptr model_signal(node_ptr match);
/// "match" over keyword(number).
node_ptr numbered_signal(node_ptr match, text_ptr number);
/// "match" over the prepared, lower-cased pattern, then "matchtype".
node_ptr pattern_signal(korvex3_driver& d, text_ptr pattern, const char* matchtype);
/// TOP(n) and TOP(name, n).
node_ptr top(text_ptr name, text_ptr n);
/// TOPX(n) and TOPX(name, n): counted from 0, or the hierarchy's start for 0.
node_ptr topx(text_ptr name, text_ptr n);
/// Appends nt_output_signal with the lower-cased word, bracketed name or keyword.
node_ptr extend_word(node_ptr signal, text_ptr word);
node_ptr extend_keyword(node_ptr signal, node_ptr keyword);
node_ptr extend_indexed(node_ptr signal, text_ptr head, text_ptr open, text_ptr index, text_ptr close);

/// TYPE(signals): one group per signal.
node_ptr typed_signals(node_ptr type, node_ptr signals);
/// A noise or gain output without modifiers.
node_ptr no_mods(node_ptr type);
/// TYPE, signal: the type with the signal's words as modifiers.
node_ptr typed_modifiers(node_ptr type, node_ptr signal);
/// DV(signal)/D(signal).
node_ptr derivative(node_ptr dv, node_ptr d);
/// "expr" over the prepared expression, located at it.
node_ptr expression(korvex3_driver& d, text_ptr text, const location& loc);
/// "alias", then the entries of the value's first group.
node_ptr alias(text_ptr alias, node_ptr value);
/// A bare type as a value of one group.
node_ptr bare_type(node_ptr type);

/// ALL(...), ALLX(...) and EXCEPT(...) over a list of values.
node_ptr all(node_ptr values);
node_ptr allx(node_ptr values);
node_ptr except(node_ptr values);

// ---- .MEASURE ------------------------------------------------------------------------

node_ptr measure(text_ptr name, node_ptr params, const location& loc);
/// Appends a parameter, or merges a braced argument list.
node_ptr measure_params(node_ptr list, node_ptr item);
/// nt_param named by the lower-cased identifier, over the value.
node_ptr measure_param(text_ptr name, node_ptr value);
/// nt_param field[index], lower-cased, over the value.
node_ptr measure_param(text_ptr field, text_ptr index, node_ptr value);
/// nt_param "analysis" over every value of the list.
node_ptr measure_analysis(node_ptr values);
/// The arguments with `prefix` before each name, marked for merging.
node_ptr measure_args(const char* prefix, node_ptr args);

}  // namespace quarry_parser_implementation::outputs
