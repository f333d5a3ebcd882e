#include "grammar/tree.hh"

namespace quarry_parser_implementation::tree {

node_ptr merge(node_ptr list, node_ptr item) {
    if (item->get_type() == quarry::ast::nt_param) return append(std::move(list), std::move(item));
    return adopt(std::move(list), std::move(item));
}

node_ptr named(const std::string& name, node_ptr value) {
    node_ptr p = std::make_unique<node>(quarry::ast::nt_param, name);
    p->add_child(value.release());
    return p;
}

node_ptr flag(const std::string& name) {
    node_ptr p = std::make_unique<node>(quarry::ast::nt_param, name);
    p->add_child(quarry::ast::nt_integer, "1");
    return p;
}

}  // namespace quarry_parser_implementation::tree
