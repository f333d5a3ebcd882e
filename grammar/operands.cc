#include "grammar/operands.hh"

#include <stdexcept>

#include <boost/lexical_cast.hpp>

namespace quarry_parser_implementation::operands {

using namespace quarry::ast;

text_ptr name(text_ptr text) {
    lower(*text);
    return text;
}

text_ptr call_name(text_ptr head, text_ptr inner, const char* close, text_ptr trailing) {
    std::string& out = lower(*head);
    out += '(';
    out += *inner;
    out += close;
    if (trailing) out += lower(*trailing);
    return head;
}

text_ptr indexed_name(text_ptr head, text_ptr open, text_ptr index, text_ptr close, text_ptr trailing) {
    std::string& out = lower(*head);
    out += *open;
    out += *index;
    out += *close;
    if (trailing) out += *trailing;
    return head;
}

text_ptr prefixed_name(text_ptr piece, text_ptr name) {
    lower(*piece) += *name;
    return piece;
}

namespace {
constexpr std::uint64_t max_bus_width = 1u << 20;
}

texts bus(text_ptr head, text_ptr open, text_ptr from, text_ptr to, text_ptr close, text_ptr trailing,
          const location& loc) {
    const auto where = [&] { return "bus " + *head + *open + *from + ":" + *to + *close; };
    std::uint64_t first = 0, last = 0;
    if (!boost::conversion::try_lexical_convert(*from, first) || !boost::conversion::try_lexical_convert(*to, last))
        throw unusable_input(where() + ": bound does not fit 64 bits", loc);
    if ((first > last ? first - last : last - first) >= max_bus_width)
        throw unusable_input(where() + ": more than " + std::to_string(max_bus_width) + " members", loc);
    lower(*head);
    texts members;
    const std::string suffix = *close + (trailing ? *trailing : std::string());
    const auto add = [&](std::uint64_t i) { members.push_back(*head + *open + std::to_string(i) + suffix); };
    const std::uint64_t count = (first > last ? first - last : last - first) + 1;
    members.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) add(first <= last ? first + i : first - i);
    return members;
}

node_ptr name_list(node_ptr list, text_ptr name) {
    if (!list) list = tree::container();
    list->add_child(nt_string, std::move(*name));
    return list;
}

node_ptr name_list_members(node_ptr list, texts members) {
    if (!list) list = tree::container();
    list->create_meta_children(members.size());
    for (auto& s : members) list->add_child(nt_string, std::move(s));
    return list;
}

node_ptr pin(text_ptr name, const char* fallback) {
    node_ptr p = std::make_unique<node>(nt_pin, std::string());
    if (name)
        p->add_child(nt_string, std::move(*name));
    else
        p->add_child(nt_string, fallback);
    return p;
}

node_ptr port_pin(const char* port, text_ptr net) {
    node_ptr p = std::make_unique<node>(nt_pin, std::string());
    p->add_named_value(port, nt_string, *net);
    return p;
}

node_ptr port_pin(text_ptr port, text_ptr net) { return port_pin(lower(*port).c_str(), std::move(net)); }

node_ptr indexed_port_pin(text_ptr head, text_ptr index, text_ptr close, text_ptr tail, text_ptr net) {
    std::string port = lower(*head) + "[" + *index + (close ? *close : std::string("]"));
    if (tail) port += *tail;  // the tail stays as written
    return port_pin(port.c_str(), std::move(net));
}

node_ptr instance(text_ptr name, node_ptr pins) {
    node_ptr inst = std::make_unique<node>(nt_instance, std::move(*name));
    // Room for the usual value, master and parameters after the pins.
    inst->create_meta_children(pins->child_count() + 4);
    return tree::adopt(std::move(inst), std::move(pins));
}

node_ptr pin_list(node_ptr list, node_ptr p) {
    if (!list) list = tree::container();
    return tree::append(std::move(list), std::move(p));
}

node_ptr pin_list_members(node_ptr list, texts members) {
    if (!list) list = tree::container();
    list->create_meta_children(members.size());
    for (auto& s : members) list->add_pin(s);
    return list;
}

text_ptr quoted_piece(korvex3_driver& d, text_ptr text) {
    d.prepare_quoted_string(*text);
    return text;
}

text_ptr join(text_ptr first, text_ptr second) {
    *first += *second;
    return first;
}

model_reference model_by_name(text_ptr name, const location& loc) {
    return {model_reference::by_name, std::move(name), loc};
}

model_reference model_by_alias(text_ptr alias, const location& loc) {
    return {model_reference::by_alias, std::move(alias), loc};
}

node_ptr with_master(node_ptr inst, const std::string& name, const char* kind) {
    inst->add_child(nt_master, name);
    inst->add_child(nt_master_kind, kind);
    return inst;
}

node_ptr with_model(korvex3_driver& d, node_ptr inst, model_reference model) {
    std::string& text = *model.text;
    if (model.kind == model_reference::by_alias) {
        d.prepare_expression(text);
        inst->add_child(nt_model_alias, std::move(text));
    } else {
        inst->add_child(nt_master, std::move(text));
    }
    inst->add_child(nt_master_kind, "model");
    return inst;
}

node_ptr int_field(korvex3_driver& d, text_ptr text) {
    lower(*text);
    const bool scaled = d.prepare_number(*text);
    return std::make_unique<node>(scaled ? nt_number : nt_integer, std::move(*text));
}

node_ptr float_field(korvex3_driver& d, text_ptr text) {
    lower(*text);
    d.prepare_number(*text);
    return std::make_unique<node>(nt_number, std::move(*text));
}

node_ptr exp_field(korvex3_driver& d, text_ptr text) {
    lower(*text);
    d.prepare_exp_number(*text);
    return std::make_unique<node>(nt_number, std::move(*text));
}

node_ptr expression(korvex3_driver& d, text_ptr text, const location& loc) {
    return tree::locate(bare_expression(d, std::move(text)), loc);
}

node_ptr bare_expression(korvex3_driver& d, text_ptr text) {
    d.prepare_expression(*text);
    return std::make_unique<node>(nt_expression, std::move(*text));
}

node_ptr located_expression(korvex3_driver& d, located_text id) {
    return expression(d, std::move(id.text), id.where);
}

located_text located_name(text_ptr text, const location& loc) {
    lower(*text);
    return {std::move(text), loc};
}

node_ptr generic_value(korvex3_driver& d, located_text id) {
    d.prepare_expression(*id.text);
    return tree::locate(std::make_unique<node>(nt_generic_value, std::move(*id.text)), id.where);
}

node_ptr string_field(text_ptr text) { return std::make_unique<node>(nt_string, std::move(lower(*text))); }

node_ptr indexed_string(text_ptr head, text_ptr index) {
    return std::make_unique<node>(nt_string, lower(*head) + "[" + *index + "]");
}

node_ptr named_text(const char* name, text_ptr text) {
    node_ptr p = std::make_unique<node>(nt_param, name);
    p->add_child(nt_string, std::move(*text));
    return p;
}

node_ptr named_file(korvex3_driver& d, const char* name, text_ptr file) {
    d.prepare_quoted_string(*file);
    return named_text(name, std::move(file));
}

node_ptr parameter(text_ptr name, node_ptr field) {
    if (field->get_type() == nt_string) field->set_type(nt_generic_value);
    node_ptr p = std::make_unique<node>(nt_param, std::move(*name));
    p->add_child(field.release());
    return p;
}

node_ptr pattern(const char* kind, text_ptr pattern) {
    node_ptr n = std::make_unique<node>(nt_param, kind);
    n->add_child(nt_string, std::move(*pattern));
    return n;
}

node_ptr id_list(node_ptr list, located_text id) {
    list->add_child(nt_string, std::move(*id.text));
    return list;
}

node_ptr word_param(text_ptr word, node_ptr value) { return tree::named(lower(*word), std::move(value)); }

node_ptr indexed_word_param(text_ptr word, text_ptr index, node_ptr value) {
    std::string& name = lower(*word);
    name += '[';
    name += lower(*index);
    name += ']';
    return tree::named(name, std::move(value));
}

node_ptr word_string_param(text_ptr word, text_ptr name) {
    return tree::named(lower(*word), std::make_unique<node>(nt_string, std::move(lower(*name))));
}

node_ptr pattern_param(korvex3_driver& d, const char* name, text_ptr pattern) {
    d.prepare_regex(lower(*pattern));
    return named_text(name, std::move(pattern));
}

node_ptr list_param(const char* name, node_ptr values) {
    return tree::adopt(std::make_unique<node>(nt_param, name), std::move(values));
}

node_ptr statement(et_node_type kind, text_ptr name, node_ptr params, const location& loc) {
    node_ptr n = std::make_unique<node>(kind, name ? std::move(lower(*name)) : std::string());
    return tree::locate(tree::adopt(std::move(n), std::move(params)), loc);
}

}  // namespace quarry_parser_implementation::operands
