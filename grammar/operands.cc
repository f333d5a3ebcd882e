#include "operands.hh"

#include <stdexcept>

#include <boost/lexical_cast.hpp>

namespace quarry_parser_implementation::operands {

using namespace quarry::ast;
using tree::own;

std::string* name(std::string* text) { return tree::lowered(text); }

std::string* call_name(std::string* head, std::string* inner, const char* close, std::string* trailing) {
    auto h = own(head), i = own(inner), t = own(trailing);
    auto* out = new std::string(std::move(tree::lower(*h)));
    *out += '(';
    *out += *i;
    *out += close;
    if (t) *out += tree::lower(*t);
    return out;
}

std::string* indexed_name(std::string* head, std::string* open, std::string* index, std::string* close,
                          std::string* trailing) {
    auto h = own(head), o = own(open), i = own(index), c = own(close), t = own(trailing);
    auto* out = new std::string(std::move(tree::lower(*h)));
    *out += *o;
    *out += *i;
    *out += *c;
    if (t) *out += *t;
    return out;
}

std::string* prefixed_name(std::string* piece, std::string* name) {
    auto p = own(piece), n = own(name);
    auto* out = new std::string(std::move(tree::lower(*p)));
    *out += *n;
    return out;
}

namespace {
constexpr std::uint64_t max_bus_width = 1u << 20;
}

texts* bus(std::string* head, std::string* open, std::string* from, std::string* to, std::string* close,
           std::string* trailing) {
    // Converted before anything is taken over: when a bound fails, the parser
    // frees the rule's symbols itself.
    const auto first = boost::lexical_cast<std::uint64_t>(*from);
    const auto last = boost::lexical_cast<std::uint64_t>(*to);
    if ((first > last ? first - last : last - first) >= max_bus_width)
        throw std::length_error("bus " + *head + *open + *from + ":" + *to + *close + " has more than " +
                                std::to_string(max_bus_width) + " members");
    auto h = own(head), o = own(open), f = own(from), t = own(to), c = own(close), tail = own(trailing);
    tree::lower(*h);
    auto members = std::make_unique<texts>();
    const std::string suffix = *c + (tail ? *tail : std::string());
    const auto add = [&](std::uint64_t i) { members->push_back(*h + *o + std::to_string(i) + suffix); };
    if (first <= last) {
        members->reserve(last - first < 65536 ? last - first + 1 : 65536);
        for (std::uint64_t i = first;; ++i) {
            add(i);
            if (i == last) break;
        }
    } else {
        members->reserve(first - last < 65536 ? first - last + 1 : 65536);
        for (std::uint64_t i = first;; --i) {
            add(i);
            if (i == last) break;
        }
    }
    return members.release();
}

node* name_list(node* list, std::string* name) {
    auto n = own(name);
    if (!list) list = tree::container();
    list->add_child(nt_string, std::move(*n));
    return list;
}

node* name_list(node* list, texts* members) {
    std::unique_ptr<texts> m(members);
    if (!list) list = tree::container();
    list->create_meta_children(m->size());
    for (auto& s : *m) list->add_child(nt_string, std::move(s));
    return list;
}

node* pin(std::string* name) {
    auto n = own(name);
    node* p = new node(nt_pin, std::string());
    p->add_child(nt_string, std::move(*n));
    return p;
}

node* port_pin(const std::string& port, std::string* net) {
    auto n = own(net);
    node* p = new node(nt_pin, std::string());
    p->add_named_value(port, nt_string, *n);
    return p;
}

node* indexed_port_pin(std::string* head, std::string* index, std::string* close, std::string* tail,
                       std::string* net) {
    auto h = own(head), i = own(index), c = own(close), t = own(tail);
    std::string port = tree::lower(*h) + "[" + *i + (c ? *c : std::string("]"));
    if (t) port += *t;  // the tail stays as written
    return port_pin(port, net);
}

node* pin_list(node* list, node* p) {
    if (!list) list = tree::container();
    return tree::append(list, p);
}

node* pin_list(node* list, texts* members) {
    std::unique_ptr<texts> m(members);
    if (!list) list = tree::container();
    list->create_meta_children(m->size());
    for (auto& s : *m) list->add_pin(s);
    return list;
}

std::string* quoted_piece(korvex3_driver& d, std::string* text) {
    d.prepare_quoted_string(*text);
    return text;
}

std::string* join(std::string* first, std::string* second) {
    auto s = own(second);
    *first += *s;
    return first;
}

std::string* head_piece(std::string* head, std::string* a, std::string* b, std::string* c, std::string* e) {
    discard(a, b, c, e);
    return head;
}

node* int_field(korvex3_driver& d, std::string* text) {
    auto t = own(text);
    tree::lower(*t);
    const bool scaled = d.prepare_number(*t);
    return new node(scaled ? nt_number : nt_integer, std::move(*t));
}

node* float_field(korvex3_driver& d, std::string* text) {
    auto t = own(text);
    tree::lower(*t);
    d.prepare_number(*t);
    return new node(nt_number, std::move(*t));
}

node* exp_field(korvex3_driver& d, std::string* text) {
    auto t = own(text);
    tree::lower(*t);
    d.prepare_exp_number(*t);
    return new node(nt_number, std::move(*t));
}

node* expression(korvex3_driver& d, std::string* text, const location& loc) {
    return tree::locate(bare_expression(d, text), loc);
}

node* bare_expression(korvex3_driver& d, std::string* text) {
    auto t = own(text);
    d.prepare_expression(*t);
    return new node(nt_expression, std::move(*t));
}

tree::located_text* located_name(std::string* text, const location& loc) {
    return new tree::located_text{own(tree::lowered(text)), loc};
}

node* generic_value(korvex3_driver& d, tree::located_text* id) {
    const std::unique_ptr<tree::located_text> owned(id);
    d.prepare_expression(*owned->text);
    return tree::locate(new node(nt_generic_value, std::move(*owned->text)), owned->where);
}

node* located_expression(korvex3_driver& d, tree::located_text* id) {
    const std::unique_ptr<tree::located_text> owned(id);
    return expression(d, owned->text.release(), owned->where);
}

node* string_field(std::string* text) {
    auto t = own(text);
    return new node(nt_string, std::move(tree::lower(*t)));
}

node* indexed_string(std::string* head, std::string* open, std::string* index, std::string* close) {
    discard(open, close);
    auto h = own(head), i = own(index);
    return new node(nt_string, tree::lower(*h) + "[" + *i + "]");
}

node* parameter(std::string* name, node* field) {
    auto n = own(name);
    if (field->get_type() == nt_string) field->set_type(nt_generic_value);
    node* p = new node(nt_param, std::move(*n));
    p->add_child(field);
    return p;
}

node* pattern(const char* kind, std::string* pattern) {
    auto p = own(pattern);
    node* n = new node(nt_param, kind);
    n->add_child(nt_string, std::move(*p));
    return n;
}

node* flatten(node* outer, node* inner, node* last) {
    tree::adopt(outer, inner);
    return tree::append(outer, last);
}

void discard(std::string* a, std::string* b, std::string* c, std::string* d) {
    text_pool::give_back(a);
    text_pool::give_back(b);
    text_pool::give_back(c);
    text_pool::give_back(d);
}

}  // namespace quarry_parser_implementation::operands
