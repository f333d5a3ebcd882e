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

TEST_F(DiagnosticPrinter, KeptTextServesInputsWithoutAFileAndRecordsWithoutAName) {
    printer.add_source("typed", "x\n");
    EXPECT_EQ(print(report(severity::warning, "w", span("", 1, 1, 1, 1)), "typed"),
              "typed:1:1: warning: w\n"
              "x\n"
              "^\n");
}

}  // namespace
