#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "driver/korvex3_driver.hh"
#include "scanner/scanner.hh"

namespace korvex3_test {

/// The token stream of `text` in the format of `quarry-parse --tokens`.
/// `file` starts as an included file; `pins` sets pins_complete first;
/// `size_hint` is handed to the scanner (its buffer starts at that size).
inline std::vector<std::string> scan(const std::string& text, bool file = true, bool pins = false,
                                     std::size_t size_hint = 0) {
    using namespace quarry_parser_implementation;
    static const std::string name = "t";
    std::istringstream in(text);
    korvex3_scanner scanner(&in, nullptr, size_hint);
    if (file)
        scanner.start_with_file();
    else
        scanner.start_with_title();
    scanner.pins_complete = pins;
    location loc(&name);
    std::vector<std::string> out;
    for (;;) {
        text_pool::ptr text;
        const int kind = scanner.lex(&text, &loc);
        if (kind == 0) break;
        out.push_back(korvex3_driver::format_token(kind, text.get(), loc));
    }
    return out;
}

}  // namespace korvex3_test
