#include "diagnostic_printer.hh"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "quarry/parser/info.hh"

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

std::string caret_line(std::string_view line, std::uint64_t first_column, std::uint64_t last_column,
                       bool same_line) {
    const std::uint64_t first = first_column == 0 ? 1 : first_column;
    std::string out;
    for (std::uint64_t column = 1; column < first; ++column) {
        const bool tab = column - 1 < line.size() && line[column - 1] == '\t';
        out += tab ? '\t' : ' ';
    }
    out += '^';
    if (same_line && last_column > first) out.append(last_column - first, '~');
    return out;
}

void diagnostic_printer::add_source(const std::string& name, std::string text) {
    auto entry = std::make_unique<source>();
    entry->text = std::move(text);
    sources_[name] = std::move(entry);
}

const diagnostic_printer::source* diagnostic_printer::load(const std::string& file) {
    auto found = sources_.find(file);
    if (found == sources_.end()) {
        std::unique_ptr<source> entry;
        std::ifstream in(file, std::ios::binary | std::ios::ate);
        if (in) {
            // One read into a string of the file's size: a netlist of
            // hundreds of MB read character by character into a growing
            // string cost a second and twice its size in fresh memory.
            entry = std::make_unique<source>();
            const std::streamoff size = in.tellg();
            in.seekg(0);
            if (size > 0) {
                entry->text.resize(static_cast<std::size_t>(size));
                in.read(entry->text.data(), size);
                entry->text.resize(static_cast<std::size_t>(in.gcount()));
            }
            if (in.bad()) entry.reset();
        }
        found = sources_.emplace(file, std::move(entry)).first;
    }
    source* entry = found->second.get();
    if (entry != nullptr && entry->lines.empty()) {
        const std::string_view text = entry->text;
        entry->lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find('\n', start);
            std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            entry->lines.push_back(line);
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    }
    return entry;
}

std::optional<std::string_view> diagnostic_printer::source_line(const std::string& file, std::uint64_t number) {
    const source* entry = load(file);
    if (entry == nullptr || number == 0 || number > entry->lines.size()) return std::nullopt;
    return entry->lines[number - 1];
}

void diagnostic_printer::print(const quarry::parser::diagnostic& d, const std::string& input, std::ostream& out) {
    const bool promoted = warnings_as_errors_ && d.level == quarry::parser::severity::warning;
    const auto level = promoted ? quarry::parser::severity::error : d.level;
    std::string message = d.message;
    if (!d.id.empty()) message = "[" + d.id + "] " + message;
    if (promoted) message += " [-Werror]";

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
    const std::string& file = record->get_filename().empty() ? input : record->get_filename();
    const std::uint64_t line = record->get_first_line();
    const std::uint64_t column = record->get_first_column() == 0 ? 1 : record->get_first_column();
    head(file + ':' + std::to_string(line) + ':' + std::to_string(column));
    if (const auto text = source_line(file, line)) {
        const std::string caret = caret_line(*text, column, record->get_last_column(), record->get_last_line() == line);
        out << *text << '\n';
        if (color_) {
            // The caret's indentation stays plain; the caret and range are green.
            const std::size_t at = caret.find('^');
            out << caret.substr(0, at) << "\033[0;1;32m" << caret.substr(at) << reset << '\n';
        } else {
            out << caret << '\n';
        }
    }
}

}  // namespace quarry_parse
