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

}  // namespace
