#pragma once
// Places in a text: the parser's 1-based byte columns with inclusive ends
// against the protocol's 0-based, end-exclusive positions counted in the
// negotiated encoding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace korvex3_lsp {

enum class position_encoding { utf16, utf8 };

struct lsp_position {
    std::uint64_t line = 0;
    std::uint64_t character = 0;
};

struct lsp_range {
    lsp_position start;
    lsp_position end;
};

nlohmann::json to_json(const lsp_position& p);
nlohmann::json to_json(const lsp_range& r);
/// The position in a message; zeros for missing or malformed fields.
lsp_position position_from_json(const nlohmann::json& j);

/// Where each line of a text starts. Lines end at "\n"; a "\r" before it is
/// part of no column anyone asks for.
class line_index {
public:
    line_index() = default;
    explicit line_index(std::string_view text);

    std::size_t line_count() const { return starts_.size(); }
    /// The bytes of the 0-based line, without its line end; empty past the end.
    std::string_view line(std::string_view text, std::size_t line) const;
    /// Byte offset in the text of a 0-based line and a byte column in it (clamped).
    std::size_t offset(std::string_view text, std::size_t line, std::size_t byte_column) const;

private:
    std::vector<std::size_t> starts_;
};

/// Code units of `encoding` in the first `bytes` bytes of `line`; a byte that
/// is no valid UTF-8 counts as one unit (an editor shows it as U+FFFD).
std::uint64_t units_of(std::string_view line, std::size_t bytes, position_encoding encoding);

/// The byte offset in `line` of `units` code units (clamped to the line; a
/// position inside a surrogate pair goes to the start of its character).
std::size_t bytes_of(std::string_view line, std::uint64_t units, position_encoding encoding);

/// The length of the UTF-8 sequence starting at line[i] (1 for a bad byte).
std::size_t sequence_length(std::string_view line, std::size_t i);

/// The protocol range of the parser's span: lines from 1, byte columns from
/// 1, last column inclusive. A span without lines (0) is the file's start.
lsp_range to_lsp_range(std::string_view text, const line_index& lines, position_encoding encoding,
                       std::uint64_t first_line, std::uint64_t first_column, std::uint64_t last_line,
                       std::uint64_t last_column);

/// The byte column (0-based) on the position's line.
std::size_t to_byte_column(std::string_view text, const line_index& lines, position_encoding encoding,
                           const lsp_position& p);

}  // namespace korvex3_lsp
