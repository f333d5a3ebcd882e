#include "structure.hh"

#include "nimbus/os.hh"
#include "quarry/parser/parser_base.hh"
#include "scanner.hh"

namespace quarry_parser_implementation::structure {

using namespace quarry::ast;
using tree::own;

void adopt(korvex3_driver& d, node* n) {
    tree::node_ptr owned(n);
    node* root = d.get_ast_node();
    if (!root) return;
    if (n->get_type() == nt_block)
        root->take_children(*n);
    else
        root->add_child(owned.release());
}

void both_blocks(korvex3_driver& d, const location& loc, std::initializer_list<node*> nodes) {
    for (node* n : nodes) delete n;
    d.context_error(loc, ".MODIFY and .RERUN are not supported together.");
}

node* title(std::string* text) {
    auto t = own(text);
    return new node(nt_title, std::move(*t));
}

void pins_done(korvex3_driver& d) {
    if (d.get_scanner()) d.get_scanner()->pins_complete = false;
}

void unsupported(korvex3_driver& d, std::string* text, const location& loc) {
    auto t = own(text);
    d.context_error(loc, "Unsupported control statement: " + *t);
}

node* section(korvex3_driver& d, std::string* name, const location& loc) {
    auto n = own(name);
    tree::lower(*n);
    if (auto* host = d.get_quarry_parser()) host->start_parsing_section(*n, d.location_to_string(loc));
    return tree::locate(new node(nt_section, std::move(*n)), loc);
}

void end_section(korvex3_driver& d) {
    if (auto* host = d.get_quarry_parser()) host->stop_parsing_section();
}

void end_section(korvex3_driver& d, std::string* name, const location& loc) {
    auto n = own(name);
    tree::lower(*n);
    if (auto* host = d.get_quarry_parser()) host->stop_parsing_section(*n, d.location_to_string(loc));
}

node* alter(std::string* title, et_node_type marker, const location& loc) {
    auto t = own(title);
    node* head = new node(nt_alter, t ? std::move(*t) : std::string());
    head->add_child(marker, std::string());
    return tree::locate(head, loc);
}

node* block(node* head, node* body, const location& loc) {
    if (body) tree::adopt(head, body);
    return tree::locate(head, loc);
}

node* condition(korvex3_driver& d, std::string* expression, const location& loc) {
    auto e = own(expression);
    d.prepare_expression(*e);
    return tree::locate(new node(nt_condition, std::move(*e)), loc);
}

node* if_body() { return new node(nt_if_body, std::string()); }

node* branch(node* condition, node* body, node* else_body) {
    condition->add_child(body);
    if (else_body) {
        else_body->set_type(nt_else);
        condition->add_child(else_body);
    }
    return condition;
}

node* chain(node* condition, node* body, node* next) {
    condition->add_child(body);
    condition->add_child(nt_else, std::string())->add_child(next);
    return condition;
}

node* subckt(std::string* name, node* names, node* params, const location& loc) {
    auto n = own(name);
    auto list = own(names);
    node* s = new node(nt_subckt, std::move(*n));
    if (list) {
        s->create_meta_children(list->child_count());
        for (const node* pin : list->get_children()) s->add_pin(pin->get_value());
    }
    tree::adopt(s, params);
    return tree::locate(s, loc);
}

node* ends(std::string* name) {
    auto n = own(name);
    node* e = new node(nt_unsupported, "ends");
    e->add_child(nt_string, n ? std::move(*n) : std::string());
    return e;
}

node* subckt_end(node* subckt, node* body, node* ends, const location& loc) {
    delete ends;
    tree::adopt(subckt, body);
    return tree::locate(subckt, loc);
}

node* instance(std::string* name, node* pins, std::string* master, node* params, const location& loc) {
    auto n = own(name), m = own(master);
    if (pins) {
        for (node* p : params->get_children()) {
            if (p->get_type() == nt_param && p->has_children() && (*p)[0].get_type() == nt_expression &&
                p->get_value().find("model") != std::string::npos)
                (*p)[0].set_type(nt_generic_value);
        }
    }
    node* inst = new node(nt_instance, std::move(*n));
    if (pins) tree::adopt(inst, pins);
    inst->add_child(nt_master, std::move(*m));
    tree::adopt(inst, params);
    return tree::locate(inst, loc);
}

node* include(korvex3_driver& d, std::string* file, node* params, const location& loc) {
    auto f = own(file);
    auto list = own(params);
    std::string section;
    for (const node* p : list->get_children())
        if (p->get_type() == nt_param && p->get_value() == "section" && p->has_children())
            section = (*p)[0].get_value();
    d.prepare_quoted_string(*f);
    std::string path = nimbus::os::expand_from_env(*f);
    auto* host = d.get_quarry_parser();
    if (host) path = host->resolve_path(path);
    node* inc = new node(nt_include, path);
    node* body = inc->add_child(nt_block, std::string());
    if (host) {
        const bool ok = section.empty() ? host->add_include(path, "korvex3", body)
                                        : host->add_include_section(path, section, "korvex3", body);
        if (!ok) d.context_error(loc, ".include path is invalid: " + path);
    }
    inc->take_children(*list);
    return tree::locate(inc, loc);
}

node* include_section(std::string* name) {
    auto n = own(name);
    node* p = new node(nt_param, "section");
    p->add_child(nt_string, nimbus::os::expand_from_env(*n));
    return p;
}

node* load(std::string* file, node* before, node* after, const location& loc) {
    auto f = own(file);
    auto first = own(before), second = own(after);
    node* n = new node(nt_hdl_file, std::move(*f));
    bool usecache = false;
    for (const node* list : {first.get(), second.get()}) {
        for (const node* p : list->get_children()) {
            if (p->get_type() != nt_param) continue;
            if (p->get_value() == "usecache") usecache = true;
            if (p->get_value() == "debug") n->add_named_value("options", nt_string, "-G");
        }
    }
    if (!usecache) n->add_named_value("force", nt_bool, "y");
    return tree::locate(n, loc);
}

}  // namespace quarry_parser_implementation::structure
