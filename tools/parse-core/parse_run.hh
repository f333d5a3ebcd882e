#pragma once
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "quarry/ast/node.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/parser_base.hh"
#include "quarry/task.hh"

namespace quarry_parse {

/// One input and how to read it.
struct parse_request {
    /// The file to parse or, with `text`, the name the reports give the text.
    std::string name;
    /// Text parsed instead of a file; not owned.
    const std::string* text = nullptr;
    /// The language the parser object is of (for messages).
    std::string language;
    std::vector<std::string> include_dirs;
    /// Folders included files must lie in (links resolved); empty: anywhere.
    std::vector<std::string> include_roots;
    /// $NAME and ${NAME} in include paths come from the environment.
    bool expand_env = true;
    /// Included files one parse may read in all.
    std::size_t max_includes = quarry::task::default_max_includes;
    /// Set from another thread to stop the parse soon; not owned, may be null.
    const std::atomic<bool>* cancel = nullptr;
    /// Parsed as an included file: no title line.
    bool as_include = false;
    /// The checks beyond syntax (checks.hh), but those named in `disabled_checks`.
    bool checks = false;
    std::set<std::string> disabled_checks;
    /// A parse that fails keeps the statements complete before the failure.
    bool keep_partial = false;
    /// The text of included files (an editor's buffers), else read from disk.
    quarry::task::file_source source;
    /// Threads that parse the files the input includes ahead (1: none).
    unsigned jobs = 1;
};

/// What became of one parse.
struct parse_result {
    /// False when the parse returned false or any error was reported, in an
    /// included file too; what JSON's "ok" says.
    bool ok = false;
    /// The exception that left the parse, if one did; the tree is then partial.
    /// An input_error is among the reports too, with its place.
    std::exception_ptr failure;
    std::unique_ptr<quarry::ast::node> root = std::make_unique<quarry::ast::node>();
    /// The reports, an included file's too, in order.
    quarry::parser::diagnostics_sink reports;
    /// The top-level file (not for a text), then every file it included, each
    /// once, resolved paths in the order they were read.
    std::vector<std::string> files;
};

/// Returned by unreadable() for something that exists but is no regular file.
inline constexpr int not_regular_file = -1;

/// 0 for a regular file that can be opened; otherwise the errno value that
/// stat or open gave, EISDIR for a directory, or not_regular_file (a FIFO
/// or a device could block or never end, so it is never opened).
int unreadable(const std::string& path);

/// Why unreadable() refused a file, as strerror says it ("Not a regular file"
/// for not_regular_file).
std::string unreadable_reason(int code);

/// The language of an input: `forced` when not empty, else the registered
/// language of the file's extension, else (and for a text) the default; ""
/// when there is none.
std::string language_of(const std::string& path, bool is_text, const std::string& forced);

/// A new parser object of `language`, or null with the reason in `why`.
std::unique_ptr<quarry::parser::parser_base> make_parser(const std::string& language, std::string& why);

/// Parses the request with `parser` into a fresh root node, collecting the
/// reports on the calling thread. Every exception is caught into `failure`.
parse_result run_parse(quarry::parser::parser_base& parser, const parse_request& request);

/// Writes the request's token stream to `out` (the request's text, else the
/// file's content); `ok` says whether no error was reported. A language
/// that cannot list its tokens is a failure.
parse_result list_tokens(quarry::parser::parser_base& parser, const parse_request& request, std::ostream& out);

/// As list_tokens, giving each token to `each` instead of writing it.
parse_result visit_tokens(quarry::parser::parser_base& parser, const parse_request& request,
                          const std::function<void(const quarry::parser::token_view&)>& each);

/// Whether the failure is among the reports already, with its place (an input_error).
bool failure_in_reports(const std::exception_ptr& failure);

/// The text of what `failure` holds ("out of memory" for bad_alloc).
std::string failure_text(const std::exception_ptr& failure);

}  // namespace quarry_parse
