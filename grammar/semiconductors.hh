#pragma once
// Diode, bipolar, junction and MOS transistor cards: nt_instance with pins,
// the model reference, the unit marker and the instance parameters.
#include <initializer_list>
#include <string>

#include "tree.hh"

namespace quarry_parser_implementation::semiconductors {

using tree::node;

/// nt_instance with the pins; `pins_read` tells the scanner that keywords follow.
node* base(korvex3_driver& d, std::string* name, std::initializer_list<node*> pins, bool pins_read);
/// The model (or the prepared alias) with its master kind, then "quarry::unit" "um" when `unit`.
node* model(korvex3_driver& d, node* inst, std::string* name, bool is_alias, bool unit);
/// The value after the base (when given), the parameters and the statement location.
node* finish(node* inst, node* value, node* params, const location& loc);
/// One nt_param per name over the values, in order, in a container.
node* multi(std::initializer_list<const char*> names, std::initializer_list<node*> values);

}  // namespace quarry_parser_implementation::semiconductors
