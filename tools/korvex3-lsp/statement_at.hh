#pragma once
// The statement under the cursor and the word there.
#include <string>
#include <vector>

#include "features.hh"

namespace korvex3_lsp {

struct statement_hit {
    /// The innermost statement of the document whose lines hold the cursor, or null.
    const quarry::ast::node* statement = nullptr;
    /// Its ancestors, outermost first.
    std::vector<const quarry::ast::node*> ancestors;
};

/// The statement at the 0-based line.
statement_hit statement_at(const feature_context& ctx, std::uint64_t line);

struct word_hit {
    std::string text;
    std::size_t begin = 0;  ///< byte columns on the line, end exclusive
    std::size_t end = 0;
    std::size_t column = 0;  ///< the cursor's byte column
    /// The word starts the line's first statement text (the element name, a dot command).
    bool first_on_line = false;
};

/// The word (a run of characters that are no blank, '=', quote, bracket or
/// comma) that holds or ends at the cursor.
word_hit word_at(const feature_context& ctx, const lsp_position& at);

/// A definition of a subcircuit (`type` nt_subckt) or a model (nt_model)
/// named `name` as seen from a statement with those ancestors: the innermost
/// enclosing scope first, then the top level. Null when there is none.
const quarry::ast::node* find_definition(const feature_context& ctx, quarry::ast::et_node_type type,
                                         const std::string& name,
                                         const std::vector<const quarry::ast::node*>& ancestors);

}  // namespace korvex3_lsp
