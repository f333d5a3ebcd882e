#include "diagnostic_printer.hh"

#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "quarry/parser/info.hh"
#include "run_cli.hh"

namespace {

using quarry::parser::diagnostic;
using quarry::parser::info_netlist;
using quarry::parser::severity;

diagnostic report(severity level, const std::string& message, std::shared_ptr<const quarry::parser::info> where = nullptr,
                  const std::string& id = "") {
    diagnostic d;
    d.level = level;
    d.message = message;
    d.where = std::move(where);
    d.id = id;
    return d;
}

std::shared_ptr<const info_netlist> span(const std::string& file, std::uint64_t l1, std::uint64_t c1, std::uint64_t l2,
                                         std::uint64_t c2) {
    return std::make_shared<info_netlist>(file, l1, l2, c1, c2);
}

class DiagnosticPrinter : public ::testing::Test {
protected:
    std::string print(const diagnostic& d, const std::string& input = "deck.kvx") {
        std::ostringstream out;
        printer.print(d, input, out);
        return out.str();
    }

    cli_test::scratch_dir dir;
    quarry_parse::diagnostic_printer printer;
};

TEST_F(DiagnosticPrinter, CaretAndTildesUnderTheSpanOnOneLine) {
    const std::string deck = dir.write("deck.kvx", "title\nr1 a b 10k\nc1 a 0 1p\n");
    EXPECT_EQ(print(report(severity::error, "syntax error, unexpected identifier", span(deck, 2, 4, 2, 6))),
              deck + ":2:4: error: syntax error, unexpected identifier\n"
                     "r1 a b 10k\n"
                     "   ^~~\n");
    EXPECT_EQ(print(report(severity::warning, "one column", span(deck, 3, 1, 3, 1))),
              deck + ":3:1: warning: one column\n"
                     "c1 a 0 1p\n"
                     "^\n");
}

TEST_F(DiagnosticPrinter, SpanEndingOnALaterLineGetsTheCaretOnly) {
    const std::string deck = dir.write("deck.kvx", "title\n.subckt x a\n+ b\n");
    EXPECT_EQ(print(report(severity::error, "bad subcircuit", span(deck, 2, 9, 3, 3))),
              deck + ":2:9: error: bad subcircuit\n"
                     ".subckt x a\n"
                     "        ^\n");
}

TEST_F(DiagnosticPrinter, TabsBeforeTheColumnAreKeptAndCarriageReturnDropped) {
    const std::string deck = dir.write("deck.kvx", "t\r\n\tr1\ta b\r\n");
    EXPECT_EQ(print(report(severity::error, "tabbed", span(deck, 2, 5, 2, 5))),
              deck + ":2:5: error: tabbed\n"
                     "\tr1\ta b\n"
                     "\t  \t^\n");
}

TEST_F(DiagnosticPrinter, SourceComesFromTheFileTheRecordNames) {
    const std::string include = dir.write("sub/inc.kvx", "r9 x y\n.ends extra\n");
    // The input is the top-level deck; the record points into the included file.
    EXPECT_EQ(print(report(severity::error, "unexpected .ENDS", span(include, 2, 1, 2, 5)), "top.kvx"),
              include + ":2:1: error: unexpected .ENDS\n"
                        ".ends extra\n"
                        "^~~~~\n");
}

TEST_F(DiagnosticPrinter, SourceLinesLeftOutWhenTheyCannotBeRead) {
    const std::string missing = dir.path() + "/gone.kvx";
    EXPECT_EQ(print(report(severity::error, "lost", span(missing, 1, 2, 1, 3))), missing + ":1:2: error: lost\n");
    const std::string deck = dir.write("short.kvx", "only line\n");
    EXPECT_EQ(print(report(severity::error, "past the end", span(deck, 7, 1, 7, 2))),
              deck + ":7:1: error: past the end\n");
}

// Lines are found only as far as asked, so ask out of order, in a file large
// enough to be mapped rather than read, whose last line has no line break.
TEST_F(DiagnosticPrinter, LinesOfALargeFileInAnyOrder) {
    std::string text;
    for (int i = 1; i <= 20000; ++i) text += "r" + std::to_string(i) + " a b 1k\n";
    text += "last";
    const std::string deck = dir.write("large.kvx", text);
    EXPECT_EQ(printer.source_line(deck, 15000).value_or("?"), "r15000 a b 1k");
    EXPECT_EQ(printer.source_line(deck, 2).value_or("?"), "r2 a b 1k");
    EXPECT_EQ(printer.source_line(deck, 20001).value_or("?"), "last");
    EXPECT_FALSE(printer.source_line(deck, 20002));
    EXPECT_FALSE(printer.source_line(deck, 0));
    // An empty file has one empty line; one ending in a break, an empty last.
    const std::string empty = dir.write("empty.kvx", "");
    EXPECT_EQ(printer.source_line(empty, 1).value_or("?"), "");
    EXPECT_FALSE(printer.source_line(empty, 2));
    const std::string ended = dir.write("ended.kvx", "a\r\n");
    EXPECT_EQ(printer.source_line(ended, 1).value_or("?"), "a");
    EXPECT_EQ(printer.source_line(ended, 2).value_or("?"), "");
    EXPECT_FALSE(printer.source_line(ended, 3));
}

TEST_F(DiagnosticPrinter, KeptTextServesInputsWithoutAFileAndRecordsWithoutAName) {
    printer.add_source("typed", "x\n");
    EXPECT_EQ(print(report(severity::warning, "w", span("", 1, 1, 1, 1)), "typed"),
              "typed:1:1: warning: w\n"
              "x\n"
              "^\n");
}

TEST_F(DiagnosticPrinter, IncludeChainOutermostFirstAndOnlyWhenItChanges) {
    const std::string top = dir.write("top.kvx", "t\n.inc mid.inc\n.end\n");
    const std::string mid = dir.write("mid.inc", "* m\n.inc bot.inc\n");
    const std::string bot = dir.write("bot.inc", "r1 a\nr2 b\n");
    diagnostic first = report(severity::error, "one", span(bot, 1, 1, 1, 2));
    first.included_from = {span(top, 2, 1, 2, 12), span(mid, 2, 1, 2, 12)};
    diagnostic second = report(severity::error, "two", span(bot, 2, 1, 2, 2));
    second.included_from = first.included_from;
    const std::string chain = "In file included from " + top + ":2:\nIn file included from " + mid + ":2:\n";
    EXPECT_EQ(print(first), chain + bot + ":1:1: error: one\nr1 a\n^~\n");
    // The same chain again is not repeated; a note never shows one.
    EXPECT_EQ(print(second), bot + ":2:1: error: two\nr2 b\n^~\n");
    diagnostic note = report(severity::info, "why", span(top, 2, 1, 2, 1));
    EXPECT_EQ(print(note), top + ":2:1: note: why\n.inc mid.inc\n^\n");
    EXPECT_EQ(print(first).rfind(chain, 0), 0u);
    printer.start_input();
    EXPECT_EQ(print(second).rfind(chain, 0), 0u);
}

// quote_line(line, first, last, same_line, width) as "text|caret".
std::string quoted(std::string_view line, std::uint64_t first, std::uint64_t last, std::size_t width = 0) {
    const auto q = quarry_parse::quote_line(line, first, last, true, width);
    return q.text + "|" + q.caret;
}

TEST(QuoteLine, CaretGoesByDisplayWidthWhileColumnsCountBytes) {
    // µ is two bytes and one column.
    EXPECT_EQ(quoted("R1 \u00b5a \u00b5b ((", 8, 10), "R1 \u00b5a \u00b5b ((|" + std::string(6, ' ') + "^~");
    EXPECT_EQ(quoted("R1 \u00b5a \u00b5b ((", 12, 12), "R1 \u00b5a \u00b5b ((|" + std::string(9, ' ') + "^");
    // East Asian wide characters take two columns, a combining mark none.
    EXPECT_EQ(quoted("X1 \u65e5\u672c a", 11, 11), "X1 \u65e5\u672c a|" + std::string(8, ' ') + "^");
    EXPECT_EQ(quoted("X1 \u65e5\u672c a", 4, 9), "X1 \u65e5\u672c a|" + std::string(3, ' ') + "^~~~");
    EXPECT_EQ(quoted("e\u0301x", 4, 4), "e\u0301x| ^");
    // A range ending inside a character covers all of it.
    EXPECT_EQ(quoted("a\u00b5b", 2, 2), "a\u00b5b| ^");
    EXPECT_EQ(quoted("a\u65e5b", 2, 3), "a\u65e5b| ^~");
}

TEST(QuoteLine, InvalidBytesAndControlsShownEscapedWithTheCaretAligned) {
    EXPECT_EQ(quoted("R1 \xff\xfe a", 7, 7), "R1 <FF><FE> a|" + std::string(12, ' ') + "^");
    EXPECT_EQ(quoted("R1 \xff\xfe a", 4, 5), "R1 <FF><FE> a|" + std::string(3, ' ') + "^" + std::string(7, '~'));
    EXPECT_EQ(quoted("a\x07" "b", 3, 3), "a<U+0007>b|" + std::string(9, ' ') + "^");
    // A truncated sequence, an overlong form and a surrogate are invalid bytes.
    EXPECT_EQ(quoted("\xe6\x97 x", 4, 4), "<E6><97> x|" + std::string(9, ' ') + "^");
    EXPECT_EQ(quoted("\xc0\xaf" "x", 3, 3), "<C0><AF>x|" + std::string(8, ' ') + "^");
    EXPECT_EQ(quoted("\xed\xa0\x80" "x", 4, 4), "<ED><A0><80>x|" + std::string(12, ' ') + "^");
}

TEST(QuoteLine, CaretPastTheEndOfTheLine) {
    EXPECT_EQ(quoted("ab", 3, 3), "ab|  ^");
    EXPECT_EQ(quoted("ab", 4, 4), "ab|" + std::string(3, ' ') + "^");
    EXPECT_EQ(quoted("", 1, 1), "|^");
}

TEST(QuoteLine, LongLinesQuotedAsAWindowAroundTheCaret) {
    const std::string line = std::string(1000, 'x') + " bad " + std::string(1000, 'y');
    EXPECT_EQ(quoted(line, 1002, 1004, 21), "...xxxxxxxx bad yyyyyyyy...|" + std::string(12, ' ') + "^~~");
    EXPECT_EQ(quoted(line, 1002, 1004, 0), line + "|" + std::string(1001, ' ') + "^~~");
    EXPECT_EQ(quoted("bad" + std::string(100, 'x'), 1, 3, 10), "badxxxxxxx...|^~~");
    EXPECT_EQ(quoted(std::string(100, 'x') + "end", 101, 103, 10), "...xxxxxxxend|" + std::string(10, ' ') + "^~~");
    // A range wider than the window keeps its start.
    EXPECT_EQ(quoted(std::string(50, 'z'), 11, 40, 10), "...zzzzzzzzzz...|" + std::string(3, ' ') + "^" + std::string(9, '~'));
    // A window too narrow for anything still shows the caret.
    EXPECT_EQ(quoted(std::string(50, 'z'), 20, 20, 1), "...z...|" + std::string(3, ' ') + "^");
}

}  // namespace
