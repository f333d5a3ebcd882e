#include "diagnostic_printer.hh"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "quarry/parser/info.hh"
#include "utf8.hh"

namespace quarry_parse {

namespace {

// How a severity is written, and its colour as clang gives it (SGR sequences).
struct severity_style {
    const char* label;
    const char* color;
};

const severity_style& style_of(quarry::parser::severity level) {
    static const severity_style error{"error", "\033[0;1;31m"}, warning{"warning", "\033[0;1;35m"},
        note{"note", "\033[0;1;30m"};
    switch (level) {
    case quarry::parser::severity::warning: return warning;
    case quarry::parser::severity::info: return note;
    case quarry::parser::severity::error: break;
    }
    return error;
}

constexpr const char* bold = "\033[1m";
constexpr const char* reset = "\033[0m";

}  // namespace

const char* severity_label(quarry::parser::severity level) { return style_of(level).label; }

std::string summary_line(std::size_t warnings, std::size_t errors) {
    const auto counted = [](std::size_t n, const char* what) {
        return std::to_string(n) + ' ' + what + (n == 1 ? "" : "s");
    };
    std::string line;
    if (warnings) line = counted(warnings, "warning");
    if (warnings && errors) line += " and ";
    if (errors) line += counted(errors, "error");
    return line.empty() ? line : line + " generated.";
}

namespace {

bool in_ranges(char32_t code, const std::pair<char32_t, char32_t>* first, const std::pair<char32_t, char32_t>* last) {
    return std::any_of(first, last, [code](const auto& r) { return code >= r.first && code <= r.second; });
}

// Columns a printable character takes on a terminal: none for combining
// marks and zero-width characters, two for East Asian wide ones.
std::size_t terminal_width(char32_t code) {
    static const std::pair<char32_t, char32_t> zero[] = {
        {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
        {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
        {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}};
    static const std::pair<char32_t, char32_t> wide[] = {
        {0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
        {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F}, {0xFF00, 0xFF60},
        {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};
    if (in_ranges(code, std::begin(zero), std::end(zero))) return 0;
    return in_ranges(code, std::begin(wide), std::end(wide)) ? 2 : 1;
}

// One character of a quoted line: its bytes and how it is shown.
struct glyph {
    std::size_t byte = 0;
    std::size_t bytes = 1;
    /// Shown as its own bytes, else as `escape` ("<FF>", "<U+0007>").
    bool as_is = true;
    char escape[9] = {};
    std::size_t width = 1;
};

glyph glyph_at(std::string_view line, std::size_t at) {
    glyph g;
    g.byte = at;
    char32_t code = 0;
    const std::size_t length = utf8_character(line, at, code);
    if (length == 0) {
        g.as_is = false;
        g.width = static_cast<std::size_t>(
            std::snprintf(g.escape, sizeof g.escape, "<%02X>", static_cast<unsigned char>(line[at])));
    } else if ((code < 0x20 && code != '\t') || (code >= 0x7F && code < 0xA0)) {
        g.bytes = length;
        g.as_is = false;
        g.width = static_cast<std::size_t>(
            std::snprintf(g.escape, sizeof g.escape, "<U+%04X>", static_cast<unsigned>(code)));
    } else {
        g.bytes = length;
        g.width = code == '\t' ? 1 : terminal_width(code);
    }
    return g;
}

template <typename Visit>
void for_each_glyph(std::string_view line, Visit visit) {
    std::size_t column = 0;
    for (std::size_t at = 0; at < line.size();) {
        const glyph g = glyph_at(line, at);
        visit(g, column);
        column += g.width;
        at += g.bytes;
    }
}

}  // namespace

quoted_line quote_line(std::string_view line, std::uint64_t first_column, std::uint64_t last_column, bool same_line,
                       std::size_t width) {
    // Display columns (from 0) of the caret, the end of the character under
    // it, the end of the range and of the line. Past the line's end a byte
    // column is a display column.
    const std::size_t first = first_column == 0 ? 0 : static_cast<std::size_t>(first_column - 1);
    const std::size_t last = same_line && last_column > first_column ? static_cast<std::size_t>(last_column - 1) : first;
    std::size_t caret = 0, caret_end = 0, range_end = 0, total = 0;
    for_each_glyph(line, [&](const glyph& g, std::size_t column) {
        if (first >= g.byte && first < g.byte + g.bytes) caret = column, caret_end = column + std::max<std::size_t>(g.width, 1);
        if (last >= g.byte && last < g.byte + g.bytes) range_end = column + std::max<std::size_t>(g.width, 1);
        total = column + g.width;
    });
    if (first >= line.size()) caret = total + (first - line.size()), caret_end = caret + 1;
    if (last >= line.size()) range_end = total + (last - line.size()) + 1;
    range_end = std::max(range_end, caret_end);

    // The window of display columns quoted: all, or `width` around the caret.
    std::size_t from = 0, to = std::max(total, range_end);
    if (width > 0 && to > width) {
        const std::size_t span = range_end - caret;
        from = span >= width ? caret : caret - std::min(caret, (width - span) / 2);
        const std::size_t end = std::max(std::min(from + width, to), caret_end);
        from = std::min(from, end > width ? end - width : 0);
        to = end;
    }

    quoted_line out;
    bool cut_before = false, cut_after = false;
    std::size_t shown_from = std::string::npos;
    for_each_glyph(line, [&](const glyph& g, std::size_t column) {
        if (column < from) {
            cut_before = true;
            return;
        }
        if (column + g.width > to) {
            cut_after = true;
            return;
        }
        if (shown_from == std::string::npos) shown_from = column;
        if (g.as_is)
            out.text.append(line.substr(g.byte, g.bytes));
        else
            out.text += g.escape;
        if (column < caret) {
            if (g.as_is && g.bytes == 1 && line[g.byte] == '\t')
                out.caret += '\t';
            else
                out.caret.append(g.width, ' ');
        }
    });
    if (shown_from == std::string::npos) shown_from = std::min(total, from);
    if (caret > std::max(total, shown_from)) out.caret.append(caret - std::max(total, shown_from), ' ');
    out.caret += '^';
    const std::size_t range_shown_end = std::min(range_end, std::max(to, caret_end));
    if (same_line && range_shown_end > caret + 1) out.caret.append(range_shown_end - caret - 1, '~');
    if (cut_before) {
        out.text.insert(0, "...");
        out.caret.insert(0, "   ");
    }
    if (cut_after) out.text += "...";
    return out;
}

void diagnostic_printer::add_source(const std::string& name, std::string text) {
    auto entry = std::make_unique<source>();
    entry->owned = std::move(text);
    entry->text = entry->owned;
    sources_[name] = std::move(entry);
}

diagnostic_printer::source::~source() {
    if (mapped != nullptr) ::munmap(mapped, text.size());
}

diagnostic_printer::source* diagnostic_printer::load(const std::string& file) {
    auto found = sources_.find(file);
    if (found != sources_.end()) return found->second.get();
    std::unique_ptr<source> entry;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        entry = std::make_unique<source>();
        const auto size = static_cast<std::size_t>(st.st_size);
        // A library's reports quote a few lines of many large files: mapped,
        // such a file is neither copied nor read past the last line quoted
        // (as compilers read their sources). Small files are simply read.
        constexpr std::size_t map_from = 64 * 1024;
        void* p = size >= map_from ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
        if (p != MAP_FAILED) {
            entry->mapped = p;
            entry->text = std::string_view(static_cast<const char*>(p), size);
        } else {
            // Read to the end, whatever the size said: files of /proc say 0.
            entry->owned.reserve(size);
            char chunk[16384];
            for (;;) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    entry.reset();
                    break;
                }
                if (n == 0) {
                    entry->text = entry->owned;
                    break;
                }
                entry->owned.append(chunk, static_cast<std::size_t>(n));
            }
        }
    }
    if (fd >= 0) ::close(fd);
    return sources_.emplace(file, std::move(entry)).first->second.get();
}

std::optional<std::string_view> diagnostic_printer::source_line(const std::string& file, std::uint64_t number) {
    source* entry = load(file);
    if (entry == nullptr || number == 0) return std::nullopt;
    const std::string_view text = entry->text;
    std::vector<std::size_t>& starts = entry->starts;
    while (starts.back() <= text.size() && starts.size() <= number) {
        // The last line ends as if a line break followed it.
        const std::size_t end = std::min(text.find('\n', starts.back()), text.size());
        starts.push_back(end + 1);
    }
    if (number >= starts.size()) return std::nullopt;
    const std::size_t start = starts[number - 1];
    std::string_view line = text.substr(start, starts[number] - 1 - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

void diagnostic_printer::print_include_chain(const quarry::parser::diagnostic& d, const std::string& input,
                                             std::ostream& out) {
    std::vector<std::string> chain;
    chain.reserve(d.included_from.size());
    for (const auto& site : d.included_from) {
        const auto* record = dynamic_cast<const quarry::parser::info_netlist*>(site.get());
        if (record == nullptr) continue;
        const std::string& file = record->get_filename().empty() ? input : record->get_filename();
        chain.push_back(file + ':' + std::to_string(record->get_first_line()));
    }
    if (chain == last_chain_) return;
    last_chain_ = std::move(chain);
    // A note belongs to the report before it: it changes the chain, shows none.
    if (d.level == quarry::parser::severity::info) return;
    for (const std::string& site : last_chain_) out << "In file included from " << site << ":\n";
}

void diagnostic_printer::print(const quarry::parser::diagnostic& d, const std::string& input, std::ostream& out) {
    const bool promoted = warnings_as_errors_ && d.level == quarry::parser::severity::warning;
    const auto level = promoted ? quarry::parser::severity::error : d.level;
    std::string message = d.message;
    if (!d.id.empty()) message = "[" + d.id + "] " + message;
    // clang's form: "[-Wflag]", or "[-Werror,-Wflag]" for a promoted one.
    if (!d.flag.empty())
        message += promoted ? " [-Werror,-W" + d.flag + "]" : " [-W" + d.flag + "]";
    else if (promoted)
        message += " [-Werror]";

    // "WHERE: LABEL: MESSAGE", coloured or not.
    const auto head = [&](const std::string& where) {
        if (color_)
            out << bold << where << ": " << style_of(level).color << severity_label(level) << ": " << reset << bold
                << message << reset << '\n';
        else
            out << where << ": " << severity_label(level) << ": " << message << '\n';
    };

    const auto* record = dynamic_cast<const quarry::parser::info_netlist*>(d.where.get());
    if (record == nullptr || record->get_first_line() == 0) {
        // A record of another kind still says where, in its own words.
        head(d.where && record == nullptr ? d.where->format_info() : input);
        return;
    }
    print_include_chain(d, input, out);
    const std::string& file = record->get_filename().empty() ? input : record->get_filename();
    const std::uint64_t line = record->get_first_line();
    const std::uint64_t column = record->get_first_column() == 0 ? 1 : record->get_first_column();
    head(file + ':' + std::to_string(line) + ':' + std::to_string(column));
    if (const auto text = source_line(file, line)) {
        const quoted_line quoted =
            quote_line(*text, column, record->get_last_column(), record->get_last_line() == line, line_width_);
        out << quoted.text << '\n';
        if (color_) {
            // The caret's indentation stays plain; the caret and range are green.
            const std::size_t at = quoted.caret.find('^');
            out << quoted.caret.substr(0, at) << "\033[0;1;32m" << quoted.caret.substr(at) << reset << '\n';
        } else {
            out << quoted.caret << '\n';
        }
    }
}

}  // namespace quarry_parse
