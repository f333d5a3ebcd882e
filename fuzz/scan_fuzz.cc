// libFuzzer target: the scanner on arbitrary bytes, started as a top-level
// file and as an included file, with pins_complete false and true.
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
    // One fresh scanner per input, its buffer sized to the input, restarted
    // between the four scans so that restart() is exercised on the way. Each
    // input still runs from a clean state, so reproducers replay alone.
    std::istringstream in(text);
    // No output stream: the NUL bytes the default rule copies out go nowhere.
    korvex3_scanner scanner(&in, nullptr, text.size());
    bool first = true;
    for (const bool title : {true, false})
        for (const bool pins : {false, true}) {
            if (!first) {
                in.clear();
                in.str(text);
                scanner.restart(&in);
            }
            first = false;
            scan(scanner, text, title, pins);
        }
    return 0;
}
