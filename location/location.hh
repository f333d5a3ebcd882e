#pragma once
// Where tokens and statements are: the positions and spans the scanner and
// the parser count, and their conversion to the host's location records.
// The bottom of the plug-in: the scanner, the driver and the grammar use it.
#include <cstdint>
#include <ostream>
#include <string>

#include "quarry/parser/info.hh"

namespace quarry_parser_implementation {

/// A point in the input: line and column counted from 1.
class position {
public:
    using counter_type = std::uint32_t;

    explicit position(const std::string* f = nullptr, counter_type l = 1, counter_type c = 1)
        : filename(f), line(l), column(c) {}

    void initialize(const std::string* f = nullptr, counter_type l = 1, counter_type c = 1) {
        filename = f;
        line = l;
        column = c;
    }

    /// Moves n lines on (n may be negative); the column restarts at 1. lines(0) changes nothing.
    void lines(std::int64_t n = 1) {
        if (n) {
            column = 1;
            line = add(line, n);
        }
    }
    /// Moves n columns on (n may be negative); never below column 1.
    void columns(std::int64_t n = 1) { column = add(column, n); }

    /// v + n, or 1 when that would not stay above 0.
    static counter_type add(counter_type v, std::int64_t n) {
        if (n > 0 || -n < static_cast<std::int64_t>(v)) return static_cast<counter_type>(v + n);
        return 1;
    }

    const std::string* filename;
    counter_type line;
    counter_type column;
};

inline position& operator+=(position& p, std::int64_t n) { p.columns(n); return p; }
inline position& operator-=(position& p, std::int64_t n) { p.columns(-n); return p; }
inline position operator+(position p, std::int64_t n) { return p += n; }
inline position operator-(position p, std::int64_t n) { return p -= n; }

inline bool operator==(const position& a, const position& b) {
    return a.line == b.line && a.column == b.column &&
           (a.filename == b.filename || (a.filename && b.filename && *a.filename == *b.filename));
}
inline bool operator!=(const position& a, const position& b) { return !(a == b); }

/// file:line.column, the file part only when there is one.
std::ostream& operator<<(std::ostream& os, const position& p);

/// A span: begin, and end one column past the last character.
class location {
public:
    using counter_type = position::counter_type;

    location(const position& b, const position& e) : begin(b), end(e) {}
    explicit location(const position& p = position()) : begin(p), end(p) {}
    explicit location(const std::string* f, counter_type l = 1, counter_type c = 1) : begin(f, l, c), end(f, l, c) {}

    void initialize(const std::string* f = nullptr, counter_type l = 1, counter_type c = 1) {
        begin.initialize(f, l, c);
        end = begin;
    }
    /// Starts the next token where this one ended.
    void step() { begin = end; }
    void columns(std::int64_t n = 1) { end.columns(n); }
    void lines(std::int64_t n = 1) { end.lines(n); }

    position begin;
    position end;
};

inline bool operator==(const location& a, const location& b) { return a.begin == b.begin && a.end == b.end; }
inline bool operator!=(const location& a, const location& b) { return !(a == b); }

/// begin, then as much of the end as differs from it.
std::ostream& operator<<(std::ostream& os, const location& l);

/// Where a record's last column lies: on the last character, or just after it.
enum class end_column { last, after };

/// The host record of a span (last column = end column - 1, at least 1,
/// unless `end` says otherwise).
quarry::parser::info_netlist to_record(const location& loc, end_column end = end_column::last);
/// A new record for a node, as to_record makes it.
quarry::parser::info_netlist* new_record(const location& loc);

}  // namespace quarry_parser_implementation
