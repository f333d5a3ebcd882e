#include "grammar/verification.hh"

namespace quarry_parser_implementation::verification {

using namespace quarry::ast;
using tree::node;

node_ptr statement(et_node_type kind, text_ptr value, node_ptr items, const location& loc) {
    node_ptr n = std::make_unique<node>(kind, value ? std::move(*value) : std::string());
    if (items) n = tree::adopt(std::move(n), std::move(items));
    return tree::locate(std::move(n), loc);
}

node_ptr hdl_file(korvex3_driver& d, text_ptr file, node_ptr params, const location& loc) {
    d.prepare_quoted_string(*file);
    return statement(nt_hdl_file, std::move(file), std::move(params), loc);
}

node_ptr supply(const char* which, node_ptr entries) {
    return tree::adopt(std::make_unique<node>(nt_hdl_supply, which), std::move(entries));
}

node_ptr default_supply(const char* which, text_ptr name) {
    node_ptr n = std::make_unique<node>(nt_hdl_supply, which);
    n->add_child(nt_string, std::move(*name));
    return n;
}

node_ptr digital_wrapper(text_ptr name) { return std::make_unique<node>(nt_hdl_digital_wrapper, std::move(*name)); }

node_ptr pair(text_ptr name, text_ptr value) {
    return tree::named(*name, std::make_unique<node>(nt_string, value ? std::move(*value) : std::string()));
}

node_ptr bool_param(const char* name, text_ptr text) {
    return tree::named(name, std::make_unique<node>(nt_bool, std::move(*text)));
}

node_ptr option(korvex3_driver& d, node_ptr list, text_ptr name, text_ptr options) {
    if (!list) list = tree::container();
    d.prepare_quoted_string(*options);
    list->add_named_value(lower(*name), nt_string, *options);
    return list;
}

node_ptr group(et_node_type kind, node_ptr items) {
    return tree::adopt(std::make_unique<node>(kind, std::string()), std::move(items));
}

node_ptr map_name(text_ptr parameter, text_ptr name) {
    return tree::named(*parameter, std::make_unique<node>(nt_string, std::move(lower(*name))));
}

node_ptr string_value(text_ptr text) { return std::make_unique<node>(nt_string, std::move(*text)); }

node_ptr unsupported(korvex3_driver& d, const char* keyword, const char* message, node_ptr items,
                     const location& loc) {
    d.context_warning(loc, message);
    node_ptr n = std::make_unique<node>(nt_unsupported, keyword);
    if (items) n = tree::adopt(std::move(n), std::move(items));
    return tree::locate(std::move(n), loc);
}

void char_statement(korvex3_driver& d, const location& loc) {
    d.context_warning(loc, ".CHAR statement is not supported.");
}

node_ptr check_range(node_ptr start, node_ptr stop) {
    node_ptr range = tree::named("check_startstop_vals_op", std::move(start));
    range->add_child(stop.release());
    return range;
}

node_ptr check_limits(const char* name, node_ptr limits, node_ptr flag) {
    node_ptr p = tree::adopt(std::make_unique<node>(nt_param, name), std::move(limits));
    if (flag) p->add_child(flag.release());
    return p;
}

node_ptr category(text_ptr name, text_ptr number) {
    return tree::named(*name, std::make_unique<node>(nt_integer, std::move(*number)));
}

node_ptr replace_head(node_ptr type1, text_ptr name1, node_ptr type2, text_ptr name2, node_ptr pinmap) {
    node_ptr head = tree::container(std::move(type1));
    if (name1) head->add_child(nt_string, std::move(*name1));
    if (type2) head->add_child(type2.release());
    if (name2) head->add_child(nt_string, std::move(*name2));
    if (pinmap) head->add_child(pinmap.release());
    return head;
}

node_ptr replace(korvex3_driver& d, node_ptr head, node_ptr params, node_ptr selects, const location& loc) {
    if (params) head = tree::adopt(std::move(head), std::move(params));
    head = tree::adopt(std::move(head), std::move(selects));
    return unsupported(d, "replace", ".REPLACE statement is not supported at this time.", std::move(head), loc);
}

node_ptr all_except(node_ptr pattern, node_ptr except) {
    node_ptr all = tree::named("all", std::move(pattern));
    all->add_child(tree::named("except", std::move(except)).release());
    return all;
}

}  // namespace quarry_parser_implementation::verification
