#pragma once
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "quarry/parser/diagnostics.hh"

namespace quarry_parse {

/// Writes parse reports as FILE:LINE:COLUMN: error: MESSAGE followed by the
/// source line and a caret line. Source files are read once and kept.
class diagnostic_printer {
public:
    /// Source text of an input that cannot be read again by name ("<stdin>").
    void add_source(const std::string& name, std::string text);

    /// Colours the reports as clang does on a terminal: bold location, red
    /// error, magenta warning, bold note, green caret and range.
    void set_color(bool on) { color_ = on; }
    /// Reports warnings as errors ("error: ... [-Werror]").
    void set_warnings_as_errors(bool on) { warnings_as_errors_ = on; }
    /// Quotes at most `columns` display columns of a source line, a window
    /// around the caret; 0: whole lines.
    void set_line_width(std::size_t columns) { line_width_ = columns; }

    /// A new input begins: its first report in an included file gets the
    /// include chain again.
    void start_input() { last_chain_.clear(); }

    /// Writes one report; `input` names the parsed input, used when the report
    /// has no location or its record has no file name.
    void print(const quarry::parser::diagnostic& d, const std::string& input, std::ostream& out);

    /// Line `number` (from 1) of `file` without its line break; nothing when the
    /// file cannot be read or is shorter.
    std::optional<std::string_view> source_line(const std::string& file, std::uint64_t number);

private:
    /// A file's text, its lines found only as far as a report asks: the
    /// reports of a large library quote a few lines of many large files.
    struct source {
        source() = default;
        source(const source&) = delete;
        source& operator=(const source&) = delete;
        ~source();
        std::string owned;       ///< the text, unless mapped
        void* mapped = nullptr;  ///< the file mapped in, or null
        std::string_view text;
        /// Where lines begin, found so far; past the text's end once every
        /// line is found.
        std::vector<std::size_t> starts{0};
    };
    /// Null for a file that could not be read.
    source* load(const std::string& file);

    /// "In file included from FILE:LINE:" for each include site, unless the
    /// previous report had the same chain (as clang does).
    void print_include_chain(const quarry::parser::diagnostic& d, const std::string& input, std::ostream& out);

    std::map<std::string, std::unique_ptr<source>> sources_;
    bool color_ = false;
    bool warnings_as_errors_ = false;
    std::size_t line_width_ = 0;
    std::vector<std::string> last_chain_;
};


/// "1 warning and 2 errors generated.", clang's last line; "" for none.
std::string summary_line(std::size_t warnings, std::size_t errors);

/// "error", "warning" or "note".
const char* severity_label(quarry::parser::severity level);

/// A source line as quoted under a report, and the caret line beneath it.
struct quoted_line {
    std::string text;
    std::string caret;
};

/// Quotes `line` with a caret at byte column `first_column` (from 1) and `~`
/// to byte column `last_column` when `same_line` is true. The caret goes by
/// display width: a UTF-8 character takes its width on a terminal (two for
/// East Asian wide ones, none for combining marks), an invalid byte is shown
/// as <XX> and a control character as <U+XXXX>, tabs are kept in both lines.
/// With `width` > 0 and a longer line, only a window of about `width`
/// columns around the caret is quoted, cut ends marked "...".
quoted_line quote_line(std::string_view line, std::uint64_t first_column, std::uint64_t last_column, bool same_line,
                       std::size_t width = 0);

}  // namespace quarry_parse
