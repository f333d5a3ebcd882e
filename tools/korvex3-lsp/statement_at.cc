#include "statement_at.hh"

#include <algorithm>

namespace korvex3_lsp {

namespace ast = quarry::ast;

statement_hit statement_at(const feature_context& ctx, std::uint64_t line) {
    statement_hit hit;
    const std::uint64_t line1 = line + 1;
    walk(*ctx.parsed.parse.root, [&](const ast::node& n, const std::vector<const ast::node*>& ancestors) {
        const auto* w = where(n);
        if (!w) return n.get_type() != ast::nt_include;
        if (w->get_filename() != ctx.parsed.path) return false;
        const bool holds = w->get_first_line() <= line1 && line1 <= w->get_last_line();
        if (holds) {
            hit.statement = &n;
            hit.ancestors = ancestors;
        }
        // Included statements belong to other files.
        return holds && n.get_type() != ast::nt_include;
    });
    return hit;
}

namespace {

bool word_byte(char c) {
    switch (c) {
    case ' ': case '\t': case '\r': case '\n': case '=': case '\'': case '"':
    case '(': case ')': case '{': case '}': case ',': case '[': case ']':
        return false;
    default:
        return true;
    }
}

}  // namespace

word_hit word_at(const feature_context& ctx, const lsp_position& at) {
    word_hit w;
    const std::string_view line = ctx.parsed.lines.line(*ctx.parsed.text, static_cast<std::size_t>(at.line));
    const std::size_t column = bytes_of(line, at.character, ctx.encoding);
    w.column = column;
    std::size_t begin = column;
    while (begin > 0 && word_byte(line[begin - 1])) --begin;
    std::size_t end = column;
    while (end < line.size() && word_byte(line[end])) ++end;
    w.begin = begin;
    w.end = end;
    w.text = std::string(line.substr(begin, end - begin));
    std::size_t first = 0;
    while (first < line.size() && (line[first] == ' ' || line[first] == '\t')) ++first;
    w.first_on_line = begin == first;
    return w;
}

const ast::node* find_definition(const feature_context& ctx, ast::et_node_type type, const std::string& name,
                                 const std::vector<const ast::node*>& ancestors) {
    const std::string wanted = lower(name);
    const ast::node* best = nullptr;
    std::ptrdiff_t best_depth = -1;
    walk(*ctx.parsed.parse.root, [&](const ast::node& n, const std::vector<const ast::node*>& above) {
        if (n.get_type() == type && lower(n.get_value()) == wanted) {
            // Visible where its enclosing subcircuit encloses the use too.
            const ast::node* scope = nullptr;
            for (const ast::node* a : above)
                if (a->get_type() == ast::nt_subckt) scope = a;
            std::ptrdiff_t depth = 0;
            if (scope) {
                const auto it = std::find(ancestors.begin(), ancestors.end(), scope);
                if (it == ancestors.end()) return true;
                depth = 1 + (it - ancestors.begin());
            }
            if (depth > best_depth) {
                best = &n;
                best_depth = depth;
            }
        }
        return true;
    });
    return best;
}

}  // namespace korvex3_lsp
