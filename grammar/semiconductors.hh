#pragma once
// Diode, bipolar, junction and MOS transistor cards: nt_instance with pins,
// the model reference, the unit marker and the instance parameters.
#include <initializer_list>

#include "grammar/tree.hh"

namespace quarry_parser_implementation::semiconductors {

using tree::node;

/// Whether the card's geometry is given in microns ("quarry::unit" "um").
enum class unit { as_given, microns };
inline constexpr unit as_given = unit::as_given;
inline constexpr unit in_microns = unit::microns;

/// The model (or the prepared alias) with its master kind, then the unit marker.
node_ptr model(korvex3_driver& d, node_ptr inst, model_reference model, unit u);
/// The value after the base (when given), the parameters and the statement location.
node_ptr finish(node_ptr inst, node_ptr value, node_ptr params, const location& loc);
/// One nt_param per name over the values, in order, in a container.
template <typename... Values>
node_ptr multi(std::initializer_list<const char*> names, Values... values) {
    node_ptr list = tree::container();
    auto name = names.begin();
    (list->add_child(tree::named(*name++, node_ptr(std::move(values))).release()), ...);
    return list;
}

}  // namespace quarry_parser_implementation::semiconductors
