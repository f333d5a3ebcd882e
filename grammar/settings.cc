#include "grammar/settings.hh"

namespace quarry_parser_implementation::settings {

using namespace quarry::ast;

node_ptr param(text_ptr name, node_ptr value, const location& loc) {
    return tree::locate(tree::named(*name, std::move(value)), loc);
}

node_ptr param(const char* name, node_ptr value, const location& loc) {
    return tree::locate(tree::named(name, std::move(value)), loc);
}

node_ptr global(node_ptr names, const location& loc) {
    node_ptr g = tree::adopt(std::make_unique<node>(nt_global, std::string()), std::move(names));
    return tree::locate(std::move(g), loc);
}

node_ptr option(text_ptr name, node_ptr value) {
    node_ptr o = std::make_unique<node>(nt_option, std::move(lower(*name)));
    if (!value) {
        o->add_child(nt_integer, "1");
        return o;
    }
    // Retyped in place: the word keeps the location its value field gave it.
    if (value->get_type() == nt_generic_value) value->set_type(nt_string);
    o->add_child(value.release());
    return o;
}

node_ptr option_path(text_ptr name, text_ptr piece, text_ptr path) {
    node_ptr o = std::make_unique<node>(nt_option, std::move(*name));
    o->add_child(nt_string, *piece + *path);
    return o;
}

node_ptr pair(text_ptr name, node_ptr value) { return tree::named(*name, std::move(value)); }

node_ptr values(et_node_type kind, node_ptr pairs) {
    return tree::merge(std::make_unique<node>(kind, std::string()), std::move(pairs));
}

node_ptr ic(node_ptr values, const location& loc) {
    node_ptr n = std::make_unique<node>(nt_ic, std::string());
    n->add_child(values.release());
    return tree::locate(std::move(n), loc);
}

node_ptr force(node_ptr groups, const location& loc) {
    return tree::locate(tree::adopt(std::make_unique<node>(nt_ic, std::string()), std::move(groups)), loc);
}

node_ptr nodeset(node_ptr pairs, const location& loc) {
    return tree::locate(tree::adopt(std::make_unique<node>(nt_nodeset, std::string()), std::move(pairs)), loc);
}

node_ptr initial(node_ptr analysis, node_ptr first, node_ptr rest, const location& loc) {
    node_ptr n = std::make_unique<node>(nt_nodeset, std::string());
    n->add_child(analysis.release());
    n->add_child(first.release());
    return tree::locate(tree::adopt(std::move(n), std::move(rest)), loc);
}

node_ptr initial_analysis(const char* analysis) { return std::make_unique<node>(nt_initial_analysis, analysis); }

node_ptr default_level(const char* device, node_ptr level) {
    return tree::named(device, tree::named("level", std::move(level)));
}

node_ptr values_param(text_ptr name, node_ptr values) {
    return tree::adopt(std::make_unique<node>(nt_param, std::move(*name)), std::move(values));
}

namespace {
node_ptr unsupported_default(korvex3_driver& d, node_ptr type, const location& loc) {
    d.context_warning(loc, ".DEFAULT statement is not supported.");
    node_ptr n = std::make_unique<node>(nt_unsupported, "default");
    n->add_child(type.release());
    return tree::locate(std::move(n), loc);
}
}  // namespace

node_ptr device_default(korvex3_driver& d, node_ptr type, node_ptr value, const location& loc) {
    node_ptr n = unsupported_default(d, std::move(type), loc);
    n->add_child(value.release());
    return n;
}

node_ptr device_default_pairs(korvex3_driver& d, node_ptr type, node_ptr pairs, const location& loc) {
    return tree::adopt(unsupported_default(d, std::move(type), loc), std::move(pairs));
}

}  // namespace quarry_parser_implementation::settings
