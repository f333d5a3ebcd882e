#include "grammar/statistics.hh"

#include "grammar/operands.hh"

namespace quarry_parser_implementation::statistics {

using namespace quarry::ast;
using tree::node;

node_ptr integer_param(const char* name, text_ptr number) {
    return tree::named(name, std::make_unique<node>(nt_integer, std::move(*number)));
}

node_ptr runs(node_ptr ids) {
    std::string joined;
    if (ids->has_children())
        for (const node* id : ids->get_children()) {
            if (!joined.empty()) joined += ',';
            joined += id->get_value();
        }
    return tree::named("runs", std::make_unique<node>(nt_string, std::move(joined)));
}

node_ptr mismatch(text_ptr name, text_ptr kind, const location& loc) {
    node_ptr n = std::make_unique<node>(nt_mismatch, std::string());
    n->add_named_value(lower(*name), nt_string, lower(*kind));
    return tree::locate(std::move(n), loc);
}

node_ptr mismatch_param(text_ptr name, text_ptr parameter, node_ptr value, const location& loc) {
    node_ptr n = std::make_unique<node>(nt_mismatch_param, std::move(*name));
    n->add_child(tree::named(*parameter, std::move(value)).release());
    return tree::locate(std::move(n), loc);
}

node_ptr mselect(text_ptr model, text_ptr selected, const location& loc) {
    node_ptr n = std::make_unique<node>(nt_mselect, std::move(*model));
    n->add_child(nt_string, std::move(*selected));
    return tree::locate(std::move(n), loc);
}

node_ptr mselect_more(node_ptr mselect, text_ptr selected, const location& loc) {
    mselect->add_child(nt_string, std::move(*selected));
    return tree::locate(std::move(mselect), loc);
}

namespace {

/// "^" and the name with every "." escaped: the pattern that selects that node.
std::string node_pattern(const std::string& name) {
    std::string p = "^";
    for (char c : name) {
        if (c == '.') p += '\\';
        p += c;
    }
    return p;
}

}  // namespace

node_ptr positional_subtol(korvex3_driver& d, node_ptr values, const location& loc) {
    const auto& v = values->get_children();
    if (v.size() % 2 != 0) {
        d.context_error(loc, "Invalid number of arguments on deprecated .SUBTOL variation.");
        return nullptr;
    }
    node_ptr statement = tree::container();
    for (std::size_t i = 0; i < v.size(); i += 2) {
        node* subtol = statement->add_child(nt_subtol, std::string());
        subtol->add_named_value("scope", nt_string, "node");
        subtol->add_named_value("name", nt_string, node_pattern(v[i]->get_value()));
        subtol->add_named_value("reltol", v[i + 1]->get_type(), v[i + 1]->get_value());
    }
    return tree::locate(std::move(statement), loc);
}

node_ptr subtab(korvex3_driver& d, node_ptr names, node_ptr params, const location& loc) {
    d.context_warning(loc, ".SUBTAB statement is not supported at this time.");
    node_ptr n = tree::adopt(std::make_unique<node>(nt_unsupported, "subtab"), std::move(names));
    return tree::locate(tree::adopt(std::move(n), std::move(params)), loc);
}

node_ptr scale_type(et_node_type kind, const char* cls, const char* polarity, const char* level,
                    node_ptr level_value) {
    node_ptr n = std::make_unique<node>(kind, cls);
    if (polarity) n->add_child(nt_scale_polarity, polarity);
    if (level_value)
        n->add_child(nt_scale_level, level_value->get_value());
    else if (level)
        n->add_child(nt_scale_level, level);
    return n;
}

node_ptr scale(node_ptr type, node_ptr pairs, node_ptr selection, const location& loc) {
    type = tree::adopt(std::move(type), std::move(pairs));
    if (selection) type->add_child(selection.release());
    return tree::locate(std::move(type), loc);
}

node_ptr scale_models(node_ptr type, node_ptr pairs, node_ptr selectors, const location& loc) {
    type->set_type(nt_scale);
    return scale(std::move(type), std::move(pairs), selection(nt_scale_selection, std::move(selectors)), loc);
}

node_ptr selection(et_node_type kind, node_ptr selectors) {
    return tree::adopt(std::make_unique<node>(kind, std::string()), std::move(selectors));
}

node_ptr selectors(node_ptr list, node_ptr item) {
    if (!list) list = tree::container();
    if (item->get_type() == nt_block) return tree::adopt(std::move(list), std::move(item));
    return tree::append(std::move(list), std::move(item));
}

node_ptr scale_name(text_ptr name) { return std::make_unique<node>(nt_scale_name, std::move(*name)); }

node_ptr scale_names(texts members) {
    node_ptr list = tree::container();
    for (std::string& m : members) list->add_child(nt_scale_name, std::move(m));
    return list;
}

node_ptr scale_pattern(korvex3_driver& d, et_node_type kind, text_ptr expression) {
    d.prepare_expression(*expression);
    return std::make_unique<node>(kind, std::move(lower(*expression)));
}

}  // namespace quarry_parser_implementation::statistics
