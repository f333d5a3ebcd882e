#pragma once
// Shared vocabulary of the tree builders: owned values off the parser stack,
// containers, named values and locations.
//
// A builder owns what it is given, but a builder that can throw must do so
// before it takes anything over: when an action throws, the parser frees the
// symbols of that rule itself.
#include <memory>
#include <string>
#include <vector>

#include "korvex3_driver.hh"
#include "location.hh"
#include "quarry/ast/node.hh"
#include "text_pool.hh"

namespace quarry_parser_implementation::tree {

using quarry::ast::node;
using text_ptr = text_pool::ptr;
using node_ptr = std::unique_ptr<node>;
using texts = std::vector<std::string>;

/// A text with the location of its own token, for a rule whose span is wider
/// (an identifier in parentheses).
struct located_text {
    text_ptr text;
    location where;
};

/// Takes ownership of a text handed up the stack (null is allowed).
inline text_ptr own(std::string* s) { return text_ptr(s); }
inline node_ptr own(node* n) { return node_ptr(n); }

/// Lower-cases in place (ASCII letters; other bytes stay).
std::string& lower(std::string& s);
/// Lower-cases an owned text and hands it on.
std::string* lowered(std::string* s);

/// The span from the beginning of `first` to the end of `last`.
inline location span(const location& first, const location& last) { return location(first.begin, last.end); }

/// The span of a list after an item: it starts at its first item, not where
/// the empty list stood.
inline location list_span(const node* list, const location& list_loc, const location& item) {
    return list->has_children() ? span(list_loc, item) : item;
}

/// Gives the node a location record.
inline node* locate(node* n, const location& loc) {
    n->set_parser_info(korvex3_driver::new_record(loc));
    return n;
}

/// An empty list container (nt_block, value "").
inline node* container() { return new node(); }
/// A container holding `item`.
inline node* container(node* item) {
    node* c = new node();
    c->add_child(item);
    return c;
}
/// Appends item to the list and hands the list on.
inline node* append(node* list, node* item) {
    list->add_child(item);
    return list;
}
/// Appends an nt_param item; empties any other item (a container of several) into the list.
node* merge(node* list, node* item);
/// Moves the list's entries to the end of `target` and deletes the list.
node* adopt(node* target, node* list);
/// nt_param `name` over `value`.
node* named(const std::string& name, node* value);
/// nt_param `name` over nt_integer "1": a flag without a value.
node* flag(const std::string& name);

}  // namespace quarry_parser_implementation::tree
