#pragma once
// Shared vocabulary of the tree builders: containers, named values and
// locations over the owning values of grammar/values.hh.
#include <stdexcept>
#include <string>
#include <utility>

#include "driver/korvex3_driver.hh"
#include "quarry/parser/diagnostics.hh"
#include "grammar/values.hh"

namespace quarry_parser_implementation {

/// A value the dialect cannot take (a bus bound beyond 64 bits, a bus of more
/// than 2^20 members, a conductor count that is no integer): it ends the
/// parse, reported at the value like any input the parse cannot go on from.
struct unusable_input : quarry::parser::input_error {
    unusable_input(const std::string& message, const location& loc)
        : input_error(message, std::shared_ptr<const quarry::parser::info>(new_record(loc))) {}
};

}  // namespace quarry_parser_implementation

namespace quarry_parser_implementation::tree {

using quarry::ast::node;
using quarry_parser_implementation::lower;

/// The span from the beginning of `first` to the end of `last`.
inline location span(const location& first, const location& last) { return location(first.begin, last.end); }

/// The span of a list after an item: it starts at its first item, not where
/// the empty list stood.
inline location list_span(const grammar_value& list, const location& list_loc, const location& item) {
    const node* n = list.peek_node();
    return n && n->has_children() ? span(list_loc, item) : item;
}

/// Gives the node a location record.
inline node_ptr locate(node_ptr n, const location& loc) {
    n->set_parser_info(new_record(loc));
    return n;
}

/// An empty list container (nt_block, value "").
inline node_ptr container() { return std::make_unique<node>(); }
/// A container holding `item`.
inline node_ptr container(node_ptr item) {
    node_ptr c = container();
    c->add_child(item.release());
    return c;
}
/// Appends item to the list and hands the list on.
inline node_ptr append(node_ptr list, node_ptr item) {
    list->add_child(item.release());
    return list;
}
/// Moves the list's entries to the end of `target`.
inline node_ptr adopt(node_ptr target, node_ptr list) {
    target->take_children(*list);
    return target;
}
/// Appends an nt_param item; empties any other item (a container of several) into the list.
node_ptr merge(node_ptr list, node_ptr item);
/// nt_param `name` over `value`.
node_ptr named(const std::string& name, node_ptr value);
/// nt_param `name` over nt_integer "1": a flag without a value.
node_ptr flag(const std::string& name);

}  // namespace quarry_parser_implementation::tree
