#include "grammar/structure.hh"

#include "grammar/includes.hh"
#include "nimbus/os.hh"
#include "quarry/parser/parser_base.hh"

namespace quarry_parser_implementation::structure {

using namespace quarry::ast;

void adopt(korvex3_driver& d, node_ptr n) {
    node* root = d.get_ast_node();
    if (!root) return;
    if (n->get_type() == nt_block)
        root->take_children(*n);
    else
        root->add_child(n.release());
}

void both_blocks(korvex3_driver& d, const location& loc) {
    d.context_error(loc, ".MODIFY and .RERUN are not supported together.");
}

node_ptr title(text_ptr text) { return std::make_unique<node>(nt_title, std::move(*text)); }

void unsupported(korvex3_driver& d, text_ptr text, const location& loc) {
    d.context_error(loc, "Unsupported control statement: " + *text);
}

node_ptr section(korvex3_driver& d, text_ptr name, const location& loc) {
    lower(*name);
    if (auto* host = d.get_quarry_parser()) host->start_parsing_section(*name, d.location_to_string(loc));
    return tree::locate(std::make_unique<node>(nt_section, std::move(*name)), loc);
}

void end_section(korvex3_driver& d) {
    if (auto* host = d.get_quarry_parser()) host->stop_parsing_section();
}

void end_section(korvex3_driver& d, text_ptr name, const location& loc) {
    lower(*name);
    if (auto* host = d.get_quarry_parser()) host->stop_parsing_section(*name, d.location_to_string(loc));
}

node_ptr alter(text_ptr title, et_node_type marker, const location& loc) {
    node_ptr head = std::make_unique<node>(nt_alter, title ? std::move(*title) : std::string());
    head->add_child(marker, std::string());
    return tree::locate(std::move(head), loc);
}

node_ptr block(node_ptr head, node_ptr body, const location& loc) {
    if (body) head = tree::adopt(std::move(head), std::move(body));
    return tree::locate(std::move(head), loc);
}

node_ptr condition(korvex3_driver& d, text_ptr expression, const location& loc) {
    d.prepare_expression(*expression);
    return tree::locate(std::make_unique<node>(nt_condition, std::move(*expression)), loc);
}

node_ptr if_body() { return std::make_unique<node>(nt_if_body, std::string()); }

node_ptr branch(node_ptr condition, node_ptr body, node_ptr else_body) {
    condition->add_child(body.release());
    if (else_body) {
        else_body->set_type(nt_else);
        condition->add_child(else_body.release());
    }
    return condition;
}

node_ptr chain(node_ptr condition, node_ptr body, node_ptr next) {
    condition->add_child(body.release());
    condition->add_child(nt_else, std::string())->add_child(next.release());
    return condition;
}

node_ptr subckt(text_ptr name, node_ptr names, node_ptr params, const location& loc) {
    node_ptr s = std::make_unique<node>(nt_subckt, std::move(*name));
    if (names) {
        s->create_meta_children(names->child_count());
        for (const node* pin : names->get_children()) s->add_pin(pin->get_value());
    }
    s = tree::adopt(std::move(s), std::move(params));
    return tree::locate(std::move(s), loc);
}

node_ptr instance(text_ptr name, node_ptr pins, text_ptr master, node_ptr params, const location& loc) {
    // A parameter that passes a model to the subcircuit (model=, nmodel=,
    // model_p=, ... : any name containing "model") names the model, not an
    // expression to evaluate; the host reads it as a plain value.
    if (pins) {
        for (node* p : params->get_children()) {
            if (p->get_type() == nt_param && p->has_children() && (*p)[0].get_type() == nt_expression &&
                p->get_value().find("model") != std::string::npos)
                (*p)[0].set_type(nt_generic_value);
        }
    }
    node_ptr inst = std::make_unique<node>(nt_instance, std::move(*name));
    if (pins) inst = tree::adopt(std::move(inst), std::move(pins));
    inst->add_child(nt_master, std::move(*master));
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(std::move(inst), loc);
}

node_ptr include(korvex3_driver& d, text_ptr file, node_ptr params, const location& loc) {
    std::string section;
    for (const node* p : params->get_children())
        if (p->get_type() == nt_param && p->get_value() == "section" && p->has_children())
            section = (*p)[0].get_value();
    d.prepare_quoted_string(*file);
    const std::string path =
        includes::resolve(d, nimbus::os::expand_from_env(*file), includes::fallback::none);
    node_ptr inc = std::make_unique<node>(nt_include, path);
    node* body = inc->add_child(nt_block, std::string());
    includes::load(d, path, section, *body, loc);
    inc = tree::adopt(std::move(inc), std::move(params));
    return tree::locate(std::move(inc), loc);
}

node_ptr include_section(text_ptr name) {
    node_ptr p = std::make_unique<node>(nt_param, "section");
    p->add_child(nt_string, nimbus::os::expand_from_env(*name));
    return p;
}

node_ptr load(text_ptr file, node_ptr before, node_ptr after, const location& loc) {
    node_ptr n = std::make_unique<node>(nt_hdl_file, std::move(*file));
    bool usecache = false;
    for (const node* list : {before.get(), after.get()}) {
        for (const node* p : list->get_children()) {
            if (p->get_type() != nt_param) continue;
            if (p->get_value() == "usecache") usecache = true;
            if (p->get_value() == "debug") n->add_named_value("options", nt_string, "-G");
        }
    }
    if (!usecache) n->add_named_value("force", nt_bool, "y");
    return tree::locate(std::move(n), loc);
}

}  // namespace quarry_parser_implementation::structure
