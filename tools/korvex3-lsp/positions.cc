#include "positions.hh"

#include <algorithm>

#include "utf8.hh"

namespace korvex3_lsp {

nlohmann::json to_json(const lsp_position& p) { return {{"line", p.line}, {"character", p.character}}; }

nlohmann::json to_json(const lsp_range& r) { return {{"start", to_json(r.start)}, {"end", to_json(r.end)}}; }

lsp_position position_from_json(const nlohmann::json& j) {
    lsp_position p;
    if (!j.is_object()) return p;
    const auto field = [&](const char* name) -> std::uint64_t {
        const auto it = j.find(name);
        if (it == j.end() || !it->is_number_integer() || it->get<std::int64_t>() < 0) return 0;
        return it->get<std::uint64_t>();
    };
    p.line = field("line");
    p.character = field("character");
    return p;
}

line_index::line_index(std::string_view text) {
    starts_.push_back(0);
    for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1))
        starts_.push_back(i + 1);
}

std::string_view line_index::line(std::string_view text, std::size_t line) const {
    if (line >= starts_.size()) return {};
    const std::size_t begin = std::min(starts_[line], text.size());
    std::size_t end = line + 1 < starts_.size() ? starts_[line + 1] - 1 : text.size();
    if (end > begin && text[end - 1] == '\r') --end;
    return text.substr(begin, end - begin);
}

std::size_t line_index::offset(std::string_view text, std::size_t line, std::size_t byte_column) const {
    if (line >= starts_.size()) return text.size();
    return starts_[line] + std::min(byte_column, this->line(text, line).size());
}

std::size_t sequence_length(std::string_view line, std::size_t i) {
    char32_t code = 0;
    const std::size_t n = quarry_parse::utf8_character(line, i, code);
    return n == 0 ? 1 : n;
}

namespace {

std::uint64_t units_of_sequence(std::size_t length, position_encoding encoding) {
    if (encoding == position_encoding::utf8) return length;
    return length == 4 ? 2 : 1;
}

}  // namespace

std::uint64_t units_of(std::string_view line, std::size_t bytes, position_encoding encoding) {
    bytes = std::min(bytes, line.size());
    if (encoding == position_encoding::utf8) return bytes;
    std::uint64_t units = 0;
    for (std::size_t i = 0; i < bytes;) {
        const std::size_t n = sequence_length(line, i);
        units += units_of_sequence(n, encoding);
        i += n;
    }
    return units;
}

std::size_t bytes_of(std::string_view line, std::uint64_t units, position_encoding encoding) {
    std::size_t i = 0;
    std::uint64_t seen = 0;
    while (i < line.size()) {
        const std::size_t n = sequence_length(line, i);
        const std::uint64_t u = units_of_sequence(n, encoding);
        if (seen + u > units) break;
        seen += u;
        i += n;
    }
    return i;
}

namespace {

// The byte just after the character that holds byte `inclusive_end` (0-based).
std::size_t end_of_character(std::string_view line, std::size_t inclusive_end) {
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t n = sequence_length(line, i);
        if (i + n > inclusive_end) return i + n;
        i += n;
    }
    return line.size();
}

lsp_position point(std::string_view text, const line_index& lines, position_encoding encoding,
                   std::uint64_t line1, std::size_t byte_column0) {
    const std::size_t line0 = line1 == 0 ? 0 : static_cast<std::size_t>(line1 - 1);
    const std::string_view content = lines.line(text, line0);
    return {line0, units_of(content, byte_column0, encoding)};
}

}  // namespace

lsp_range to_lsp_range(std::string_view text, const line_index& lines, position_encoding encoding,
                       std::uint64_t first_line, std::uint64_t first_column, std::uint64_t last_line,
                       std::uint64_t last_column) {
    if (first_line == 0) return {};
    if (last_line < first_line) last_line = first_line;
    lsp_range r;
    r.start = point(text, lines, encoding, first_line, first_column == 0 ? 0 : first_column - 1);
    const std::string_view last = lines.line(text, static_cast<std::size_t>(last_line - 1));
    std::size_t end_byte = 0;
    if (last_column > 0) end_byte = end_of_character(last, static_cast<std::size_t>(last_column - 1));
    r.end = point(text, lines, encoding, last_line, end_byte);
    if (r.end.line == r.start.line && r.end.character < r.start.character) r.end = r.start;
    return r;
}

std::size_t to_byte_column(std::string_view text, const line_index& lines, position_encoding encoding,
                           const lsp_position& p) {
    return bytes_of(lines.line(text, static_cast<std::size_t>(p.line)), p.character, encoding);
}

}  // namespace korvex3_lsp
