#include "grammar/outputs.hh"

#include <cstdlib>

#include "grammar/operands.hh"

namespace quarry_parser_implementation::outputs {

using namespace quarry::ast;

namespace {

/// The text of a named value: its first child's value, or "".
std::string text_of(const node& entry) { return entry.has_children() ? entry[0].get_value() : std::string(); }

void set_text(node& entry, const std::string& text) {
    if (entry.has_children()) entry[0].set_value(text);
}

bool is_param(const node& n, const char* name) { return n.get_type() == nt_param && n.get_value() == name; }

/// A new node of the entry's kind and value that takes over its children.
node_ptr recreate(node& entry) {
    node_ptr n = std::make_unique<node>(entry.get_type(), entry.get_value());
    n->take_children(entry);
    return n;
}

/// The text of a group's "type" entry, or "".
std::string group_type(const node& group) {
    for (const node* e : group.get_children())
        if (is_param(*e, "type")) return text_of(*e);
    return std::string();
}

node* add_container(node& parent) { return parent.add_child(tree::container().release()); }

/// A value holding the one group `g`.
node_ptr value_of(node_ptr group) { return tree::container(std::move(group)); }

bool takes_diff(const std::string& t) {
    return t == "v" || t == "vi" || t == "vr" || t == "vm" || t == "vp" || t == "vdb" || t == "vgd";
}

/// Whether the last dot-separated part of a hierarchical name is an instance
/// of a subcircuit (begins with x).
bool names_subckt_instance(const std::string& name) {
    const std::string::size_type dot = name.rfind('.');
    const std::string::size_type first = dot == std::string::npos ? 0 : dot + 1;
    return first < name.size() && (name[first] == 'x' || name[first] == 'X');
}

/// Adds a modifier word: "ta" asks for the time average.
void add_modifier(node& group, node& modifiers, const std::string& word) {
    if (word == "ta")
        group.add_named_value("timeavg", nt_integer, "1");
    else
        modifiers.add_child(nt_string, word);
}

enum class walk_kind { all, allx, except };

/// Rebuilds every group of every value for ALL, ALLX or EXCEPT: without a
/// "matchtype" the request reaches down the hierarchy.
node_ptr walk(node_ptr values, walk_kind kind) {
    node_ptr result = tree::container();
    for (node* value : values->get_children()) {
        node* rebuilt = add_container(*result);
        for (node* group : value->get_children()) {
            node* g = rebuilt->add_child(std::make_unique<node>(group->get_type(), group->get_value()).release());
            bool has_matchtype = false;
            std::string reset;  // the type a dropped marker restores
            for (node* e : group->get_children()) {
                const bool param = e->get_type() == nt_param;
                if (param && e->get_value() == "matchtype") has_matchtype = true;
                if (param && kind != walk_kind::allx &&
                    (e->get_value() == "changed_to_xi" || (kind == walk_kind::all && e->get_value() == "changed_to_xp"))) {
                    reset = e->get_value() == "changed_to_xi" ? "i" : "p";
                    continue;
                }
                node_ptr n = recreate(*e);
                if (param && n->get_value() == "type") {
                    if (kind == walk_kind::allx) {
                        const std::string t = text_of(*n);
                        if (t == "i") set_text(*n, "xi");
                        if (t == "p") set_text(*n, "xp");
                    } else if (!reset.empty()) {
                        set_text(*n, reset);
                    }
                }
                g->add_child(n.release());
            }
            if (!has_matchtype) g->add_named_value("matchtype", nt_string, "hier_start");
        }
    }
    return result;
}

}  // namespace

// ---- statements --------------------------------------------------------------

node_ptr punch(korvex3_driver& d, text_ptr analysis, node_ptr list, node_ptr except_list, const location& loc) {
    d.prepare_analysis_type(*analysis);
    node_ptr statement = tree::container();
    for (node* item : list->get_children())
        for (node* value : item->get_children())
            for (node* group : value->get_children()) {
                node* out = statement->add_child(nt_output, std::string());
                out->add_named_value("anal", nt_string, *analysis);
                if (!except_list) {
                    // The markers of an x-instance type served only the ALL forms.
                    for (node* e : group->get_children())
                        if (!is_param(*e, "changed_to_xi") && !is_param(*e, "changed_to_xp"))
                            out->add_child(recreate(*e).release());
                    continue;
                }
                const std::string type = group_type(*group);
                out->take_children(*group);
                for (node* except : except_list->get_children())
                    for (node* excluded : except->get_children())
                        for (node* e : excluded->get_children())
                            if (group_type(*e) == type)
                                out->add_child(nt_output_except, std::string())->copy_children(*e);
            }
    return tree::locate(std::move(statement), loc);
}

node_ptr punch(const location& loc) { return tree::locate(tree::container(), loc); }

node_ptr print(korvex3_driver& d, const location& loc) {
    d.context_warning(loc, ".PRINT statement is not supported.");
    return tree::locate(std::make_unique<node>(nt_unsupported, "print"), loc);
}

node_ptr unsupported(const char* what) { return std::make_unique<node>(nt_unsupported, what); }

// ---- output variables ------------------------------------------------------------

namespace {

/// nt_param `entry` over nt_string `text`.
node_ptr string_entry(const char* entry, std::string text) {
    node_ptr p = std::make_unique<node>(nt_param, entry);
    p->add_child(nt_string, std::move(text));
    return p;
}

}  // namespace

node_ptr type(const char* name) { return string_entry("type", name); }

node_ptr type(text_ptr name) { return string_entry("type", std::move(lower(*name))); }

node_ptr match(const char* name) { return string_entry("match", name); }

node_ptr match(text_ptr name) { return string_entry("match", std::move(lower(*name))); }

node_ptr named_signal(text_ptr name) { return tree::container(match(std::move(name))); }

node_ptr signal(node_ptr entry) { return tree::container(std::move(entry)); }

node_ptr indexed_signal(text_ptr head, text_ptr open, text_ptr index, text_ptr close, text_ptr tail) {
    std::string& name = *head;
    name += *open;
    name += *index;
    name += *close;
    if (tail) name += *tail;
    return named_signal(std::move(head));
}

node_ptr model_signal(node_ptr match) {
    node_ptr s = tree::container(std::move(match));
    s->add_named_value("matchtype", nt_string, "model");
    return s;
}

node_ptr numbered_signal(node_ptr match, text_ptr number) {
    set_text(*match, text_of(*match) + "(" + *number + ")");
    return tree::container(std::move(match));
}

node_ptr pattern_signal(korvex3_driver& d, text_ptr pattern, const char* matchtype) {
    d.prepare_expression(*pattern);
    node_ptr s = named_signal(std::move(pattern));
    s->add_named_value("matchtype", nt_string, matchtype);
    return s;
}

node_ptr top(text_ptr name, text_ptr n) {
    node_ptr s = tree::container();
    if (name) s->add_child(match(std::move(name)).release());
    s->add_named_value("matchtype", nt_string, "top");
    s->add_named_value("topn", nt_integer, *n);
    return s;
}

node_ptr topx(text_ptr name, text_ptr n) {
    node_ptr s = tree::container();
    s->add_named_value("type", nt_string, "x_base");
    if (*n == "0") {
        s->add_named_value("matchtype", nt_string, "hier_start");
        return s;
    }
    if (name) s->add_child(match(std::move(name)).release());
    s->add_named_value("matchtype", nt_string, "top");
    // TOPX counts the levels below the top one.
    s->add_named_value("topn", nt_integer, std::to_string(std::strtoll(n->c_str(), nullptr, 10) - 1));
    return s;
}

node_ptr extend_word(node_ptr signal, text_ptr word) {
    signal->add_child(nt_output_signal, std::move(lower(*word)));
    return signal;
}

node_ptr extend_keyword(node_ptr signal, node_ptr keyword) {
    signal->add_child(nt_output_signal, text_of(*keyword));
    return signal;
}

node_ptr extend_indexed(node_ptr signal, text_ptr head, text_ptr open, text_ptr index, text_ptr close) {
    text_ptr name = operands::indexed_name(std::move(head), std::move(open), std::move(index), std::move(close));
    signal->add_child(nt_output_signal, std::move(*name));
    return signal;
}

node_ptr typed_signals(node_ptr type, node_ptr signals) {
    const std::string t = text_of(*type);
    const bool instance_type = t == "i" || t == "p";
    node_ptr result = tree::container();
    for (const node* s : signals->get_children()) {
        bool has_type = false, x_base = false, has_match = false, has_matchtype = false;
        std::string m;
        for (const node* e : s->get_children()) {
            if (is_param(*e, "type")) {
                has_type = true;
                x_base = text_of(*e) == "x_base";
            } else if (is_param(*e, "match") && !has_match) {
                has_match = true;
                m = text_of(*e);
            } else if (is_param(*e, "matchtype")) {
                has_matchtype = true;
            }
        }
        node* g = add_container(*result);
        node_ptr modifiers = std::make_unique<node>(nt_param, "modifiers");
        for (const node* e : s->get_children()) {
            if (e->get_type() == nt_output_signal) {
                if (e->get_value() != "ta" && takes_diff(t))
                    g->add_named_value("diff", nt_string, e->get_value());
                else
                    add_modifier(*g, *modifiers, e->get_value());
                continue;
            }
            if (is_param(*e, "match") && has_match && instance_type && m == "allx") continue;
            if (is_param(*e, "type") && x_base) continue;
            g->add_child(*e);
        }
        if (!has_type) {
            // A current or power of a subcircuit instance is asked for as such.
            std::string x;
            if (instance_type && has_match) {
                const char* xt = t == "i" ? "xi" : "xp";
                if (m == "allx") {
                    x = xt;
                } else if (!has_matchtype && names_subckt_instance(m)) {
                    x = xt;
                    g->add_named_value(t == "i" ? "changed_to_xi" : "changed_to_xp", nt_integer, "1");
                }
            }
            node* copy = g->add_child(*type);
            if (!x.empty()) set_text(*copy, x);
        } else if (x_base) {
            node* copy = g->add_child(*type);
            if (instance_type) set_text(*copy, t == "i" ? "xi" : "xp");
        }
        if (modifiers->has_children()) g->add_child(modifiers.release());
    }
    return result;
}

node_ptr no_mods(node_ptr type) {
    node_ptr g = tree::container();
    if (text_of(*type) == "srcnoise") {
        g->add_named_value("type", nt_string, "dvnoise");
        g->add_named_value("matchtype", nt_string, "hier_start");
    } else {
        g->add_child(type.release());
    }
    return value_of(std::move(g));
}

node_ptr typed_modifiers(node_ptr type, node_ptr signal) {
    node_ptr g = tree::container(std::move(type));
    node_ptr modifiers = std::make_unique<node>(nt_param, "modifiers");
    for (const node* e : signal->get_children())
        for (const node* v : e->get_children()) add_modifier(*g, *modifiers, v->get_value());
    if (modifiers->has_children()) g->add_child(modifiers.release());
    return value_of(std::move(g));
}

node_ptr derivative(node_ptr dv, node_ptr d) {
    node_ptr g = tree::container();
    g->add_named_value("type", nt_string, "dvd");
    for (node* e : dv->get_children()) {
        if (e->get_type() == nt_output_signal)
            g->add_named_value("diff", nt_string, e->get_value());
        else
            g->add_child(recreate(*e).release());
    }
    node_ptr modifiers = std::make_unique<node>(nt_param, "dvdmod");
    for (const node* e : d->get_children()) {
        if (e->get_type() == nt_output_signal)
            modifiers->add_child(nt_string, e->get_value());
        else
            g->add_child(*e)->set_value("dvd");
    }
    if (modifiers->has_children()) g->add_child(modifiers.release());
    return value_of(std::move(g));
}

node_ptr expression(korvex3_driver& d, text_ptr text, const location& loc) {
    return value_of(tree::container(tree::named("expr", operands::expression(d, std::move(text), loc))));
}

node_ptr alias(text_ptr alias, node_ptr value) {
    node_ptr g = tree::container();
    g->add_named_value("alias", nt_string, lower(*alias));
    if (value->has_children()) g->take_children((*value)[0]);
    return value_of(std::move(g));
}

node_ptr bare_type(node_ptr type) { return value_of(tree::container(std::move(type))); }

node_ptr all(node_ptr values) { return walk(std::move(values), walk_kind::all); }
node_ptr allx(node_ptr values) { return walk(std::move(values), walk_kind::allx); }
node_ptr except(node_ptr values) { return walk(std::move(values), walk_kind::except); }

// ---- .MEASURE ------------------------------------------------------------------------

namespace {
/// Marks a braced argument list that measure_params merges.
const char* const merge_mark = "__take_children__";
}  // namespace

node_ptr measure(text_ptr name, node_ptr params, const location& loc) {
    node_ptr m = std::make_unique<node>(nt_measure, std::move(*name));
    m->take_children(*params);
    return tree::locate(std::move(m), loc);
}

node_ptr measure_params(node_ptr list, node_ptr item) {
    if (item->get_value() == merge_mark) return tree::adopt(std::move(list), std::move(item));
    return tree::append(std::move(list), std::move(item));
}

node_ptr measure_param(text_ptr name, node_ptr value) { return tree::named(lower(*name), std::move(value)); }

node_ptr measure_param(text_ptr field, text_ptr index, node_ptr value) {
    return tree::named(lower(*field) + "[" + lower(*index) + "]", std::move(value));
}

node_ptr measure_analysis(node_ptr values) {
    node_ptr p = std::make_unique<node>(nt_param, "analysis");
    p->take_children(*values);
    return p;
}

node_ptr measure_args(const char* prefix, node_ptr args) {
    for (node* a : args->get_children()) a->set_value(prefix + a->get_value());
    args->set_value(merge_mark);
    return args;
}

}  // namespace quarry_parser_implementation::outputs
