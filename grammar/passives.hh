#pragma once
// Resistor, capacitor and inductor cards: nt_instance with two pins, the main
// value, the master (device class, model or model alias) and the parameters.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::passives {

using tree::node;

/// The three devices, with their main parameter and device class.
struct device {
    const char* value_name;
    const char* device_class;
};
extern const device R, C, L;

/// A bare identifier as the value: an expression located at it.
node_ptr id_value(korvex3_driver& d, const device& dev, node_ptr inst, located_text id, const location& loc);
/// The value, the parameters, the device class.
node_ptr valued(const device& dev, node_ptr inst, node_ptr value, node_ptr params, const location& loc);
/// The value, then each further value under its positional name.
node_ptr positional(korvex3_driver& d, node_ptr inst, node_ptr value, node_ptr list, const location& list_loc,
                    const location& loc);
/// The value, the model (or "pparam" and the device class), the parameters.
node_ptr value_then_model(korvex3_driver& d, const device& dev, node_ptr inst, node_ptr value, model_reference model,
                          node_ptr params, const location& loc);
/// The model first, then the value and the parameters.
node_ptr model_then_value(korvex3_driver& d, const device& dev, node_ptr inst, model_reference model, node_ptr value,
                          node_ptr params, const location& loc);

/// L on a constant resistor: kept as "l", with a warning packet.
node_ptr constant_l(korvex3_driver& d, node_ptr list, node_ptr value, const location& loc);
/// Model, first parameters, "l", second parameters.
node_ptr semicond_res(korvex3_driver& d, node_ptr inst, model_reference model, node_ptr params1, node_ptr l_value,
                      node_ptr params2, const location& loc);
/// The bias parameters, then the bias resistor class.
node_ptr bias(node_ptr inst, node_ptr params, const location& loc);
/// NOISE after the bias list is dropped with a warning packet.
void bias_noise(korvex3_driver& d, const location& loc);
/// TC with two values: "tc1" and "tc2".
node_ptr tc_pair(node_ptr tc1, node_ptr tc2);
/// Model and parameters, without a main value.
node_ptr semicond_cap(korvex3_driver& d, node_ptr inst, model_reference model, node_ptr params, const location& loc);
/// nt_function "equation" over the prepared charge expression.
node_ptr charge_function(korvex3_driver& d, text_ptr expression);
node_ptr charge(node_ptr inst, node_ptr function, const location& loc);

/// Device classes of the cards described by a special function.
extern const char* const nonlinear_resistor;
extern const char* const nonlinear_capacitor;
/// The function node, the parameters, the nonlinear device class.
node_ptr nonlinear(const char* device_class, node_ptr inst, node_ptr function, node_ptr params, const location& loc);
/// The same for an inductor, which keeps the location of its base.
node_ptr nonlinear_inductor(node_ptr inst, node_ptr function, node_ptr params);

}  // namespace quarry_parser_implementation::passives
