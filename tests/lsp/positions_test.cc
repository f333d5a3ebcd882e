// Position conversion in-process, on lines worked out byte by byte.
#include <gtest/gtest.h>

#include "positions.hh"
#include "uri.hh"

namespace korvex3_lsp {
namespace {

// "aµ€𝄞b": a (1 byte), µ (2), € (3), 𝄞 (4), b (1).
const std::string line = "a\xC2\xB5\xE2\x82\xAC\xF0\x9D\x84\x9E" "b";

TEST(PositionUnits, Utf16CountsSurrogatePairsAsTwo) {
    EXPECT_EQ(units_of(line, 1, position_encoding::utf16), 1u);
    EXPECT_EQ(units_of(line, 3, position_encoding::utf16), 2u);
    EXPECT_EQ(units_of(line, 6, position_encoding::utf16), 3u);
    EXPECT_EQ(units_of(line, 10, position_encoding::utf16), 5u);
    EXPECT_EQ(units_of(line, 11, position_encoding::utf16), 6u);
    EXPECT_EQ(units_of(line, 11, position_encoding::utf8), 11u);
}

TEST(PositionUnits, BackToBytes) {
    EXPECT_EQ(bytes_of(line, 2, position_encoding::utf16), 3u);
    EXPECT_EQ(bytes_of(line, 5, position_encoding::utf16), 10u);
    // Inside the surrogate pair: the start of the character.
    EXPECT_EQ(bytes_of(line, 4, position_encoding::utf16), 6u);
    EXPECT_EQ(bytes_of(line, 99, position_encoding::utf16), line.size());
    // A UTF-8 offset inside a character goes to its start as well.
    EXPECT_EQ(bytes_of(line, 8, position_encoding::utf8), 6u);
    EXPECT_EQ(bytes_of(line, 10, position_encoding::utf8), 10u);
}

TEST(PositionUnits, BadBytesCountOnce) {
    const std::string bad = "\xB5\xE2\x82x";  // a stray continuation byte, a cut sequence, x
    EXPECT_EQ(units_of(bad, bad.size(), position_encoding::utf16), 4u);
}

TEST(PositionRanges, InclusiveByteColumnsBecomeExclusiveUnits) {
    const std::string text = "title\n" + line + "\n";
    const line_index lines(text);
    // Columns 4-6 (1-based, inclusive) are the euro sign.
    lsp_range r = to_lsp_range(text, lines, position_encoding::utf16, 2, 4, 2, 6);
    EXPECT_EQ(r.start.line, 1u);
    EXPECT_EQ(r.start.character, 2u);
    EXPECT_EQ(r.end.character, 3u);
    // An end column on a lead byte still takes the whole character.
    r = to_lsp_range(text, lines, position_encoding::utf16, 2, 1, 2, 7);
    EXPECT_EQ(r.end.character, 5u);
    r = to_lsp_range(text, lines, position_encoding::utf8, 2, 1, 2, 7);
    EXPECT_EQ(r.end.character, 10u);
}

TEST(PositionRanges, CarriageReturnsAreNoColumns) {
    const std::string text = "ab\r\ncd\r\n";
    const line_index lines(text);
    EXPECT_EQ(lines.line(text, 0), "ab");
    EXPECT_EQ(lines.line(text, 1), "cd");
    EXPECT_EQ(lines.line_count(), 3u);
}

TEST(Uris, RoundTripWithEscapes) {
    EXPECT_EQ(path_of_uri("file:///tmp/a%20b/c%23.kvx"), "/tmp/a b/c#.kvx");
    EXPECT_EQ(uri_of_path("/tmp/a b/c#.kvx"), "file:///tmp/a%20b/c%23.kvx");
    EXPECT_EQ(path_of_uri("untitled:Untitled-1"), "");
    EXPECT_EQ(path_of_uri("file://localhost/x.kvx"), "/x.kvx");
}

}  // namespace
}  // namespace korvex3_lsp
