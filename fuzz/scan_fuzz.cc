// libFuzzer target: the scanner on arbitrary bytes, started as a top-level
// file or as an included file, with pins_complete false or true (chosen by
// the input's length).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "scanner/scanner.hh"

namespace {

using quarry_parser_implementation::korvex3_scanner;

void scan(korvex3_scanner& scanner, const std::string& text, bool title, bool pins) {
    using namespace quarry_parser_implementation;
    if (title)
        scanner.start_with_title();
    else
        scanner.start_with_file();
    scanner.pins_complete = pins;
    static const std::string name = "fuzz.kvx";
    location loc(&name);
    // Every token consumes input or changes mode; far more tokens than bytes
    // means the scanner is looping without reaching the end.
    const std::size_t limit = 4 * text.size() + 64;
    for (std::size_t tokens = 0;; ++tokens) {
        text_pool::ptr value;
        const int kind = scanner.lex(&value, &loc);
        if (kind == 0) break;
        if (tokens > limit) {
            std::fprintf(stderr, "scan_fuzz: more than %zu tokens from %zu bytes (title=%d pins=%d)\n", limit,
                         text.size(), title ? 1 : 0, pins ? 1 : 0);
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // One scan per input, its start chosen by the input's length: mutations
    // change lengths all the time, so every input reaches all four starts,
    // at a quarter of the cost of scanning it four times. A fresh scanner
    // with its buffer sized to the input, so reproducers replay alone.
    std::istringstream in(text);
    // No output stream: the NUL bytes the default rule copies out go nowhere.
    korvex3_scanner scanner(&in, nullptr, text.size());
    scan(scanner, text, size % 2 == 0, size / 2 % 2 == 1);
    return 0;
}
