#include "location/location.hh"

namespace quarry_parser_implementation {

std::ostream& operator<<(std::ostream& os, const position& p) {
    if (p.filename) os << *p.filename << ':';
    return os << p.line << '.' << p.column;
}

std::ostream& operator<<(std::ostream& os, const location& l) {
    const location::counter_type last = l.end.column == 0 ? 0 : l.end.column - 1;
    os << l.begin;
    if (l.end.filename && (!l.begin.filename || *l.begin.filename != *l.end.filename))
        os << '-' << *l.end.filename << ':' << l.end.line << '.' << last;
    else if (l.begin.line < l.end.line)
        os << '-' << l.end.line << '.' << last;
    else if (last > l.begin.column)
        os << '-' << last;
    return os;
}

namespace {

const std::string no_file;

const std::string& file_of(const location& loc) { return loc.begin.filename ? *loc.begin.filename : no_file; }

}  // namespace

quarry::parser::info_netlist to_record(const location& loc, end_column end) {
    return quarry::parser::info_netlist(file_of(loc), loc.begin.line, loc.end.line, loc.begin.column,
                                        end == end_column::last ? position::add(loc.end.column, -1) : loc.end.column);
}

// Built in place: a copy of a record costs a count of its file name.
quarry::parser::info_netlist* new_record(const location& loc) {
    return new quarry::parser::info_netlist(file_of(loc), loc.begin.line, loc.end.line, loc.begin.column,
                                            position::add(loc.end.column, -1));
}

}  // namespace quarry_parser_implementation
