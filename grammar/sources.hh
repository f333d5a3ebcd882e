#pragma once
// Independent sources: nt_instance with two pins, the master "isource",
// "vsource" or "port", the leading dc/ac values and the parameters, one
// nt_function per waveform.
#include <cstddef>
#include <string>

#include "grammar/tree.hh"

namespace quarry_parser_implementation::sources {

using tree::node;

/// A waveform: its function name and the names of its values by position.
struct shape {
    const char* name;
    const char* const* positional;
    std::size_t count;
};
extern const shape pulse, sin, exp, sffm, pbit, ebit, am;

/// nt_instance with the pins, the master and "device"; the pins are complete.
node_ptr base(korvex3_driver& d, text_ptr name, node_ptr pins, const char* master);
/// The leading values as "dc", "acmag", "acphase", then the parameters; a
/// "num" parameter makes a voltage source a port.
node_ptr statement(node_ptr inst, node_ptr params, const location& loc, node_ptr dc = nullptr,
                   node_ptr acmag = nullptr, node_ptr acphase = nullptr);
/// Appends a parameter or waveform; empties a container of several into the list.
node_ptr add_param(node_ptr list, node_ptr item);
/// A container of two named values.
node_ptr pair(const char* first_name, node_ptr first, const char* second_name, node_ptr second);

/// nt_function of the shape: the values named by position (extra ones dropped),
/// then the keyword parameters. `values` may be null.
node_ptr waveform(const shape& s, node_ptr values, node_ptr params);
/// PW or PER given as PERIODIC.
node_ptr periodic(const char* name);
/// The bit pattern of a PBIT or EBIT: the bit fields, or "01" without them.
node_ptr pattern(node_ptr function, text_ptr bits);
/// The bit pattern read from a file.
node_ptr pattern_file(korvex3_driver& d, node_ptr function, text_ptr file);

/// nt_function "pwl_waveform": the parameters given before the points, the
/// points as t0, v0, t1, ... with "num_points", then the parameters after them.
node_ptr pwl(node_ptr before, node_ptr points, node_ptr after);

}  // namespace quarry_parser_implementation::sources
