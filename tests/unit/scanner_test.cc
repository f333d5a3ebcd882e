// Token streams of the scanner: names, values and exact locations.
#include <gtest/gtest.h>

#include "scanner_support.hh"

using korvex3_test::scan;
using lines = std::vector<std::string>;

namespace {

// Tokens of one statement line in a mode reached through a dot command.
lines after(const std::string& command, const std::string& rest, bool pins = false) {
    lines all = scan(command + " " + rest + "\n", true, pins);
    all.erase(all.begin());  // the command itself
    all.pop_back();          // the end of line
    return all;
}

}  // namespace

TEST(ScannerNumbers, KindsKeepTheirText) {
    EXPECT_EQ(after(".param", "10 10v 10k 10meg 1. .5 2.5ohm"),
              (lines{"[1:8-1:9] integer number \"10\"", "[1:11-1:13] integer number \"10v\"",
                     "[1:15-1:17] floating point number \"10k\"", "[1:19-1:23] floating point number \"10meg\"",
                     "[1:25-1:26] floating point number \"1.\"", "[1:28-1:29] floating point number \".5\"",
                     "[1:31-1:36] floating point number \"2.5ohm\""}));
    EXPECT_EQ(after(".param", "1e3 1.5d-3 1e3v -1 +1 1e 1.5e"),
              (lines{"[1:8-1:10] exponential number \"1e3\"", "[1:12-1:17] exponential number \"1.5d-3\"",
                     "[1:19-1:22] exponential number \"1e3v\"", "[1:24-1:25] integer number \"-1\"",
                     "[1:27-1:28] integer number \"+1\"", "[1:30-1:31] integer number \"1e\"",
                     "[1:33-1:36] floating point number \"1.5e\""}));
}

TEST(ScannerNumbers, LongerNamesWin) {
    EXPECT_EQ(after(".param", "10k_x 1.5.6"),
              (lines{"[1:8-1:12] identifier \"10k_x\"", "[1:14-1:18] identifier \"1.5.6\""}));
}

TEST(ScannerOperands, WordsGroupsAndSeparators) {
    EXPECT_EQ(after(".param", "value values"),
              (lines{"[1:8-1:12] PARAM_VALUE", "[1:14-1:19] identifier \"values\""}));
    EXPECT_EQ(after(".param", "poly(2) poly (2)"),
              (lines{"[1:8-1:11] PARAM_POLY_PAR", "[1:12-1:12] (", "[1:13-1:13] integer number \"2\"",
                     "[1:14-1:14] )", "[1:16-1:19] PARAM_POLY_PAR", "[1:21-1:21] (",
                     "[1:22-1:22] integer number \"2\"", "[1:23-1:23] )"}));
    EXPECT_EQ(after(".param", "poly(2"),
              (lines{"[1:8-1:11] ID_FIELD_PAR \"poly\"", "[1:12-1:12] (", "[1:13-1:13] integer number \"2\""}));
    EXPECT_EQ(after(".param", "a,b = c"),
              (lines{"[1:8-1:8] identifier \"a\"", "[1:10-1:10] identifier \"b\"", "[1:14-1:14] identifier \"c\""}));
    EXPECT_EQ(after(".param", "x1:n1 x1:n1(y) %mod% 'a + b'"),
              (lines{"[1:8-1:12] NAME_FIELD \"x1:n1\"", "[1:14-1:18] NAME_FIELD_PAR \"x1:n1\"", "[1:19-1:19] (",
                     "[1:20-1:20] identifier \"y\"", "[1:21-1:21] )", "[1:23-1:27] ARG_CALL \"%mod%\"",
                     "[1:29-1:35] expression \"'a + b'\""}));
    EXPECT_EQ(after(".param", "a * b"),
              (lines{"[1:8-1:8] identifier \"a\"", "[1:10-1:10] character \"*\"", "[1:12-1:12] identifier \"b\""}));
}

TEST(ScannerOperands, BusesAndBrackets) {
    EXPECT_EQ(after(".param", "x[1:2] y"),
              (lines{"[1:8-1:8] NAME_FIELD_BR \"x\"", "[1:9-1:9] [ \"[\"", "[1:10-1:10] integer number \"1\"",
                     "[1:11-1:11] :", "[1:12-1:12] integer number \"2\"", "[1:13-1:13] ] \"]\"",
                     "[1:15-1:15] identifier \"y\""}));
    EXPECT_EQ(after(".param", "x[a] y"),
              (lines{"[1:8-1:8] ID_FIELD_BR \"x\"", "[1:9-1:9] [ \"[\"", "[1:10-1:10] identifier \"a\"",
                     "[1:11-1:11] ] \"]\"", "[1:13-1:13] identifier \"y\""}));
    EXPECT_EQ(after(".param", "x<3>.y"),
              (lines{"[1:8-1:8] NAME_FIELD_BR \"x\"", "[1:9-1:9] [ \"<\"", "[1:10-1:10] integer number \"3\"",
                     "[1:11-1:12] ]<identifier> \">.\"", "[1:13-1:13] identifier \"y\""}));
}

TEST(ScannerLines, ContinuationsJoinLines) {
    EXPECT_EQ(scan("R1 a b 1k\n+ 2\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:6-1:6] identifier \"b\"",
                     "[1:8-1:9] floating point number \"1k\"", "[2:3-2:3] integer number \"2\"",
                     "[2:4-3:1] end-of-line"}));
    // A comment line between a statement and its continuation goes with the line feeds.
    EXPECT_EQ(scan("R1 a b\n* note\n+ 2\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:6-1:6] identifier \"b\"",
                     "[3:3-3:3] integer number \"2\"", "[3:4-4:1] end-of-line"}));
    // Without a continuation the comment leaves exactly one end of line.
    EXPECT_EQ(scan("R1 a b\n* note\nR2 c d\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:6-1:6] identifier \"b\"",
                     "[2:1-3:1] end-of-line", "[3:1-3:2] RESISTOR \"r2\"", "[3:4-3:4] identifier \"c\"",
                     "[3:6-3:6] identifier \"d\"", "[3:7-4:1] end-of-line"}));
    EXPECT_EQ(scan("R1 a &\nb\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[2:1-2:1] identifier \"b\"",
                     "[2:2-3:1] end-of-line"}));
}

TEST(ScannerLines, BlankLinesGiveTwoEnds) {
    EXPECT_EQ(scan("R1 a\n\n\nR2 b\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:5-3:1] end-of-line",
                     "[3:1-4:1] end-of-line", "[4:1-4:2] RESISTOR \"r2\"", "[4:4-4:4] identifier \"b\"",
                     "[4:5-5:1] end-of-line"}));
}

TEST(ScannerLines, LineEndForms) {
    // A textual ^M before the line feed, CR LF, and no final line feed:
    // the last line ends as if it had one.
    EXPECT_EQ(scan("R1 a^M\nR2 b\r\nR3 c"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:5-2:1] end-of-line",
                     "[2:1-2:2] RESISTOR \"r2\"", "[2:4-2:4] identifier \"b\"", "[2:6-3:1] end-of-line",
                     "[3:1-3:2] RESISTOR \"r3\"", "[3:4-3:4] identifier \"c\"", "[3:5-4:1] end-of-line"}));
}

TEST(ScannerComments, InlineAndWholeLine) {
    EXPECT_EQ(scan("R1 a ; note\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:12-2:1] end-of-line"}));
    // An asterisk starts a comment only as the first non-blank of a line.
    EXPECT_EQ(scan("R1 a\n  * note\nR2 a*b\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[2:1-3:1] end-of-line",
                     "[3:1-3:2] RESISTOR \"r2\"", "[3:4-3:4] identifier \"a\"", "[3:5-3:5] character \"*\"",
                     "[3:6-3:6] identifier \"b\"", "[3:7-4:1] end-of-line"}));
}

TEST(ScannerStart, TitleLine) {
    EXPECT_EQ(scan("  My Circuit\nR1 a\n", false),
              (lines{"[1:3-1:12] TITLE \"my circuit\"", "[1:13-2:1] end-of-line", "[2:1-2:2] RESISTOR \"r1\"",
                     "[2:4-2:4] identifier \"a\"", "[2:5-3:1] end-of-line"}));
    EXPECT_EQ(scan("\nR1 a\n", false),
              (lines{"[1:1-1:1] TITLE \"\"", "[1:1-2:1] end-of-line", "[2:1-2:2] RESISTOR \"r1\"",
                     "[2:4-2:4] identifier \"a\"", "[2:5-3:1] end-of-line"}));
    EXPECT_EQ(scan(".rerun again\n", false),
              (lines{"[1:1-1:6] .RERUN", "[1:8-1:12] TITLE \"again\"", "[1:13-2:1] end-of-line"}));
    // An empty token ends one column before it begins.
    EXPECT_EQ(scan(".MODIFY\n", false),
              (lines{"[1:1-1:7] .MODIFY", "[1:8-1:7] TITLE \"\"", "[1:8-2:1] end-of-line"}));
}

TEST(ScannerStart, IncludedFileSkipsLeadingLines) {
    EXPECT_EQ(scan("* one\n* two\nR1 a b 1\n"),
              (lines{"[3:1-3:2] RESISTOR \"r1\"", "[3:4-3:4] identifier \"a\"", "[3:6-3:6] identifier \"b\"",
                     "[3:8-3:8] integer number \"1\"", "[3:9-4:1] end-of-line"}));
    // The first statement keeps its line start, so a dot command is recognised.
    EXPECT_EQ(scan("\n  .end\n"), (lines{"[2:1-2:6] .END", "[2:7-3:1] end-of-line"}));
    EXPECT_EQ(scan("* only comments\n*\n"), lines{});
    // A textual ^M before the line feed makes an empty line too.
    EXPECT_EQ(scan("^M\n  ^m\n\nR1 a b 1\n")[0], "[4:1-4:2] RESISTOR \"r1\"");
}

TEST(ScannerDotCommands, PrefixesAndOverlaps) {
    const auto first = [](const std::string& line) { return scan(line + "\n").front(); };
    EXPECT_EQ(first(".tr"), "[1:1-1:3] .TRAN");
    EXPECT_EQ(first(".transient"), "[1:1-1:10] .TRAN");
    EXPECT_EQ(first(".t"), "[1:1-1:2] unsupported control statement \".t\"");
    EXPECT_EQ(first(".transientx"), "[1:1-1:11] unsupported control statement \".transientx\"");
    EXPECT_EQ(first(".op"), "[1:1-1:3] .OP");
    EXPECT_EQ(first(".opt"), "[1:1-1:4] .OPTIONS");
    EXPECT_EQ(first(".in"), "[1:1-1:3] .INITIAL");
    EXPECT_EQ(first(".inc"), "[1:1-1:4] .INCLUDE");
    EXPECT_EQ(first(".lib"), "[1:1-1:4] .INCLUDE");
    EXPECT_EQ(first(".sub"), "[1:1-1:4] .SUBCKT");
    EXPECT_EQ(first(".subtol"), "[1:1-1:7] .SUBTOL");
    EXPECT_EQ(first(".de"), "[1:1-1:3] .DEFAULT");
    EXPECT_EQ(first(".dc"), "[1:1-1:3] .DC");
    EXPECT_EQ(first(".ch"), "[1:1-1:3] .CHECK");
    EXPECT_EQ(first(".char"), "[1:1-1:5] .CHAR");
    EXPECT_EQ(first(".mo"), "[1:1-1:3] .MODEL");
    EXPECT_EQ(first(".mon"), "[1:1-1:4] .MONITOR");
    EXPECT_EQ(first(".se"), "[1:1-1:3] .SENS");
    EXPECT_EQ(first(".section"), "[1:1-1:8] .SECTION");
    EXPECT_EQ(first(".tempera"), "[1:1-1:8] .TEMP");
    EXPECT_EQ(first("  .END"), "[1:1-1:6] .END");
    EXPECT_EQ(first(".Foo"), "[1:1-1:4] unsupported control statement \".foo\"");
}

TEST(ScannerDotCommands, IncludeTakesAFileName) {
    EXPECT_EQ(scan(".inc 'models.lib' section=tt\n"),
              (lines{"[1:1-1:4] .INCLUDE", "[1:6-1:17] file name \"'models.lib'\"", "[1:19-1:25] PARAM_SECTION",
                     "[1:27-1:28] identifier \"tt\"", "[1:29-2:1] end-of-line"}));
    // A value mode left open at the line end reads its value on the next line.
    EXPECT_EQ(scan(".include\nx.inc\n"),
              (lines{"[1:1-1:8] .INCLUDE", "[2:1-2:5] file name \"x.inc\"", "[2:6-3:1] end-of-line"}));
}

TEST(ScannerElements, NamesAndModes) {
    EXPECT_EQ(scan("Xa1 n1 sub\n").front(), "[1:1-1:3] SUBCKT_INST \"xa1\"");
    EXPECT_EQ(scan("  M1<2>(3,4) d g s b n\n").front(), "[1:3-1:12] MOSFET \"m1<2>(3,4)\"");
    EXPECT_EQ(scan("u1 a b\n").front(), "[1:1-1:2] identifier \"u1\"");
    // Directly before "(" the longer identifier form wins.
    EXPECT_EQ(scan("r1(a)\n").front(), "[1:1-1:2] ID_FIELD_PAR \"r1\"");
}

TEST(ScannerPins, DependentWords) {
    const lines before = after("V1", "a b dc 1");
    EXPECT_EQ(before[2], "[1:8-1:9] identifier \"dc\"");
    const lines pins = after("V1", "a b dc 1", true);
    EXPECT_EQ(pins[2], "[1:8-1:9] PARAM_DC");
    EXPECT_EQ(after("V1", "pulse(0 1)", true).front(), "[1:4-1:8] PARAM_PULSE_PAR");
    EXPECT_EQ(after("V1", "pulse (0 1)", true).front(), "[1:4-1:8] PARAM_PULSE");
    EXPECT_EQ(after("V1", "pulse(0 1)").front(), "[1:4-1:8] ID_FIELD_PAR \"pulse\"");
    EXPECT_EQ(after("V1", "pulse (0 1)").front(), "[1:4-1:8] identifier \"pulse\"");
}

// A look-ahead of varying length is matched together with its word and then
// handed back: the word's location, the next token's location and the line
// start after it must be what they would be without it.
TEST(ScannerLookAhead, GivenBackExactly) {
    // Before "=" on a continuation line.
    EXPECT_EQ(scan("R1 a b tc1\n+ = 2\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:6-1:6] identifier \"b\"",
                     "[1:8-1:10] PARAM_TC1", "[2:5-2:5] integer number \"2\"", "[2:6-3:1] end-of-line"}));
    EXPECT_EQ(after("R1", "a b foo = 1"),
              (lines{"[1:4-1:4] identifier \"a\"", "[1:6-1:6] identifier \"b\"",
                     "[1:8-1:10] parameter name \"foo\"", "[1:14-1:14] integer number \"1\""}));
    // A keyword whose look-ahead is the line feed: the next line still starts a line.
    EXPECT_EQ(scan("V1 a 0 ac\n.end\n", true, true),
              (lines{"[1:1-1:2] VSOURCE \"v1\"", "[1:4-1:4] identifier \"a\"", "[1:6-1:6] integer number \"0\"",
                     "[1:8-1:9] PARAM_AC", "[1:10-2:1] end-of-line", "[2:1-2:4] .END", "[2:5-3:1] end-of-line"}));
    // The blanks before a comma go with it, those after it do not.
    EXPECT_EQ(after(".print", "tran v(a) , v(b)"),
              (lines{"[1:8-1:11] identifier \"tran\"", "[1:13-1:13] PARAM_V", "[1:14-1:14] (",
                     "[1:15-1:15] identifier \"a\"", "[1:16-1:16] )", "[1:17-1:18] \",\"", "[1:20-1:20] PARAM_V",
                     "[1:21-1:21] (", "[1:22-1:22] identifier \"b\"", "[1:23-1:23] )"}));
    // In print lists a run of commas is one comma token, not blanks.
    EXPECT_EQ(after(".print", "v(a),,v(b) , ,v(x)"),
              (lines{"[1:8-1:8] PARAM_V", "[1:9-1:9] (", "[1:10-1:10] identifier \"a\"", "[1:11-1:11] )",
                     "[1:12-1:13] \",\"", "[1:14-1:14] PARAM_V", "[1:15-1:15] (", "[1:16-1:16] identifier \"b\"",
                     "[1:17-1:17] )", "[1:18-1:21] \",\"", "[1:22-1:22] PARAM_V", "[1:23-1:23] (",
                     "[1:24-1:24] identifier \"x\"", "[1:25-1:25] )"}));
    // The blanks between "comment" and its text are look-ahead only.
    EXPECT_EQ(after(".check", "dc v(a) comment  'x'"),
              (lines{"[1:8-1:9] PARAM_DC", "[1:11-1:11] PARAM_V", "[1:12-1:12] (", "[1:13-1:13] identifier \"a\"",
                     "[1:14-1:14] )", "[1:16-1:22] PARAM_COMMENT", "[1:25-1:27] comment \"'x'\""}));
    // A title line that starts a .RERUN block, behind blanks.
    EXPECT_EQ(scan("  .rerun again\n", false),
              (lines{"[1:1-1:8] .RERUN", "[1:10-1:14] TITLE \"again\"", "[1:15-2:1] end-of-line"}));
    // A comment line that itself ends in "&" keeps joining lines.
    EXPECT_EQ(scan("R1 a &\n* note &\nb\n"),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[3:1-3:1] identifier \"b\"",
                     "[3:2-4:1] end-of-line"}));
}

TEST(ScannerRobustness, NulBytesAreCopiedOutAndSkipped) {
    // No token; the next one starts where the NUL stood.
    EXPECT_EQ(scan(std::string("R1 a\0b 1\n", 9)),
              (lines{"[1:1-1:2] RESISTOR \"r1\"", "[1:4-1:4] identifier \"a\"", "[1:5-1:6] identifier \"b\"",
                     "[1:8-1:8] integer number \"1\"", "[1:9-2:1] end-of-line"}));
    std::istringstream in(std::string("R1 \0\0a\n", 7));
    std::ostringstream out;
    quarry_parser_implementation::korvex3_scanner scanner(&in, &out);
    scanner.start_with_file();
    quarry_parser_implementation::text_pool::ptr text;
    quarry_parser_implementation::location loc;
    int tokens = 0;
    while (scanner.lex(&text, &loc) != 0) {
        ++tokens;
        text.reset();
    }
    EXPECT_EQ(tokens, 3);
    EXPECT_EQ(out.str(), std::string("\0\0", 2));
}

TEST(ScannerRobustness, AnyBytesEndInZero) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    for (bool file : {true, false}) {
        const lines out = scan(bytes + bytes, file);
        EXPECT_FALSE(out.empty());
    }
}

// The buffer starts at the input's size and doubles as a token needs; the
// rescan after a NUL inside a match resumes from the last NUL. Tokens that
// cross many refills of a tiny buffer, with NULs in and around them, must
// come out as from a buffer holding the whole input.
TEST(ScannerRobustness, SmallBufferAndNulsGiveTheSameTokens) {
    std::string title = "Title";
    for (int i = 0; i < 300; ++i) title += std::string(i % 7 == 0 ? 3 : 1, '\0') + "ab";
    const std::string body = "* comment" + std::string(2, '\0') + std::string(500, 'c') + '\0' + "\n" +
                             "R1 a" + std::string(1, '\0') + "b 1k\n" + ".IF (a" + std::string(1, '\0') +
                             std::string(400, '+') + "1)\nC1 x y 1p\n.ENDIF\n" + "R" + std::string(3000, 'n') +
                             " a b 1\n.END\n";
    const std::string text = title + "\n" + body;
    const lines whole = scan(text, false, false, text.size());
    ASSERT_FALSE(whole.empty());
    std::string expected_title;
    for (const char c : title) expected_title += c == '\0' ? std::string("\\x00") : std::string(1, c == 'T' ? 't' : c);
    EXPECT_EQ(whole.front(), "[1:1-1:" + std::to_string(title.size()) + "] TITLE \"" + expected_title + "\"");
    EXPECT_EQ(scan(text, false, false, 1), whole);
    EXPECT_EQ(scan(text, false, false, 0), whole);
    EXPECT_EQ(scan(body, true, false, 1), scan(body, true, false, body.size()));
}
