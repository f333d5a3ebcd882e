#pragma once
// Small-signal analyses: .NOISE in its classic form, .STB with a fixed sweep,
// .PZ, .LF, .FOUR, and .DISTO, .SENS and .TF, which are read with a warning.
// The swept forms of .NOISE, .STB and .XF are built like .AC (analyses.hh).
#include "grammar/analyses.hh"

namespace quarry_parser_implementation::small_signal {

using tree::node;

node_ptr named_word(const char* name, const char* word);

/// .NOISE V(outp [outn]) insrc [nums].
node_ptr noise(text_ptr outp, text_ptr outn, text_ptr insrc, node_ptr nums, const location& loc);
/// .STB with NP and three values: the probe is merged behind the list's fragments.
node_ptr stb_fixed(korvex3_driver& d, node_ptr type, node_ptr np, node_ptr start, node_ptr stop, node_ptr probe,
                   sweep_params_ptr set, const location& loc);

node_ptr pz_base(text_ptr inp, text_ptr inn, text_ptr outp, text_ptr outn, node_ptr type);
node_ptr pz(korvex3_driver& d, node_ptr base, node_ptr pzout, node_ptr params, const location& loc);
node_ptr lf(korvex3_driver& d, node_ptr params, const location& loc);
/// nt_param "exclude" over the names.
node_ptr exclude(node_ptr names);

/// Appends one signal as a named expression: under the name written before
/// "=", or "fourier_" and the value's text made a measure name.
node_ptr fourier_signal(korvex3_driver& d, node_ptr list, text_ptr name, node_ptr value);
/// An unnamed container with one Fourier nt_measure per signal.
node_ptr four(node_ptr signals, const location& loc);

node_ptr disto(korvex3_driver& d, text_ptr rload, node_ptr values, node_ptr params, const location& loc);
node_ptr sens(korvex3_driver& d, const char* type, const location& loc);
node_ptr tf(korvex3_driver& d, node_ptr output, text_ptr input, const location& loc);
/// nt_param "v" or "i" over one or two nt_string names.
node_ptr tf_output(const char* name, text_ptr first, text_ptr second);

}  // namespace quarry_parser_implementation::small_signal
