#pragma once
// Controlled sources: nt_instance with the output pins, then the linear,
// limited, special-function or transformer form; and the special functions
// POLY, PWL, LAPLACE, EQUATION/VALUE and the refused USER.
#include "grammar/tree.hh"

namespace quarry_parser_implementation::controlled_sources {

using tree::node;

/// A controlled-source card: its masters and how it is controlled.
struct card {
    const char* master;
    const char* nonlinear_master;
    bool by_current;
};
extern const card vccs, vcvs, cccs, ccvs;

/// G and E cards with control pins and a gain: linear, or rewritten into a
/// smooth PWL function or a limit equation when MAX or MIN is given.
node_ptr voltage_controlled(korvex3_driver& d, const card& c, node_ptr inst, node_ptr ctrl_p, node_ptr ctrl_n,
                            node_ptr gain, node_ptr params, const location& loc);
/// F and H cards with a controlling source and a gain, likewise.
node_ptr current_controlled(korvex3_driver& d, const card& c, node_ptr inst, text_ptr ctrl, node_ptr gain,
                            node_ptr params, const location& loc);
/// A card described by a special function.
node_ptr nonlinear(const card& c, node_ptr inst, node_ptr function, node_ptr params, const location& loc);
/// The ideal transformer form of an E card.
node_ptr transformer(node_ptr inst, node_ptr pin_3, node_ptr pin_4, node_ptr params, const location& loc);

/// POLY(dimension): control fields by the dimension source count, then coefficients.
node_ptr poly(korvex3_driver& d, node_ptr dimension, node_ptr fields);
/// PWL(dimension): control fields, then a model (or model alias) and a scale.
node_ptr pwl(korvex3_driver& d, node_ptr dimension, node_ptr fields);
/// LAPLACE(numerator degree, denominator degree): control nodes, then the coefficients.
node_ptr laplace(node_ptr num_count, node_ptr den_count, node_ptr fields);
/// nt_function "equation" over the prepared expression.
node_ptr equation(korvex3_driver& d, text_ptr expression);
/// Reports the USER function, which is not supported.
void user(korvex3_driver& d, const location& loc);

}  // namespace quarry_parser_implementation::controlled_sources
