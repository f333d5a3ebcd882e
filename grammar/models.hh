#pragma once
// Model cards: nt_model with the device class, polarity, level and
// parameters; Verilog-A models and .PARAMSET as nt_paramset; piece-wise
// linear table models as an nt_function "pwl_model".
#include "grammar/tree.hh"

namespace quarry_parser_implementation::models {

using tree::node;

/// nt_model named with the model name.
node_ptr base(text_ptr name);
/// A container with nt_model_device and, for a polar device, nt_polarity.
node_ptr device(const char* device, const char* polarity = nullptr);
/// The device description, then the parameters, move under the model; located.
node_ptr model(node_ptr model, node_ptr device, node_ptr params, const location& loc);
/// A model of a named type: nt_model_device with the lower-cased type, the
/// parameters, then the host's model-type extraction.
node_ptr typed_model(korvex3_driver& d, node_ptr model, text_ptr type, node_ptr params, const location& loc);
/// A W-element model: one nt_param "w" holding the parameters.
node_ptr w_model(node_ptr model, node_ptr params, const location& loc);
/// A Verilog-A model becomes a parameter set of the module (nt_master, "hdl").
node_ptr va_model(node_ptr model, text_ptr module, node_ptr params, const location& loc);

/// nt_param over the values; a parameter named "level" is an nt_model_level
/// named with its first value instead.
node_ptr param(text_ptr name, node_ptr values);
/// nt_param over the values, whatever its name.
node_ptr values_param(text_ptr name, node_ptr values);
/// nt_model_level named with the value's text.
node_ptr level(node_ptr value);
/// nt_param "modeltype" over nt_string "rlgc".
node_ptr rlgc();
/// nt_param name over the value.
node_ptr named(text_ptr name, node_ptr value);
/// A bare word among Verilog-A parameters: nt_string with the text as written.
node_ptr word(text_ptr text);

/// nt_param name over nt_string value: a table option.
node_ptr table_option(const char* name, const char* value);
/// nt_param "symmetry" over nt_string kind and the named count.
node_ptr symmetry(const char* kind, text_ptr count);
/// Appends to the increment list (a new one when null) the lower-cased group
/// name, if given, and a start/stop/step triplet.
node_ptr increments(node_ptr list, text_ptr group, node_ptr start, node_ptr stop, node_ptr step);
/// A table model: nt_model over an nt_function "pwl_model" holding the
/// dimension, the table options, the named increments and data and the
/// number of points; empty when the dimension is not an integer.
node_ptr pwl(node_ptr model, node_ptr dimension, node_ptr params, node_ptr increments, node_ptr data,
             const location& loc);

/// nt_paramset named `name` over nt_master `master` and the parameters.
node_ptr paramset(text_ptr name, text_ptr master, node_ptr params, const location& loc);

}  // namespace quarry_parser_implementation::models
