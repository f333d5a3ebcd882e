#include "passives.hh"

#include "nimbus/event.hh"
#include "nimbus/output.hh"
#include "operands.hh"

namespace quarry_parser_implementation::passives {

using namespace quarry::ast;
using tree::own;

const device R{"r", "resistor"};
const device C{"c", "capacitor"};
const device L{"l", "inductor"};

namespace {

node* master(node* inst, const std::string& name, const char* kind) {
    inst->add_child(nt_master, name);
    inst->add_child(nt_master_kind, kind);
    return inst;
}

node* main_value(const device& dev, node* inst, node* value) {
    inst->add_child(tree::named(dev.value_name, value));
    return inst;
}

/// Model names beginning with p are parameter expressions, not model references.
node* add_model(korvex3_driver& d, node* target, std::string* name, const location& loc, const device& dev) {
    auto n = own(name);
    if (!n->empty() && (n->front() == 'p' || n->front() == 'P')) {
        d.prepare_expression(*n);
        target->add_child(tree::named("pparam", tree::locate(new node(nt_expression, std::move(*n)), loc)));
        return master(target, dev.device_class, "device");
    }
    return master(target, *n, "model");
}

node* add_alias(korvex3_driver& d, node* target, std::string* name) {
    auto n = own(name);
    d.prepare_expression(*n);
    target->add_child(nt_model_alias, std::move(*n));
    target->add_child(nt_master_kind, "model");
    return target;
}

const char* const positional_names[] = {"tc1", "tc2", "w", "l", "temp", "m", "noise", "rth", "cth", "heat", "param"};

}  // namespace

node* base(korvex3_driver& d, std::string* name, node* pin1, node* pin2, bool sets_count) {
    auto n = own(name);
    node* inst = new node(nt_instance, std::move(*n));
    inst->create_meta_children(6);
    inst->add_child(pin1);
    inst->add_child(pin2);
    if (sets_count) d.set_dimension_source_count(2);
    return inst;
}

void statement_done(korvex3_driver& d) { d.set_dimension_source_count(2); }

node* id_value(korvex3_driver& d, const device& dev, node* inst, tree::located_text* id, const location& loc) {
    main_value(dev, inst, operands::located_expression(d, id));
    return tree::locate(master(inst, dev.device_class, "device"), loc);
}

node* valued(const device& dev, node* inst, node* value, node* params, const location& loc) {
    main_value(dev, inst, value);
    tree::adopt(inst, params);
    return tree::locate(master(inst, dev.device_class, "device"), loc);
}

node* positional(korvex3_driver& d, node* inst, node* value, node* list, const location& list_loc,
                 const location& loc) {
    auto values = own(list);
    main_value(R, inst, value);
    const std::size_t count = sizeof positional_names / sizeof positional_names[0];
    std::size_t i = 0;
    for (node* v : values->get_children()) {
        if (i < count) {
            d.context_warning(list_loc, "Assigning invalid positional value for " + inst->get_value() + ": " +
                                            positional_names[i]);
            inst->add_child(tree::named(positional_names[i], v));
        } else {
            d.context_error(list_loc, "Invalid positional value for " + inst->get_value());
            delete v;
        }
        ++i;
    }
    values->clear_children();
    return tree::locate(master(inst, R.device_class, "device"), loc);
}

node* value_model(korvex3_driver& d, const device& dev, node* inst, node* value, std::string* model,
                  const location& model_loc, node* params, const location& loc) {
    main_value(dev, inst, value);
    add_model(d, inst, model, model_loc, dev);
    return tree::locate(tree::adopt(inst, params), loc);
}

node* value_alias(korvex3_driver& d, const device& dev, node* inst, node* value, std::string* alias, node* params,
                  const location& loc) {
    main_value(dev, inst, value);
    add_alias(d, inst, alias);
    return tree::locate(tree::adopt(inst, params), loc);
}

node* model_value(korvex3_driver& d, const device& dev, node* inst, std::string* model, const location& model_loc,
                  node* value, node* params, const location& loc) {
    add_model(d, inst, model, model_loc, dev);
    main_value(dev, inst, value);
    return tree::locate(tree::adopt(inst, params), loc);
}

node* alias_value(korvex3_driver& d, const device& dev, node* inst, std::string* alias, node* value, node* params,
                  const location& loc) {
    add_alias(d, inst, alias);
    main_value(dev, inst, value);
    return tree::locate(tree::adopt(inst, params), loc);
}

node* model(korvex3_driver& d, std::string* name, const location& loc, const device& dev) {
    return add_model(d, tree::container(), name, loc, dev);
}

node* alias(korvex3_driver& d, std::string* name) { return add_alias(d, tree::container(), name); }

node* constant_l(korvex3_driver& d, node* list, node* value, const location& loc) {
    auto v = own(value);
    list->add_named_value("l", v->get_type(), v->get_value());
    list->set_parser_info(korvex3_driver::new_record(loc));
    const std::string where = d.location_to_string(loc);
    auto packet = nimbus::output::named_packet("PARSER-17", "L", "constant resistor", where);
    nimbus::event::nsTransmitter().fire("quarry/parser/warn", &packet);
    return list;
}

node* semicond_res(korvex3_driver&, node* inst, node* master_entries, node* params1, node* l_value, node* params2,
                   const location& loc) {
    tree::adopt(inst, master_entries);
    tree::adopt(inst, params1);
    inst->add_child(tree::named("l", l_value));
    tree::adopt(inst, params2);
    return tree::locate(inst, loc);
}

node* bias(node* inst, node* params, const location& loc) {
    tree::adopt(inst, params);
    return tree::locate(master(inst, "bias_resistor", "device"), loc);
}

void bias_noise(korvex3_driver&, node* value, const location& loc) {
    delete value;
    // This record keeps the column after the value as its last column.
    const quarry::parser::info_netlist where(loc.begin.filename ? *loc.begin.filename : std::string(), loc.begin.line,
                                             loc.end.line, loc.begin.column, loc.end.column);
    auto packet = nimbus::output::named_packet("PARSER-17", "NOISE", "bias resistor", where.format_info());
    nimbus::event::nsTransmitter().fire("quarry/parser/warn", &packet);
}

node* tc_pair(node* tc1, node* tc2) {
    node* list = tree::container(tree::named("tc1", tc1));
    return tree::append(list, tree::named("tc2", tc2));
}

node* semicond_cap(korvex3_driver&, node* inst, node* master_entries, node* params, const location& loc) {
    tree::adopt(inst, master_entries);
    tree::adopt(inst, params);
    return tree::locate(inst, loc);
}

node* charge_function(korvex3_driver& d, std::string* expression) {
    node* f = new node(nt_function, "equation");
    f->add_child(tree::named("equation", operands::bare_expression(d, expression)));
    return f;
}

node* charge(node* inst, node* function, const location& loc) {
    inst->add_named_value("charge", nt_integer, "1");
    inst->add_child(function);
    return tree::locate(master(inst, "nonlinear_capacitor", "device"), loc);
}

}  // namespace quarry_parser_implementation::passives
