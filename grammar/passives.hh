#pragma once
// Resistor, capacitor and inductor cards: nt_instance with two pins, the main
// value, the master (device class, model or model alias) and the parameters.
#include <string>

#include "tree.hh"

namespace quarry_parser_implementation::passives {

using tree::node;

/// The three devices, with their main parameter and device class.
struct device {
    const char* value_name;
    const char* device_class;
};
extern const device R, C, L;

/// nt_instance with its two pins; resistors and capacitors set the dimension source count to 2.
node* base(korvex3_driver& d, std::string* name, node* pin1, node* pin2, bool sets_count);
/// A resistor or capacitor statement is complete.
void statement_done(korvex3_driver& d);

/// A bare identifier as the value: an expression located at it.
node* id_value(korvex3_driver& d, const device& dev, node* inst, tree::located_text* id, const location& loc);
/// The value, the parameters, the device class.
node* valued(const device& dev, node* inst, node* value, node* params, const location& loc);
/// The value, then each further value under its positional name.
node* positional(korvex3_driver& d, node* inst, node* value, node* list, const location& list_loc,
                 const location& loc);
/// The value, the model (or "pparam" and the device class), the parameters.
node* value_model(korvex3_driver& d, const device& dev, node* inst, node* value, std::string* model,
                  const location& model_loc, node* params, const location& loc);
node* value_alias(korvex3_driver& d, const device& dev, node* inst, node* value, std::string* alias, node* params,
                  const location& loc);
/// The model first, then the value and the parameters.
node* model_value(korvex3_driver& d, const device& dev, node* inst, std::string* model, const location& model_loc,
                  node* value, node* params, const location& loc);
node* alias_value(korvex3_driver& d, const device& dev, node* inst, std::string* alias, node* value, node* params,
                  const location& loc);

/// A container with the master entries of a model name (or of a "pparam" expression).
node* model(korvex3_driver& d, std::string* name, const location& loc, const device& dev = R);
/// A container with nt_model_alias and the master kind.
node* alias(korvex3_driver& d, std::string* name);

/// L on a constant resistor: kept as "l", with a warning packet.
node* constant_l(korvex3_driver& d, node* list, node* value, const location& loc);
/// Model, first parameters, "l", second parameters.
node* semicond_res(korvex3_driver& d, node* inst, node* master, node* params1, node* l_value, node* params2,
                   const location& loc);
/// The bias parameters, then the bias resistor class.
node* bias(node* inst, node* params, const location& loc);
/// NOISE after the bias list is dropped with a warning packet.
void bias_noise(korvex3_driver& d, node* value, const location& loc);
/// TC with two values: "tc1" and "tc2".
node* tc_pair(node* tc1, node* tc2);
/// Model and parameters, without a main value.
node* semicond_cap(korvex3_driver& d, node* inst, node* master, node* params, const location& loc);
/// nt_function "equation" over the prepared charge expression.
node* charge_function(korvex3_driver& d, std::string* expression);
node* charge(node* inst, node* function, const location& loc);

}  // namespace quarry_parser_implementation::passives
