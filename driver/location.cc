#include "driver/location.hh"

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

}  // namespace quarry_parser_implementation
