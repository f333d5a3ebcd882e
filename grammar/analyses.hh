#pragma once
// Primary analyses (.AC, .DC, .OP, .TRAN) and the pieces every analysis
// shares: sweep types, option nodes, initial-condition files, sweep fragments
// merged through the host, generic sweeps and named positional values.
#include <initializer_list>

#include "grammar/tree.hh"

namespace quarry_parser_implementation::analyses {

using tree::node;

/// A fixed word as an owned text (a keyword that stands for a name).
text_ptr word(const char* text);

// ---- shared pieces ---------------------------------------------------------------

/// nt_param "type" over nt_string `type`.
node_ptr sweep_type(const char* type);
/// nt_string "ignore", "warn" or "error".
node_ptr error_type(const char* type);
/// nt_param with the lower-cased name over the value.
node_ptr free_option(text_ptr name, node_ptr value);
/// nt_param "accuracy" over nt_string with the lower-cased level.
node_ptr accuracy(text_ptr level);
/// nt_param `name` over nt_string with the file name without its quotes.
node_ptr file_option(korvex3_driver& d, const char* name, text_ptr file);
/// nt_param "initerror" over the error type.
node_ptr initerror(node_ptr type);
/// RDINIT: a container of nt_param "rdinit" and the nt_include of the file.
/// The file is read when its statement is complete (see finish()).
node_ptr initial_conditions(korvex3_driver& d, text_ptr file);

/// Each value of the list as a named value under the next name; surplus values are dropped.
void name_by_position(node& target, node_ptr values, std::initializer_list<const char*> names);
/// Each value of the list as named value "point_<k>", k from 1.
void add_points(node& target, node_ptr values);
/// An nt_analysis named `name`.
node_ptr analysis(const char* name);
/// Reads the initial-condition files the analysis names (among its children
/// and inside its containers), reporting a refused one at `loc`, and gives
/// the analysis its location.
node_ptr finish(korvex3_driver& d, node_ptr analysis, const location& loc);

// ---- sweep fragments ----------------------------------------------------------------

/// Role 0: an option, or a container of several.
sweep_param_ptr option_record(node_ptr option);
/// Role 1: nt_param `name` over the value.
sweep_param_ptr setting_record(const char* name, node_ptr value);
/// Role 2: the swept variable of nt_sweep_type `type` (null name: "temp").
sweep_param_ptr variable_record(const char* type, text_ptr name);
/// Role 3: a single frequency point.
sweep_param_ptr frequency_record(node_ptr value);
sweep_params_ptr sweep_set();
/// Merges the fragment into the set through the host.
sweep_params_ptr merge(korvex3_driver& d, sweep_params_ptr set, sweep_param_ptr param);

// ---- generic sweeps ------------------------------------------------------------------

node_ptr generic_sweep(node_ptr params);
/// Appends an item; a point list's entries join the list directly.
node_ptr generic_params(node_ptr list, node_ptr item);
/// nt_param "type" over nt_string with the lower-cased identifier.
node_ptr generic_type(text_ptr type);
node_ptr sweep_target(text_ptr name);
node_ptr variable_type(text_ptr type);
node_ptr variable_type(const char* type);
/// nt_point_list "" with one "point_<k>" named value per value.
node_ptr point_list(node_ptr values);

// ---- frequency-swept analyses: .AC, .NOISE, .STB, .XF ------------------------------------

/// The sweep from the set (with "freq" unless a variable was named), the type,
/// the values as "np", "start", "stop" (none when null), then the extra sweep
/// and the options.
node_ptr swept(korvex3_driver& d, const char* name, node_ptr type, node_ptr values, sweep_params_ptr set,
               const location& loc);
/// The same after merging the first fragment into the set, behind the others.
node_ptr swept_after(korvex3_driver& d, const char* name, node_ptr type, sweep_param_ptr first, sweep_params_ptr set,
                     const location& loc);
/// A new frequency sweep with "np", "start", "stop"; then the set's extra sweep
/// and options when there is a set.
node_ptr fixed(korvex3_driver& d, const char* name, node_ptr type, node_ptr np, node_ptr start, node_ptr stop,
               sweep_params_ptr set, const location& loc);
/// The sweep from the set with "type" "points", "np" and the points.
node_ptr points(korvex3_driver& d, const char* name, node_ptr count, node_ptr values, sweep_params_ptr set,
                const location& loc);
/// The generic sweeps, then the set's options.
node_ptr generic(korvex3_driver& d, const char* name, node_ptr sweeps, sweep_params_ptr set, const location& loc);

// ---- .DC, .OP, .TRAN -------------------------------------------------------------------

node_ptr dc(korvex3_driver& d, node_ptr sweeps, node_ptr options, const location& loc);
node_ptr dc_linear(text_ptr name, node_ptr start, node_ptr stop, node_ptr step);
node_ptr dc_typed(text_ptr name, node_ptr type, node_ptr np, node_ptr start, node_ptr stop);
node_ptr dc_points(text_ptr name, node_ptr count, node_ptr values);
/// The sweep with named value "hyst" 1.
node_ptr hysteresis(node_ptr sweep);
node_ptr op(korvex3_driver& d, node_ptr params, const location& loc);
node_ptr tran(korvex3_driver& d, node_ptr values, node_ptr params, const location& loc);
/// Appends an item; an unnamed container's entries join the list directly.
node_ptr merge_block(node_ptr list, node_ptr item);
/// A container: "<name>_np" with the count, then "<name><k>" per value.
node_ptr numbered(const char* name, node_ptr values);

}  // namespace quarry_parser_implementation::analyses
