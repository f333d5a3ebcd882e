#include "semiconductors.hh"

#include "scanner.hh"

namespace quarry_parser_implementation::semiconductors {

using namespace quarry::ast;
using tree::own;

node* base(korvex3_driver& d, std::string* name, std::initializer_list<node*> pins, bool pins_read) {
    auto n = own(name);
    node* inst = new node(nt_instance, std::move(*n));
    inst->create_meta_children(pins.size() + 4);
    for (node* p : pins) inst->add_child(p);
    if (pins_read && d.get_scanner()) d.get_scanner()->pins_complete = true;
    return inst;
}

node* model(korvex3_driver& d, node* inst, std::string* name, bool is_alias, bool unit) {
    auto n = own(name);
    if (is_alias) {
        d.prepare_expression(*n);
        inst->add_child(nt_model_alias, std::move(*n));
    } else {
        inst->add_child(nt_master, std::move(*n));
    }
    inst->add_child(nt_master_kind, "model");
    if (unit) inst->add_named_value("quarry::unit", nt_string, "um");
    return inst;
}

node* finish(node* inst, node* value, node* params, const location& loc) {
    if (value) inst->add_child(value);
    tree::adopt(inst, params);
    return tree::locate(inst, loc);
}

node* multi(std::initializer_list<const char*> names, std::initializer_list<node*> values) {
    node* list = tree::container();
    auto v = values.begin();
    for (const char* name : names) list->add_child(tree::named(name, *v++));
    return list;
}

}  // namespace quarry_parser_implementation::semiconductors
