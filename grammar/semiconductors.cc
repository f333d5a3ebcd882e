#include "grammar/semiconductors.hh"

namespace quarry_parser_implementation::semiconductors {

using namespace quarry::ast;

node_ptr model(korvex3_driver& d, node_ptr inst, model_reference model, unit u) {
    std::string& text = *model.text;
    if (model.kind == model_reference::by_alias) {
        d.prepare_expression(text);
        inst->add_child(nt_model_alias, std::move(text));
    } else {
        inst->add_child(nt_master, std::move(text));
    }
    inst->add_child(nt_master_kind, "model");
    if (u == unit::microns) inst->add_named_value("quarry::unit", nt_string, "um");
    return inst;
}

node_ptr finish(node_ptr inst, node_ptr value, node_ptr params, const location& loc) {
    if (value) inst->add_child(value.release());
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(std::move(inst), loc);
}

}  // namespace quarry_parser_implementation::semiconductors
