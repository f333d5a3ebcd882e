// The quarry-parse binary with the real korvex3 module.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "real_cli.hh"

namespace {

using cli_test::run_result;

using RealCli = cli_test::real_cli;

TEST_F(RealCli, EmptyFileParsesSilentlyWithTheModuleFoundOrGiven) {
    dir.write("empty.kvx", "");
    for (const run_result& r : {quarry({"empty.kvx"}), quarry({"--plugin", REAL_PLUGIN, "empty.kvx"})}) {
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

TEST_F(RealCli, StatusIsTheWorstOfAllInputsAndUnreadableOnesAreSkipped) {
    dir.write("ok.kvx", "t\n.END\n");
    dir.write("bad.kvx", "t\nR1 a b ?\n.END\n");
    dir.write("sub/x.kvx", "");
    EXPECT_EQ(quarry({"ok.kvx"}).status, 0);
    EXPECT_EQ(quarry({"bad.kvx", "ok.kvx"}).status, 1);
    EXPECT_EQ(quarry({"ok.kvx", "bad.kvx"}).status, 1);
    EXPECT_EQ(quarry({"ok.kvx", "bad.kvx", "nope.kvx"}).status, 2);

    const run_result r = quarry({"ok.kvx", "missing.kvx", "sub", "ok.kvx"});
    EXPECT_EQ(r.out, "== ok.kvx\nnt_title \"t\"\n== ok.kvx\nnt_title \"t\"\n");
    EXPECT_EQ(r.err,
              "quarry-parse: error: cannot open missing.kvx: No such file or directory\n"
              "quarry-parse: error: cannot open sub: Is a directory\n");
    EXPECT_EQ(r.status, 2);
}

TEST_F(RealCli, QuietDropsDiagnosticsButNotCliErrors) {
    dir.write("bad.kvx", "t\nR1 a b ?\n.END\n");
    const run_result bad = quarry({"--quiet", "bad.kvx"});
    EXPECT_EQ(bad.err, "");
    EXPECT_EQ(bad.status, 1);
    const run_result missing = quarry({"-q", "missing.kvx"});
    EXPECT_EQ(missing.err, "quarry-parse: error: cannot open missing.kvx: No such file or directory\n");
    EXPECT_EQ(missing.status, 2);
}

TEST_F(RealCli, StdinIsNamedStdinAndItsTextServesTheCaretLine) {
    const run_result r = cli_test::run_program(QUARRY_PARSE_BIN, {"-"}, dir.path(), "t\nR1 a b ?\n.END\n");
    EXPECT_EQ(r.err, "<stdin>:2:8: error: syntax error, unexpected character\nR1 a b ?\n       ^\n"
                     "1 error generated.\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(RealCli, LanguageFromOptionElseExtensionElseDefault) {
    dir.write("rc.txt", "rc\n.END\n");
    const run_result r = quarry({"--format", "json", "rc.txt"});
    EXPECT_EQ(nlohmann::json::parse(r.out)["language"], "korvex3");
    EXPECT_EQ(r.status, 0);

    const run_result unknown = quarry({"--language", "nosuch", "rc.txt"});
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "quarry-parse: error: unknown language 'nosuch'\n");
    EXPECT_EQ(unknown.status, 2);
}

TEST_F(RealCli, IncludesAreFoundBesideTheFileThenInTheIncludeDirsInOrder) {
    dir.write("sub/deck.kvx", "t\n.INCLUDE 'near.inc'\n.INCLUDE 'far.inc'\n.END\n");
    dir.write("sub/near.inc", "R1 a b 1\n");
    dir.write("inc2/far.inc", "R2 a b 2\n");
    const run_result r = quarry({"--format", "none", "-I", "inc1", "-Iinc2", "sub/deck.kvx"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(quarry({"--format", "none", "--include-dir", "inc1", "sub/deck.kvx"}).status, 1);
}

// Each token's record as the scanner's location converts it: columns from 1,
// the end of a line at column 1 of the next.
TEST_F(RealCli, TokensWithTheirRecordsInTitleOrIncludeMode) {
    dir.write("rc.kvx", "rc\nR1 a b 1k\n");
    const std::string rest =
        "[1:3-2:1] end-of-line\n"
        "[2:1-2:2] RESISTOR \"r1\"\n"
        "[2:4-2:4] identifier \"a\"\n"
        "[2:6-2:6] identifier \"b\"\n"
        "[2:8-2:9] floating point number \"1k\"\n"
        "[2:10-3:1] end-of-line\n";
    const run_result title = quarry({"--tokens", "rc.kvx"});
    EXPECT_EQ(title.out, "[1:1-1:2] TITLE \"rc\"\n" + rest);
    EXPECT_EQ(title.status, 0);
    EXPECT_EQ(quarry({"--tokens", "--as-include", "rc.kvx"}).out, "[1:1-1:2] RESISTOR \"rc\"\n" + rest);
}

TEST_F(RealCli, LanguagesShowsKorvex3ItsExtensionsAndDefault) {
    const run_result r = quarry({"--languages"});
    EXPECT_EQ(r.out,
              "languages:\n"
              "  korvex3\n"
              "extensions:\n"
              "  .kvx -> korvex3\n"
              "  .sp3 -> korvex3\n"
              "  .spi3 -> korvex3\n"
              "default language: korvex3\n"
              "descriptions:\n"
              "  korvex3 (id 1)\n"
              "  quarry::base (id 0)\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(RealCli, DescribeListsTheSevenDevicesAndThirteenCodes) {
    // The dialect's device table, written out by hand in the file.
    std::ifstream expected(DESCRIBE_EXPECTED);
    ASSERT_TRUE(expected) << DESCRIBE_EXPECTED;
    const std::string want((std::istreambuf_iterator<char>(expected)), std::istreambuf_iterator<char>());
    const run_result r = quarry({"--describe", "korvex3"});
    EXPECT_EQ(r.out, want);
    EXPECT_EQ(r.status, 0);
}

TEST_F(RealCli, TraceSwitchesTurnOnTheirOwnTrace) {
    dir.write("rc.kvx", "rc\nR1 a b 1\n.end\n");
    const auto has = [](const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    };
    const run_result parser = cli_test::run_program(QUARRY_PARSE_BIN, {"--format", "none", "rc.kvx"}, dir.path(), "",
                                                    {"QUARRY_TRACE_PARSER=Yes"});
    EXPECT_TRUE(has(parser.err, "Starting parse\n"));
    EXPECT_TRUE(has(parser.err, "Reading a token: Next token is token TITLE (rc.kvx:1.1-2: )\n")) << parser.err;
    EXPECT_TRUE(has(parser.err, "Reducing stack by rule "));
    EXPECT_FALSE(has(parser.err, "--accepting"));

    const run_result lexer = cli_test::run_program(QUARRY_PARSE_BIN, {"--format", "none", "rc.kvx"}, dir.path(), "",
                                                   {"QUARRY_TRACE_LEXER=on", "QUARRY_TRACE_PARSER=2"});
    EXPECT_TRUE(has(lexer.err, "--accepting rule at line "));
    EXPECT_FALSE(has(lexer.err, "Starting parse"));
    EXPECT_EQ(lexer.status, 0);
}

TEST_F(RealCli, UnreadableFileIsStatusTwo) {
    const run_result r = quarry({"nowhere.kvx"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "quarry-parse: error: cannot open nowhere.kvx: No such file or directory\n");
    EXPECT_EQ(r.status, 2);
}

TEST_F(RealCli, JsonOutputIsOneValidDocumentPerFile) {
    dir.write("a.kvx", "rc filter\n.end\n");
    dir.write("b.sp3", "");
    const run_result r = quarry({"--format", "json", "a.kvx", "b.sp3"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto newline = r.out.find('\n');
    ASSERT_NE(newline, std::string::npos);
    const auto first = nlohmann::json::parse(r.out.substr(0, newline));
    const auto second = nlohmann::json::parse(r.out.substr(newline + 1));
    EXPECT_EQ(first["file"], "a.kvx");
    EXPECT_EQ(first["language"], "korvex3");
    EXPECT_EQ(first["ok"], true);
    EXPECT_TRUE(first["diagnostics"].is_array());
    EXPECT_TRUE(first["tree"].is_array());
    EXPECT_EQ(second["file"], "b.sp3");
    EXPECT_EQ(second["diagnostics"], nlohmann::json::array());
    EXPECT_EQ(second["tree"], nlohmann::json::array());
}

// A deck with a section include, a nested include found beside its includer,
// the same file read again for another section, and a name with a blank.
class DependencyRule : public RealCli {
protected:
    void SetUp() override {
        RealCli::SetUp();
        dir.write("top.kvx",
                  "top\n.INCLUDE 'parts.inc' SECTION=TT\n.lib lib/models.inc\n.inc 'parts.inc' SECTION=ff\n"
                  ".INCLUDE 'my cells.inc'\n.END\n");
        dir.write("parts.inc", ".SECTION tt\nR1 p q 1\n.ENDSECTION\n.SECTION ff\nR2 p q 2\n.ENDSECTION\n");
        dir.write("lib/models.inc", ".include 'leaf.inc'\n");
        dir.write("lib/leaf.inc", "C1 x 0 1p\n");
        dir.write("my cells.inc", "R3 a b 3\n");
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir.path() + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static constexpr const char* included = "parts.inc lib/models.inc lib/leaf.inc my\\ cells.inc";
};

TEST_F(DependencyRule, ListsEveryFileReadOnceInReadingOrder) {
    const run_result m = quarry({"-M", "top.kvx"});
    EXPECT_EQ(m.out, std::string("top.kvx: ") + included + "\n");
    EXPECT_EQ(m.err, "");
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(quarry({"-M", "-MT", "out/top.json", "top.kvx"}).out,
              std::string("out/top.json: top.kvx ") + included + "\n");
    // -MT as written, -MQ escaped for make, both repeatable and kept in order.
    EXPECT_EQ(quarry({"-M", "-MT$(OUT)/a.json", "top.kvx"}).out, std::string("$(OUT)/a.json: top.kvx ") + included + "\n");
    EXPECT_EQ(quarry({"-M", "-MQa$b#c", "top.kvx"}).out, std::string("a$$b\\#c: top.kvx ") + included + "\n");
    EXPECT_EQ(quarry({"-M", "-MT", "x", "-MQ", "y z", "-MT", "w", "top.kvx"}).out,
              std::string("x y\\ z w: top.kvx ") + included + "\n");
    const run_result refused = quarry({"-M", "-MQ", "a;b", "top.kvx"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("make would run what follows ';' as a command"), std::string::npos) << refused.err;
    EXPECT_EQ(quarry({"-M", "top.kvx", "-MT"}).status, 2);
    EXPECT_EQ(quarry({"-MT", "x", "top.kvx"}).status, 2);
    EXPECT_EQ(quarry({"-MP", "top.kvx"}).status, 2);
}

TEST_F(DependencyRule, PhonyRulesForEachIncludedFileAsGccWritesThem) {
    const std::string phony = "\nparts.inc:\n\nlib/models.inc:\n\nlib/leaf.inc:\n\nmy\\ cells.inc:\n";
    EXPECT_EQ(quarry({"-M", "-MP", "top.kvx"}).out, std::string("top.kvx: ") + included + "\n" + phony);
    // The input itself gets none, also when it is a prerequisite.
    EXPECT_EQ(quarry({"-M", "-MP", "-MT", "top.json", "top.kvx"}).out,
              std::string("top.json: top.kvx ") + included + "\n" + phony);
    dir.write("alone.kvx", "t\n.END\n");
    EXPECT_EQ(quarry({"-M", "-MP", "alone.kvx"}).out, "alone.kvx:\n");
}

TEST_F(DependencyRule, IncludePathsFromTheEnvironmentAreListedExpanded) {
    dir.write("env.kvx", "t\n.include '$LIB/leaf.inc'\n.include '${LIB}/models.inc'\n.END\n");
    EXPECT_EQ(quarry({"-M", "env.kvx"}, {"LIB=lib"}).out, "env.kvx: lib/leaf.inc lib/models.inc\n");
}

TEST_F(DependencyRule, MdWritesBesideTheOutputToTheInputsNameOrToMf) {
    dir.write("lib/other.kvx", "t\n.inc 'leaf.inc'\n.END\n");
    const run_result md = quarry({"--format", "json", "-MD", "top.kvx", "lib/other.kvx"});
    EXPECT_EQ(md.status, 0) << md.err;
    // The output goes on: a document for each input.
    EXPECT_EQ(std::count(md.out.begin(), md.out.end(), '\n'), 2) << md.out;
    // In the working folder, named after the input without folder or extension.
    EXPECT_EQ(read("top.d"), std::string("top.kvx: ") + included + "\n");
    EXPECT_EQ(read("other.d"), "lib/other.kvx: lib/leaf.inc\n");
    std::filesystem::remove(dir.path() + "/top.d");
    EXPECT_EQ(quarry({"--format", "none", "-MMD", "-MF", "all.d", "top.kvx", "lib/other.kvx"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/top.d"));
    EXPECT_EQ(read("all.d"), std::string("top.kvx: ") + included + "\nlib/other.kvx: lib/leaf.inc\n");
    // -MF - is standard output, after the input's own output.
    const run_result out = quarry({"--format", "none", "-MD", "-MF", "-", "top.kvx"});
    EXPECT_EQ(out.out, std::string("top.kvx: ") + included + "\n");
    EXPECT_EQ(quarry({"-MD", "-"}).status, 2);
}

TEST_F(DependencyRule, FileOptionKeepsTheNormalOutput) {
    const run_result r = quarry({"-MF", "deps/top.d", "-MT", "top.json", "--format", "json", "top.kvx"});
    EXPECT_EQ(read("deps/top.d"), "");  // no such directory: refused before parsing
    EXPECT_EQ(r.status, 2);

    const run_result json = quarry({"-MFtop.d", "-MT", "top.json", "--format", "json", "top.kvx"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out)["ok"], true);
    EXPECT_EQ(read("top.d"), std::string("top.json: top.kvx ") + included + "\n");

    const run_result only = quarry({"-M", "-MF", "top.d", "top.kvx", "parts.inc"});
    EXPECT_EQ(only.out, "");
    EXPECT_EQ(read("top.d"), std::string("top.kvx: ") + included + "\nparts.inc:\n");
}

TEST_F(DependencyRule, BadInputGivesTheRuleOfWhatWasReadAndItsStatus) {
    dir.write("empty.kvx", "");
    dir.write("broken.kvx", "t\nR1 a b ?\n.INCLUDE 'lib/leaf.inc'\n.END\n");
    dir.write("cycle.kvx", "t\n.INCLUDE 'back.inc'\n.END\n");
    dir.write("back.inc", ".INCLUDE 'cycle.kvx'\n");
    const run_result empty = quarry({"-M", "empty.kvx"});
    EXPECT_EQ(empty.out, "empty.kvx:\n");
    EXPECT_EQ(empty.status, 0);
    const run_result broken = quarry({"-M", "-q", "broken.kvx"});
    EXPECT_EQ(broken.out, "broken.kvx: lib/leaf.inc\n");
    EXPECT_EQ(broken.status, 1);
    const run_result cycle = quarry({"-M", "cycle.kvx"});
    EXPECT_EQ(cycle.out, "cycle.kvx: back.inc\n");
    EXPECT_NE(cycle.err.find("note: include cycle through cycle.kvx"), std::string::npos) << cycle.err;
    EXPECT_EQ(cycle.status, 1);
    // A read error ends the parse; the rule still lists what was read.
    dir.write("unread.kvx", "t\n.INCLUDE 'lib/leaf.inc'\n.INCLUDE '/proc/self/mem'\n.END\n");
    const run_result unread = quarry({"-M", "-q", "unread.kvx"});
    EXPECT_EQ(unread.out, "unread.kvx: lib/leaf.inc /proc/self/mem\n");
    EXPECT_EQ(unread.status, 2);
    for (const char* unreadable : {"nowhere.kvx: No such file or directory", "lib: Is a directory"}) {
        const std::string name = std::string(unreadable).substr(0, std::string(unreadable).find(':'));
        const run_result r = quarry({"-M", name});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("quarry-parse: error: cannot open ") + unreadable + "\n");
        EXPECT_EQ(r.status, 2);
    }
}

TEST_F(DependencyRule, TargetWithoutRuleOrWithTokensIsAUsageError) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"-MT", "x", "top.kvx"}, {"--tokens", "-M", "top.kvx"}}) {
        const run_result r = quarry(args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.status, 2);
    }
}

}  // namespace
