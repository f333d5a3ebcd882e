#pragma once
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "location/location.hh"
#include "scanner/text_pool.hh"
#include "quarry/parser/driver_base.hh"
#include "quarry/parser/info.hh"
#include "quarry/parser/parser_base.hh"

namespace quarry::ast {
class node;
}
namespace quarry::parser {
class parser_base;
}

namespace quarry_parser_implementation {

class korvex3_scanner;

/// Runs one parse of a file, stream or text into the host's tree, and is the
/// grammar actions' way to the root node, the host parser and the diagnostics.
class korvex3_driver : public quarry::parser::driver_base {
public:
    korvex3_driver();
    ~korvex3_driver() override;
    korvex3_driver(const korvex3_driver&) = delete;
    korvex3_driver& operator=(const korvex3_driver&) = delete;

    void set_ast_node(quarry::ast::node* root) { root_ = root; }
    quarry::ast::node* get_ast_node() const { return root_; }
    void set_quarry_parser(quarry::parser::parser_base* parser) { quarry_parser_ = parser; }
    quarry::parser::parser_base* get_quarry_parser() const { return quarry_parser_; }
    /// An included file has no title line. Never reset.
    void set_file_is_include(bool include) { include_ = include; }
    bool file_is_include() const { return include_; }

    /// How many controlling sources a POLY or PWL function of the current statement has.
    korvex3_driver& set_dimension_source_count(std::uint64_t n) {
        dimension_source_count_ = n;
        return *this;
    }
    std::uint64_t get_dimension_source_count() const { return dimension_source_count_; }

    /// Parses the file; one that cannot be read is parsed as empty input.
    bool parse_file(const std::string& file);
    bool parse_string(const std::string& text, const std::string& name);
    /// True when neither this nor any earlier parse of this driver failed.
    bool parse_stream(std::istream& in, const std::string& name);

    /// Writes the token stream of `in` as the command-line host shows it.
    void dump_tokens(std::istream& in, const std::string& name, std::ostream& out);
    /// Calls `each` for every token of `in`, with the kind's name and its record.
    void visit_tokens(std::istream& in, const std::string& name,
                      const std::function<void(const quarry::parser::token_view&)>& each);
    /// One line of that stream: [l:c-l:c] NAME "value" (the value only when there is one).
    static std::string format_token(int kind, const std::string* value, const location& loc);

    /// The running scanner's next token (0 at the end of input).
    int next_token(text_pool::ptr* text, location* loc);

    /// Makes the checks a parse can make while it reads (a bracket left open
    /// at a line end), and keeps the complete statements of a failed parse.
    void set_checks(bool on) { checks_ = on; }
    void set_keep_partial(bool on) { keep_partial_ = on; }
    /// The title and the statement list of a parse that failed, as the
    /// parser drops them; kept only with set_keep_partial.
    void salvage_title(std::unique_ptr<quarry::ast::node> title);
    void salvage_body(std::unique_ptr<quarry::ast::node> body);
    /// The element's pins are read: pins-dependent words are keywords now.
    void set_pins_complete();
    /// The statement is complete: pins-dependent words are names again.
    void clear_pins_complete();

    /// Syntax error from the parser.
    void error(const location& loc, const std::string& message);
    /// Semantic error found by a grammar action.
    void context_error(const location& loc, const std::string& message);
    void context_warning(const location& loc, const std::string& message);

    /// A named packet on "quarry/parser/warn": a parameter the host drops or
    /// renames on an element, with the text form of the location.
    void warning_packet(const location& loc, const char* id, const char* parameter, const char* element,
                        end_column end = end_column::last);
    /// A named packet on "quarry/parser/info" with one argument.
    void info_packet(const char* id, const std::string& argument);

    /// The text form of the location's record: file[l:c-l:c].
    std::string location_to_string(const location& loc) const;

    /// The rule being reduced: its left-hand side and grammar line.
    void reducing(const char* rule, int line) {
        rule_ = rule;
        rule_line_ = line;
    }

    bool has_error() const { return error_; }
    const std::string& get_file_name() const { return file_name_; }

private:
    /// A scanner on `in` for the input `name`, in the mode an input of this driver starts in.
    std::unique_ptr<korvex3_scanner> make_scanner(std::istream& in, const std::string& name);

    bool error_ = false;
    bool include_ = false;
    const char* rule_ = nullptr;
    int rule_line_ = 0;
    std::string file_name_ = "unknown";
    korvex3_scanner* scanner_ = nullptr;
    quarry::ast::node* root_ = nullptr;
    quarry::parser::parser_base* quarry_parser_ = nullptr;
    std::uint64_t dimension_source_count_ = 2;
    bool checks_ = false;
    bool keep_partial_ = false;
    std::unique_ptr<quarry::ast::node> salvaged_title_;
    std::unique_ptr<quarry::ast::node> salvaged_body_;
    /// The last opening bracket read, for the report of the lines it swallows.
    location opener_;
    char opener_char_ = '\0';
    void watch_brackets(int kind, const std::string* text, const location& loc);
    void report_unclosed(const location& at, const std::string& what, std::uint64_t lines);
    void adopt_salvaged();
};

}  // namespace quarry_parser_implementation
