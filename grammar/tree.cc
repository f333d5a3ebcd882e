#include "tree.hh"

namespace quarry_parser_implementation::tree {

std::string& lower(std::string& s) {
    // ASCII only, and without the locale lookup of std::tolower.
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string* lowered(std::string* s) {
    if (s) lower(*s);
    return s;
}

node* merge(node* list, node* item) {
    if (item->get_type() == quarry::ast::nt_param) return append(list, item);
    return adopt(list, item);
}

node* adopt(node* target, node* list) {
    node_ptr owned(list);
    target->take_children(*owned);
    return target;
}

node* named(const std::string& name, node* value) {
    node* p = new node(quarry::ast::nt_param, name);
    p->add_child(value);
    return p;
}

node* flag(const std::string& name) {
    node* p = new node(quarry::ast::nt_param, name);
    p->add_child(quarry::ast::nt_integer, "1");
    return p;
}

}  // namespace quarry_parser_implementation::tree
