#include "quarry/parser/info.hh"

namespace quarry::parser {

info::~info() = default;

info_netlist::info_netlist() = default;

info_netlist::info_netlist(const std::string& filename, std::uint64_t first_line, std::uint64_t last_line,
                           std::uint64_t first_column, std::uint64_t last_column)
    : filename_(filename),
      first_line_(first_line),
      last_line_(last_line),
      first_column_(first_column),
      last_column_(last_column) {}

std::string info_netlist::format_info() const {
    std::string text = filename_;
    text += '[';
    text += std::to_string(first_line_);
    text += ':';
    text += std::to_string(first_column_);
    text += '-';
    text += std::to_string(last_line_);
    text += ':';
    text += std::to_string(last_column_);
    text += ']';
    return text;
}

info* info_netlist::copy() const { return new info_netlist(*this); }

void info_netlist::extract_mem_usage(nimbus::mem_info& m) const {
    m.add_size(filename_.size() + 9);
    for (int i = 0; i < 4; ++i) m.add_size(8);
}

}  // namespace quarry::parser
