#pragma once
// IBIS buffers, N-devices, HDL instances and parameter statements.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::devices {

/// The pins (as the host fixes them for the buffer type), the parameters,
/// master "ibis_buffer" of kind "discover".
node_ptr ibis(korvex3_driver& d, text_ptr name, node_ptr pins, node_ptr params, const location& loc);
/// nt_param `name` over nt_integer with the number as scanned.
node_ptr integer_param(const char* name, text_ptr number);

/// An N-device, its class found by the two letters after the element letter
/// in the language description. Null after reporting an unknown class or a
/// pin count that fits neither the class's device nor device and model.
node_ptr ndevice(korvex3_driver& d, text_ptr name, node_ptr pins, node_ptr params, const location& loc);

/// An HDL module instance; `pins` may be null.
node_ptr hdl(text_ptr name, node_ptr pins, text_ptr module, node_ptr params, const location& loc);

/// A parameter statement with temperature coefficients: a warning on
/// standard output and an empty node.
node_ptr param_with_tc();

}  // namespace quarry_parser_implementation::devices
