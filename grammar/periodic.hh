#pragma once
// Periodic steady-state analyses: .PSS, .PAC, .PNOISE and .PXF. Each is read
// with a warning; sweep settings and options are plain children of the analysis.
#include "grammar/analyses.hh"

namespace quarry_parser_implementation::periodic {

using tree::node;

node_ptr pss(korvex3_driver& d, node_ptr params, const location& loc);
/// The sweep type, the values as "np", "fstart", "fstop", "harmlim", "fold", the parameters.
node_ptr pac(korvex3_driver& d, node_ptr type, node_ptr values, node_ptr params, const location& loc);
node_ptr pac_points(korvex3_driver& d, node_ptr count, node_ptr values, node_ptr params, const location& loc);
/// nt_param "harms" over all values.
node_ptr harms(node_ptr values);
/// The sweep type, the values as "np", "fstart", "fstop", the first list, "outp", the second list.
node_ptr pnoise(korvex3_driver& d, node_ptr type, node_ptr values, node_ptr first, text_ptr outp, node_ptr second,
                const location& loc);
node_ptr pnoise_points(korvex3_driver& d, node_ptr count, node_ptr values, node_ptr first, text_ptr outp,
                       node_ptr second, const location& loc);
node_ptr pxf(korvex3_driver& d, node_ptr type, node_ptr first, text_ptr outp, node_ptr second, const location& loc);
/// The POINTS forms; with NP the count sits under "np" and the output is named "outp".
node_ptr pxf_points(korvex3_driver& d, bool with_np, node_ptr count, node_ptr values, text_ptr outp, node_ptr second,
                    const location& loc);

}  // namespace quarry_parser_implementation::periodic
