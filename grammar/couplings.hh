#pragma once
// Mutual couplings, transmission lines, multi-conductor lines and N-ports:
// nt_instance nodes with their pins, parameters and device master.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::couplings {

/// nt_instance with the two coupled inductors as "l1" and "l2".
node_ptr coupling(text_ptr name, text_ptr l1, text_ptr l2);
/// The coupling value under `value_name` ("k" or "coupling"), then the master.
node_ptr coupled(node_ptr inst, const char* value_name, node_ptr value, const location& loc);

/// First parameters, "z0", second parameters, then the master.
node_ptr lossless(node_ptr inst, node_ptr params1, node_ptr z0, node_ptr params2, const location& loc);
/// "f" over the frequency, with "nl" over the normalised length inside it.
node_ptr frequency(node_ptr f, node_ptr nl);
/// The four initial conditions of a line.
node_ptr line_ic(node_ptr v1, node_ptr i1, node_ptr v2, node_ptr i2);

/// A multi-conductor line; with a conductor count N its pins are relabelled
/// i1..iN, ir, o1..oN, or. Null after reporting more pins than that.
node_ptr mtline(korvex3_driver& d, text_ptr name, node_ptr pins, node_ptr params, const location& loc,
                const location& card);


/// nt_instance with the pins and "quarry::nport_num_pins" counting them.
node_ptr nport_pins(text_ptr name, node_ptr pins);
node_ptr nport(node_ptr inst, node_ptr params, const location& loc);

}  // namespace quarry_parser_implementation::couplings
