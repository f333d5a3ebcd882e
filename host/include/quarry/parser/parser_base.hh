#pragma once
#include <functional>
#include <iosfwd>
#include <string>

#include "quarry/export.hh"

namespace quarry {
class task;
namespace ast {
class node;
}
}  // namespace quarry

namespace quarry::parser {

class info;

/// Stand-in host extension: one token of a language's scanner, for listings.
struct token_view {
    /// The scanner's name for the kind ("identifier", "end-of-line", ".END").
    std::string kind;
    /// The token's text, or null for a token that carries none.
    const std::string* value = nullptr;
    /// Where it stands; valid during the call only.
    const info* where = nullptr;
};

/// A parser object of one input language, made by that language's factory.
/// The host gives it a root node and a task before calling a parse entry.
class QUARRY_EXPORT parser_base {
public:
    parser_base();

    /// Remembers the file being parsed (include paths are resolved against it).
    virtual void set_parsing_file(const std::string& file);
    /// A named section begins; `where` is the text form of the statement's location.
    virtual void start_parsing_section(const std::string& name, const std::string& where);
    virtual void stop_parsing_section();
    virtual void stop_parsing_section(const std::string& name, const std::string& where);
    /// Parses `path` in `language` into `target`; false when the file cannot be
    /// used: missing, no regular file, unreadable, outside the task's include
    /// roots, already open in the chain of includes that leads here (a
    /// cycle), 64 includes deep, or past the task's limit of included files.
    /// A note after the language's report says why, where it is not plain.
    virtual bool add_include(const std::string& path, const std::string& language, ast::node* target);
    /// As add_include, keeping only the statements of the named section.
    virtual bool add_include_section(const std::string& path, const std::string& section,
                                     const std::string& language, ast::node* target);
    /// Parses text as an include; no language calls it.
    virtual bool add_include_string(const std::string& text, const std::string& language, ast::node* target);
    virtual bool parse_file(const std::string& file) = 0;
    virtual bool parse_string(const std::string& text) = 0;
    virtual bool parse_string(const std::string& text, const std::string& name) = 0;
    virtual ~parser_base();

    /// Stand-in host extension for the command-line host: writes the token
    /// stream of the input `in`, named `name`, to `out`. False when the
    /// language cannot do it.
    virtual bool dump_tokens(std::istream& in, const std::string& name, std::ostream& out);
    /// Stand-in host extension: calls `each` for every token of the input
    /// `in`, named `name`, in order. False when the language cannot do it.
    virtual bool visit_tokens(std::istream& in, const std::string& name,
                              const std::function<void(const token_view&)>& each);

    ast::node* get_ast_node() const { return ast_node_; }
    void set_ast_node(ast::node* root) { ast_node_ = root; }
    task* get_task() const { return task_; }
    void set_task(task* t) { task_ = t; }
    const std::string& get_parsing_file() const { return parsing_file_; }
    bool file_is_include() const { return include_; }
    void set_file_is_include(bool include) { include_ = include; }

    /// An absolute path unchanged; else the first existing of: the parsed
    /// file's directory joined with path, each include directory joined with
    /// path; otherwise path unchanged (relative to the working directory).
    std::string resolve_path(const std::string& path) const;
    /// Directory of the top-level file, or "".
    std::string get_init_dir() const;

private:
    ast::node* ast_node_ = nullptr;
    task* task_ = nullptr;
    std::string parsing_file_;
    std::string unused_;
    bool include_ = false;
};

}  // namespace quarry::parser
