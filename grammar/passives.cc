#include "grammar/passives.hh"

#include "grammar/operands.hh"

namespace quarry_parser_implementation::passives {

using namespace quarry::ast;

const device R{"r", "resistor"};
const device C{"c", "capacitor"};
const device L{"l", "inductor"};

namespace {

void main_value(const device& dev, node& inst, node_ptr value) {
    inst.add_child(tree::named(dev.value_name, std::move(value)).release());
}

/// Model names beginning with p are parameter expressions, not model references.
node_ptr add_model(korvex3_driver& d, node_ptr target, model_reference model, const device& dev) {
    const std::string& text = *model.text;
    if (model.kind == model_reference::by_name && !text.empty() && (text.front() == 'p' || text.front() == 'P')) {
        target->add_child(tree::named("pparam", operands::expression(d, std::move(model.text), model.where)).release());
        return operands::with_master(std::move(target), dev.device_class, "device");
    }
    return operands::with_model(d, std::move(target), std::move(model));
}

const char* const positional_names[] = {"tc1", "tc2", "w", "l", "temp", "m", "noise", "rth", "cth", "heat", "param"};

}  // namespace

node_ptr id_value(korvex3_driver& d, const device& dev, node_ptr inst, located_text id, const location& loc) {
    main_value(dev, *inst, operands::located_expression(d, std::move(id)));
    return tree::locate(operands::with_master(std::move(inst), dev.device_class, "device"), loc);
}

node_ptr valued(const device& dev, node_ptr inst, node_ptr value, node_ptr params, const location& loc) {
    main_value(dev, *inst, std::move(value));
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(operands::with_master(std::move(inst), dev.device_class, "device"), loc);
}

node_ptr positional(korvex3_driver& d, node_ptr inst, node_ptr value, node_ptr list, const location& list_loc,
                    const location& loc) {
    main_value(R, *inst, std::move(value));
    const std::size_t count = sizeof positional_names / sizeof positional_names[0];
    std::size_t i = 0;
    for (node* v : list->get_children()) {
        if (i < count) {
            d.context_warning(list_loc, "Assigning invalid positional value for " + inst->get_value() + ": " +
                                            positional_names[i]);
            inst->add_child(tree::named(positional_names[i], node_ptr(v)).release());
        } else {
            d.context_error(list_loc, "Invalid positional value for " + inst->get_value());
            delete v;
        }
        ++i;
    }
    list->clear_children();
    return tree::locate(operands::with_master(std::move(inst), R.device_class, "device"), loc);
}

node_ptr value_then_model(korvex3_driver& d, const device& dev, node_ptr inst, node_ptr value, model_reference model,
                          node_ptr params, const location& loc) {
    main_value(dev, *inst, std::move(value));
    inst = add_model(d, std::move(inst), std::move(model), dev);
    return tree::locate(tree::adopt(std::move(inst), std::move(params)), loc);
}

node_ptr model_then_value(korvex3_driver& d, const device& dev, node_ptr inst, model_reference model, node_ptr value,
                          node_ptr params, const location& loc) {
    inst = add_model(d, std::move(inst), std::move(model), dev);
    main_value(dev, *inst, std::move(value));
    return tree::locate(tree::adopt(std::move(inst), std::move(params)), loc);
}

node_ptr constant_l(korvex3_driver& d, node_ptr list, node_ptr value, const location& loc) {
    list->add_named_value("l", value->get_type(), value->get_value());
    list->set_parser_info(new_record(loc));
    d.warning_packet(loc, "PARSER-17", "L", "constant resistor");
    return list;
}

node_ptr semicond_res(korvex3_driver& d, node_ptr inst, model_reference model, node_ptr params1, node_ptr l_value,
                      node_ptr params2, const location& loc) {
    inst = add_model(d, std::move(inst), std::move(model), R);
    inst = tree::adopt(std::move(inst), std::move(params1));
    inst->add_child(tree::named("l", std::move(l_value)).release());
    return tree::locate(tree::adopt(std::move(inst), std::move(params2)), loc);
}

node_ptr bias(node_ptr inst, node_ptr params, const location& loc) {
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(operands::with_master(std::move(inst), "bias_resistor", "device"), loc);
}

void bias_noise(korvex3_driver& d, const location& loc) {
    // This packet keeps the column after the value as its last column.
    d.warning_packet(loc, "PARSER-17", "NOISE", "bias resistor", end_column::after);
}

node_ptr tc_pair(node_ptr tc1, node_ptr tc2) {
    node_ptr list = tree::container(tree::named("tc1", std::move(tc1)));
    return tree::append(std::move(list), tree::named("tc2", std::move(tc2)));
}

node_ptr semicond_cap(korvex3_driver& d, node_ptr inst, model_reference model, node_ptr params, const location& loc) {
    inst = add_model(d, std::move(inst), std::move(model), C);
    return tree::locate(tree::adopt(std::move(inst), std::move(params)), loc);
}

node_ptr charge_function(korvex3_driver& d, text_ptr expression) {
    node_ptr f = std::make_unique<node>(nt_function, "equation");
    f->add_child(tree::named("equation", operands::bare_expression(d, std::move(expression))).release());
    return f;
}

node_ptr charge(node_ptr inst, node_ptr function, const location& loc) {
    inst->add_named_value("charge", nt_integer, "1");
    inst->add_child(function.release());
    return tree::locate(operands::with_master(std::move(inst), "nonlinear_capacitor", "device"), loc);
}

const char* const nonlinear_resistor = "nonlinear_resistor";
const char* const nonlinear_capacitor = "nonlinear_capacitor";

node_ptr nonlinear(const char* device_class, node_ptr inst, node_ptr function, node_ptr params, const location& loc) {
    inst->add_child(function.release());
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(operands::with_master(std::move(inst), device_class, "device"), loc);
}

node_ptr nonlinear_inductor(node_ptr inst, node_ptr function, node_ptr params) {
    inst->add_child(function.release());
    inst = tree::adopt(std::move(inst), std::move(params));
    return operands::with_master(std::move(inst), "nonlinear_inductor", "device");
}

}  // namespace quarry_parser_implementation::passives
