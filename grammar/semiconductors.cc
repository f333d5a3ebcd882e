#include "grammar/semiconductors.hh"

#include "grammar/operands.hh"

namespace quarry_parser_implementation::semiconductors {

using namespace quarry::ast;

node_ptr model(korvex3_driver& d, node_ptr inst, model_reference model, unit u) {
    inst = operands::with_model(d, std::move(inst), std::move(model));
    if (u == unit::microns) inst->add_named_value("quarry::unit", nt_string, "um");
    return inst;
}

node_ptr finish(node_ptr inst, node_ptr value, node_ptr params, const location& loc) {
    if (value) inst->add_child(value.release());
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(std::move(inst), loc);
}

}  // namespace quarry_parser_implementation::semiconductors
