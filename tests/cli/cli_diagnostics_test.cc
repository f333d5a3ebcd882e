// How diagnostics look and count, as a user of clang or gcc expects them:
// colour on a terminal only, -Werror and -w. Through the binary with the
// real module.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "real_cli.hh"

namespace {

using cli_test::run_result;

class DiagnosticsCli : public cli_test::real_cli {
protected:
    void SetUp() override {
        real_cli::SetUp();
        if (IsSkipped()) return;
        // A warning packet (no location) and a syntax error with a caret.
        dir.write("deck.kvx", "t\nR1 a b 1k L=2u\nR2 a\n.END\n");
        dir.write("warns.kvx", "t\nR1 a b 1k L=2u\n.END\n");
    }
    // The command with a pseudo-terminal as its standard error, through script(1).
    run_result on_terminal(const std::string& args, const std::string& env = "") {
        return shell("command -v script >/dev/null || exit 77; " + env + " script -qec '" + bin() + " " + args +
                     "' /dev/null");
    }
};

const std::string warning_text =
    "[PARSER-17] parameter L of constant resistor is not supported; it was dropped or renamed (deck.kvx[2:11-2:14])";

TEST_F(DiagnosticsCli, ColourAsClangGivesItOnlyWhereAsked) {
    const run_result coloured = quarry({"--format", "none", "--color=always", "deck.kvx"});
    EXPECT_EQ(coloured.status, 1);
    EXPECT_EQ(coloured.err,
              "\033[1mdeck.kvx: \033[0;1;35mwarning: \033[0m\033[1m" + warning_text + "\033[0m\n"
              "\033[1mdeck.kvx:3:5: \033[0;1;31merror: \033[0m\033[1msyntax error, unexpected end-of-line\033[0m\n"
              "R2 a\n"
              "    \033[0;1;32m^\033[0m\n"
              "1 warning and 1 error generated.\n");

    const std::string plain = "deck.kvx: warning: " + warning_text + "\n" +
                              "deck.kvx:3:5: error: syntax error, unexpected end-of-line\nR2 a\n    ^\n" +
                              "1 warning and 1 error generated.\n";
    // Standard error is a pipe here: auto means none.
    EXPECT_EQ(quarry({"--format", "none", "deck.kvx"}).err, plain);
    EXPECT_EQ(quarry({"--format", "none", "--color=never", "deck.kvx"}).err, plain);
    EXPECT_EQ(quarry({"--color=pink", "deck.kvx"}).status, 2);

    // On a terminal auto colours, unless NO_COLOR is set (to anything but "").
    const run_result terminal = on_terminal("--format none deck.kvx");
    if (terminal.status == 77) GTEST_SKIP() << "no script(1) here";
    EXPECT_NE(terminal.out.find("\033[0;1;31merror: "), std::string::npos) << terminal.out;
    const run_result no_color = on_terminal("--format none deck.kvx", "NO_COLOR=1");
    EXPECT_NE(no_color.out.find("deck.kvx:3:5: error: syntax error"), std::string::npos) << no_color.out;
    EXPECT_EQ(no_color.out.find('\033'), std::string::npos) << no_color.out;
}

TEST_F(DiagnosticsCli, WerrorFailsOnWarningsAndLowercaseWSilencesThem) {
    const run_result plain = quarry({"--format", "none", "warns.kvx"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_NE(plain.err.find("warns.kvx: warning: [PARSER-17]"), std::string::npos) << plain.err;

    const run_result werror = quarry({"--format", "json", "-Werror", "warns.kvx"});
    EXPECT_EQ(werror.status, 1);
    EXPECT_NE(werror.err.find("warns.kvx: error: [PARSER-17] parameter L of constant resistor is not supported; it "
                              "was dropped or renamed (warns.kvx[2:11-2:14]) [-Werror]\n"),
              std::string::npos)
        << werror.err;
    EXPECT_NE(werror.out.find("\"ok\":false"), std::string::npos) << werror.out;

    const run_result silent = quarry({"--format", "none", "-w", "-Werror", "warns.kvx"});
    EXPECT_EQ(silent.status, 0);
    EXPECT_EQ(silent.err, "");
    // -w drops warnings only: the error stays, and so does the status.
    const run_result errors = quarry({"--format", "none", "-w", "deck.kvx"});
    EXPECT_EQ(errors.status, 1);
    EXPECT_EQ(errors.err, "deck.kvx:3:5: error: syntax error, unexpected end-of-line\nR2 a\n    ^\n"
                          "1 error generated.\n");

    EXPECT_EQ(quarry({"-Wno-such", "warns.kvx"}).status, 2);
}

// clang's closing line counts what was printed, over all inputs, notes aside.
TEST_F(DiagnosticsCli, SummaryCountsWarningsAndErrorsOfTheWholeRun) {
    dir.write("clean.kvx", "t\nR1 a b 1\n.END\n");
    dir.write("two.kvx", "t\nR1 a\nR2 b\n.END\n");
    const auto last_line = [](const std::string& err) {
        const std::size_t end = err.size() - 1, start = err.rfind('\n', end - 1);
        return err.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
    };
    EXPECT_EQ(quarry({"--format", "none", "clean.kvx"}).err, "");
    EXPECT_EQ(last_line(quarry({"--format", "none", "two.kvx"}).err), "2 errors generated.");
    EXPECT_EQ(last_line(quarry({"--format", "none", "warns.kvx", "two.kvx", "clean.kvx"}).err),
              "1 warning and 2 errors generated.");
    EXPECT_EQ(last_line(quarry({"--format", "none", "-Werror", "warns.kvx"}).err), "1 error generated.");
    EXPECT_EQ(quarry({"--format", "none", "--quiet", "two.kvx"}).err, "");
}

TEST_F(DiagnosticsCli, ErrorsInIncludedFilesFollowTheirIncludeChain) {
    dir.write("top.kvx", "top\nR0 a b 1\n.include 'lib/mid.inc'\n.END\n");
    dir.write("lib/mid.inc", "* mid\n.include 'bot.inc'\nR9 c\n");
    dir.write("lib/bot.inc", "R1 a\nR2 b\n");
    const run_result r = quarry({"--format", "none", "top.kvx", "top.kvx"});
    EXPECT_EQ(r.status, 1);
    // Outermost first; a second error under the same chain does not repeat
    // it, an error back in mid.inc gets its own, a new input starts afresh.
    const std::string one_parse = "In file included from top.kvx:3:\n"
                                  "In file included from lib/mid.inc:2:\n"
                                  "lib/bot.inc:1:5: error: syntax error, unexpected end-of-line\nR1 a\n    ^\n"
                                  "lib/bot.inc:2:5: error: syntax error, unexpected end-of-line\nR2 b\n    ^\n"
                                  "In file included from top.kvx:3:\n"
                                  "lib/mid.inc:3:5: error: syntax error, unexpected end-of-line\nR9 c\n    ^\n";
    EXPECT_EQ(r.err, one_parse + one_parse + "6 errors generated.\n");
}

TEST_F(DiagnosticsCli, CaretsGoByDisplayWidthOnNonAsciiLines) {
    dir.write("micro.kvx", "t\nR1 \u00b5a \u00b5b ((\nR2 \xff\xfe a (\n.END\n");
    const run_result r = quarry({"--format", "none", "micro.kvx"});
    // Columns count bytes: the second "(" is byte 13, character 11; an
    // invalid byte shows as <XX>, four columns.
    EXPECT_EQ(r.err,
              "micro.kvx:2:13: error: syntax error, unexpected (\nR1 \u00b5a \u00b5b ((\n" + std::string(10, ' ') + "^\n"
              "micro.kvx:3:9: error: syntax error, unexpected (\nR2 <FF><FE> a (\n" + std::string(14, ' ') + "^\n"
              "2 errors generated.\n");
}

TEST_F(DiagnosticsCli, LongLinesAreQuotedAsAWindowAroundTheCaret) {
    const std::string line = "R1 a b " + std::string(1 << 20, 'x') + " ((";
    dir.write("long.kvx", "t\n" + line + "\n.END\n");
    const std::string head = "long.kvx:2:" + std::to_string(line.size()) + ": error: syntax error, unexpected (, expecting integer number or floating point "
                             "number or exponential number or expression\n";
    const std::string summary = "1 error generated.\n";
    // The caret is on the last column: the window is the line's last columns.
    const auto window = [&](std::size_t columns) {
        return head + "..." + line.substr(line.size() - columns) + "\n" + std::string(3 + columns - 1, ' ') + "^\n";
    };
    // Into a pipe the window is 4096 columns; -fmessage-length sets it, 0 quotes the whole line.
    EXPECT_EQ(quarry({"--format", "none", "long.kvx"}).err, window(4096) + summary);
    EXPECT_EQ(quarry({"--format", "none", "-fmessage-length=20", "long.kvx"}).err, window(20) + summary);
    EXPECT_EQ(quarry({"--format", "none", "-fmessage-length=0", "long.kvx"}).err,
              head + line + "\n" + std::string(line.size() - 1, ' ') + "^\n" + summary);

    // A terminal's width sets the window; a terminal of width 0 gives none.
    const auto on_columns = [&](int columns) {
        return shell("command -v script >/dev/null || exit 77; script -qec 'stty cols " + std::to_string(columns) +
                     " && " + bin() + " --format none --color=never long.kvx' /dev/null");
    };
    const run_result forty = on_columns(40);
    if (forty.status == 77) GTEST_SKIP() << "no script(1) here";
    const auto crlf = [](std::string text) {
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
            text.replace(at, 1, "\r\n");
        return text;
    };
    EXPECT_EQ(forty.out, crlf(window(40) + summary));
    EXPECT_EQ(on_columns(0).out, crlf(window(4096) + summary));
}

}  // namespace
