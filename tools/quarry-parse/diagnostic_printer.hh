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

    /// Writes one report; `input` names the parsed input, used when the report
    /// has no location or its record has no file name.
    void print(const quarry::parser::diagnostic& d, const std::string& input, std::ostream& out);

    /// Line `number` (from 1) of `file` without its line break; nothing when the
    /// file cannot be read or is shorter.
    std::optional<std::string_view> source_line(const std::string& file, std::uint64_t number);

private:
    struct source {
        std::string text;
        std::vector<std::string_view> lines;
    };
    /// Null for a file that could not be read.
    const source* load(const std::string& file);

    std::map<std::string, std::unique_ptr<source>> sources_;
    bool color_ = false;
    bool warnings_as_errors_ = false;
};


/// "1 warning and 2 errors generated.", clang's last line; "" for none.
std::string summary_line(std::size_t warnings, std::size_t errors);

/// "error", "warning" or "note".
const char* severity_label(quarry::parser::severity level);

/// The caret line for a span starting at `first_column` of `line`: tabs of the
/// line are kept so that the caret lines up, `~` runs to `last_column` when
/// `same_line` is true.
std::string caret_line(std::string_view line, std::uint64_t first_column, std::uint64_t last_column,
                       bool same_line);

}  // namespace quarry_parse
