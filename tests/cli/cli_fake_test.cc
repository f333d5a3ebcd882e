// The quarry-parse binary driven through the fake module (fake_plugin.cc), so
// that statuses, printing and reporting are checked apart from the real grammar.
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "nimbus/output.hh"
#include "run_cli.hh"

namespace {

using cli_test::run_result;

class FakeCli : public ::testing::Test {
protected:
    // Runs the CLI in the scratch directory with the fake module.
    run_result quarry(std::vector<std::string> args, const std::string& input = "",
                      const std::vector<std::string>& env = {}) {
        args.insert(args.begin(), {"--plugin", FAKE_PLUGIN});
        return bare(args, input, env);
    }
    run_result bare(const std::vector<std::string>& args, const std::string& input = "",
                    const std::vector<std::string>& env = {}) {
        return cli_test::run_program(QUARRY_PARSE_BIN, args, dir.path(), input, env);
    }

    cli_test::scratch_dir dir;
};

// ---- tree output ------------------------------------------------------------

TEST_F(FakeCli, TreeShowsKindsEscapedValuesLocationsAndDepth) {
    dir.write("deck.fk",
              "my \"title\"\n"
              "node 0 23 r1\n"
              "bare 1 51\n"
              "bare 2 92 in\\tx\n"
              "node 0 23 r2\n"
              "bare 0 1 odd\n");
    const run_result r = quarry({"deck.fk"});
    EXPECT_EQ(r.out,
              "nt_title \"my \\\"title\\\"\"\n"
              "nt_instance \"r1\" @deck.fk[2:1-2:12]\n"
              "  nt_pin \"\"\n"
              "    nt_string \"in\\tx\"\n"
              "nt_instance \"r2\" @deck.fk[5:1-5:12]\n"
              "nt_1 \"odd\"\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST_F(FakeCli, AsIncludeSetsTheIncludeFlag) {
    dir.write("deck.fk", "node 0 92 a\n");
    EXPECT_EQ(quarry({"deck.fk"}).out, "nt_title \"node 0 92 a\"\n");
    const run_result r = quarry({"--as-include", "deck.fk"});
    EXPECT_EQ(r.out, "nt_string \"a\" @deck.fk[1:1-1:11]\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(FakeCli, SeveralFilesGetHeadersAndAnUnreadableOneIsSkipped) {
    dir.write("a.fk", "A\nnode 0 92 x\n");
    dir.write("b.fk", "B\n");
    dir.write("sub/c.fk", "C\n");
    const run_result r = quarry({"a.fk", "missing.fk", "sub", "b.fk"});
    EXPECT_EQ(r.out,
              "== a.fk\n"
              "nt_title \"A\"\n"
              "nt_string \"x\" @a.fk[2:1-2:11]\n"
              "== b.fk\n"
              "nt_title \"B\"\n");
    EXPECT_EQ(r.err,
              "quarry-parse: error: cannot open missing.fk\n"
              "quarry-parse: error: cannot open sub\n");
    EXPECT_EQ(r.status, 2);
}

TEST_F(FakeCli, StatusIsOneWhenAnyParseFails) {
    dir.write("ok.fk", "t\n");
    dir.write("bad.fk", "t\nerror 1 2 no\n");
    EXPECT_EQ(quarry({"ok.fk"}).status, 0);
    EXPECT_EQ(quarry({"bad.fk", "ok.fk"}).status, 1);
    EXPECT_EQ(quarry({"ok.fk", "bad.fk"}).status, 1);
    EXPECT_EQ(quarry({"ok.fk", "bad.fk", "nope.fk"}).status, 2);
}

// ---- diagnostics ------------------------------------------------------------

TEST_F(FakeCli, ReportsInOrderWithSourceLineAndCarets) {
    dir.write("deck.fk",
              "t\n"
              "warning 1 7 first\n"
              "error 3 6 bad thing\n"
              "error-span 2 1 3 4 spans lines\n"
              "fatal nowhere\n");
    const run_result r = quarry({"deck.fk"});
    EXPECT_EQ(r.err,
              "deck.fk:2:1: warning: first\n"
              "warning 1 7 first\n"
              "^~~~~~~\n"
              "deck.fk:3:3: error: bad thing\n"
              "error 3 6 bad thing\n"
              "  ^~~~\n"
              "deck.fk:2:1: error: spans lines\n"
              "warning 1 7 first\n"
              "^\n"
              "deck.fk: error: nowhere\n");
    EXPECT_EQ(r.out, "nt_title \"t\"\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(FakeCli, WarningsAloneKeepStatusZero) {
    dir.write("deck.fk", "t\nwarning 1 1 mild\n");
    const run_result r = quarry({"deck.fk"});
    EXPECT_EQ(r.err, "deck.fk:2:1: warning: mild\nwarning 1 1 mild\n^\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(FakeCli, ReportInAnotherFileShowsThatFilesLine) {
    dir.write("inc.fk", "r9 x y\n.ends\n");
    dir.write("deck.fk",
              "t\n"
              "error-in inc.fk 2 1 5 unexpected .ENDS\n"
              "error-in gone.fk 1 1 1 lost\n");
    const run_result r = quarry({"deck.fk"});
    EXPECT_EQ(r.err,
              "inc.fk:2:1: error: unexpected .ENDS\n"
              ".ends\n"
              "^~~~~\n"
              "gone.fk:1:1: error: lost\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(FakeCli, PacketsOnTheParserChannelsBecomeWarningsAndNotes) {
    dir.write("deck.fk",
              "t\n"
              "packet warn FAKE-1 x y\n"
              "packet info FAKE-1 a b\n"
              "packet other FAKE-1 c d\n"
              "packet warn PARSER-17 L resistor here\n");
    const std::string host_text = nimbus::output::named_packet("PARSER-17", "L", "resistor", "here").text();
    const run_result r = quarry({"deck.fk"});
    EXPECT_EQ(r.err,
              "deck.fk: warning: [FAKE-1] fake packet about x and y\n"
              "deck.fk: note: [FAKE-1] fake packet about a and b\n"
              "deck.fk: warning: [PARSER-17] " + host_text + "\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(FakeCli, QuietDropsDiagnosticsButNotCliErrors) {
    dir.write("deck.fk", "t\nerror 1 1 hidden\npacket warn FAKE-1 x y\n");
    const run_result r = quarry({"--quiet", "deck.fk"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "nt_title \"t\"\n");
    EXPECT_EQ(r.status, 1);
    const run_result missing = quarry({"-q", "missing.fk"});
    EXPECT_EQ(missing.err, "quarry-parse: error: cannot open missing.fk\n");
    EXPECT_EQ(missing.status, 2);
}

TEST_F(FakeCli, EscapedExceptionIsReportedAndTheNextFileParsed) {
    dir.write("a.fk", "t\nwarning 1 1 before\nthrow parser blew up\nnode 0 92 never\n");
    dir.write("b.fk", "B\n");
    const run_result r = quarry({"a.fk", "b.fk"});
    EXPECT_EQ(r.out, "== a.fk\n== b.fk\nnt_title \"B\"\n");
    EXPECT_EQ(r.err,
              "a.fk:2:1: warning: before\n"
              "warning 1 1 before\n"
              "^\n"
              "a.fk: error: parser blew up\n");
    EXPECT_EQ(r.status, 2);
}

// ---- JSON and other formats -------------------------------------------------

TEST_F(FakeCli, JsonDocumentWithLocationsAndPacketIds) {
    dir.write("deck.fk",
              "t\n"
              "node 0 23 r1\n"
              "warning 1 4 careful\n"
              "packet info FAKE-1 p q\n");
    const run_result r = quarry({"--format", "json", "deck.fk"});
    EXPECT_EQ(r.out,
              R"({"file":"deck.fk","language":"fake","ok":true,"diagnostics":[)"
              R"({"severity":"warning","message":"careful",)"
              R"("location":{"file":"deck.fk","first_line":3,"first_column":1,"last_line":3,"last_column":4},"id":null},)"
              R"({"severity":"info","message":"fake packet about p and q","location":null,"id":"FAKE-1"}],)"
              R"("tree":[{"kind":"nt_title","value":"t"},{"kind":"nt_instance","value":"r1",)"
              R"("location":{"file":"deck.fk","first_line":2,"first_column":1,"last_line":2,"last_column":12}}]})"
              "\n");
    EXPECT_EQ(r.err,
              "deck.fk:3:1: warning: careful\nwarning 1 4 careful\n^~~~\n"
              "deck.fk: note: [FAKE-1] fake packet about p and q\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(FakeCli, JsonOneLinePerFileWithoutHeaders) {
    dir.write("a.fk", "A\n");
    dir.write("b.fk2", "B\nerror 1 1 x\n");
    const run_result r = quarry({"--format=json", "--quiet", "a.fk", "b.fk2"});
    EXPECT_EQ(r.out,
              R"({"file":"a.fk","language":"fake","ok":true,"diagnostics":[],"tree":[{"kind":"nt_title","value":"A"}]})"
              "\n"
              R"({"file":"b.fk2","language":"fake2","ok":false,"diagnostics":[{"severity":"error","message":"x",)"
              R"("location":{"file":"b.fk2","first_line":2,"first_column":1,"last_line":2,"last_column":1},"id":null}],)"
              R"("tree":[{"kind":"nt_title","value":"B"}]})"
              "\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(FakeCli, FormatNonePrintsOnlyDiagnostics) {
    dir.write("a.fk", "A\nwarning 1 1 w\n");
    dir.write("b.fk", "B\n");
    const run_result r = quarry({"--format", "none", "a.fk", "b.fk"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "a.fk:2:1: warning: w\nwarning 1 1 w\n^\n");
    EXPECT_EQ(r.status, 0);
}

// ---- inputs, languages and the task -----------------------------------------

TEST_F(FakeCli, StdinIsParsedAsTextNamedStdinInTheDefaultLanguage) {
    const run_result r = quarry({"-"}, "t\nname\nlang\nerror 1 3 bad\n");
    EXPECT_EQ(r.out, "nt_title \"t\"\nnt_string \"<stdin>\"\nnt_string \"fake\"\n");
    EXPECT_EQ(r.err, "<stdin>:4:1: error: bad\nerror 1 3 bad\n^~~\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(quarry({"--language", "fake2", "-"}, "t\nlang\n").out, "nt_title \"t\"\nnt_string \"fake2\"\n");
}

TEST_F(FakeCli, LanguageFromOptionThenExtensionThenDefault) {
    dir.write("a.fk2", "t\nlang\n");
    dir.write("a.txt", "t\nlang\n");
    dir.write("a.fk", "t\nlang\n");
    EXPECT_EQ(quarry({"a.fk2"}).out, "nt_title \"t\"\nnt_string \"fake2\"\n");
    EXPECT_EQ(quarry({"a.txt"}).out, "nt_title \"t\"\nnt_string \"fake\"\n");
    EXPECT_EQ(quarry({"a.fk"}).out, "nt_title \"t\"\nnt_string \"fake\"\n");
    EXPECT_EQ(quarry({"--language", "fake2", "a.fk"}).out, "nt_title \"t\"\nnt_string \"fake2\"\n");

    const run_result unknown = quarry({"--language", "nosuch", "a.fk"});
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "quarry-parse: error: unknown language 'nosuch'\n");
    EXPECT_EQ(unknown.status, 2);
}

TEST_F(FakeCli, TaskCarriesIncludeDirsAndTheFilesDirectory) {
    dir.write("sub/deck.fk", "t\ntask\n");
    const run_result r = quarry({"-I", "inc1", "-Iinc2", "--include-dir", "inc3", "sub/deck.fk"});
    EXPECT_EQ(r.out,
              "nt_title \"t\"\n"
              "nt_string \"sub\"\n"
              "  nt_string \"inc1\"\n"
              "  nt_string \"inc2\"\n"
              "  nt_string \"inc3\"\n");
    EXPECT_EQ(r.status, 0);
}

// ---- token stream -----------------------------------------------------------

TEST_F(FakeCli, TokensComeFromThePluginInTheRightMode) {
    dir.write("deck.fk", "hello world\n");
    EXPECT_EQ(quarry({"--tokens", "deck.fk"}).out,
              "tokens of deck.fk in title mode\nword \"hello\"\nword \"world\"\n");
    const run_result r = quarry({"--tokens", "--as-include", "deck.fk"});
    EXPECT_EQ(r.out, "tokens of deck.fk in include mode\nword \"hello\"\nword \"world\"\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(quarry({"--tokens", "-"}, "x\n").out, "tokens of <stdin> in title mode\nword \"x\"\n");
}

TEST_F(FakeCli, TokenErrorsAreReportedAndRefusalIsFatal) {
    dir.write("bad.fk", "bad word\n");
    const run_result bad = quarry({"--tokens", "bad.fk"});
    EXPECT_EQ(bad.out, "tokens of bad.fk in title mode\nword \"bad\"\nword \"word\"\n");
    EXPECT_EQ(bad.err, "bad.fk:1:1: error: bad word\nbad word\n^~~\n");
    EXPECT_EQ(bad.status, 1);

    dir.write("refuse.fk", "no-tokens\n");
    const run_result refused = quarry({"--tokens", "refuse.fk"});
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "refuse.fk: error: language 'fake' cannot list its tokens\n");
    EXPECT_EQ(refused.status, 2);
}

// ---- registries -------------------------------------------------------------

TEST_F(FakeCli, LanguagesListsKeysExtensionsDefaultAndDescriptions) {
    const run_result r = quarry({"--languages"});
    EXPECT_EQ(r.out,
              "languages:\n"
              "  fake\n"
              "  fake2\n"
              "extensions:\n"
              "  .fk -> fake\n"
              "  .fk2 -> fake2\n"
              "default language: fake\n"
              "descriptions:\n"
              "  fake (id 1)\n"
              "  quarry::base (id 0)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST_F(FakeCli, DescribePrintsDevicesSortedAndCodes) {
    const run_result r = quarry({"--describe", "fake"});
    EXPECT_EQ(r.out,
              "language fake (id 1)\n"
              "device bjt\n"
              "  pins: c b e\n"
              "  optional pins: s\n"
              "  level 1: one\n"
              "  level 2: two\n"
              "  level 10: ten\n"
              "  level 504: mx\n"
              "  level 504v8: mx8\n"
              "  level 504v10: mx10\n"
              "  default level: 1\n"
              "  extra device: bjt_x\n"
              "device mos\n"
              "  pins: d g s b\n"
              "  extra tag: m\n"
              "device res\n"
              "  pins: p n\n"
              "n-device aa: bjt\n"
              "n-device m1: mos\n"
              "n-device zz: res\n");
    EXPECT_EQ(r.status, 0);

    const run_result unknown = quarry({"--describe", "nosuch"});
    EXPECT_EQ(unknown.err, "quarry-parse: error: no description of language 'nosuch'\n");
    EXPECT_EQ(unknown.status, 2);
}

// ---- command line and module loading ----------------------------------------

TEST_F(FakeCli, HelpAndVersionNeedNoModule) {
    const run_result help = bare({"--help", "--plugin", "/nonexistent.so"});
    EXPECT_EQ(help.out.rfind("Usage: quarry-parse [OPTIONS] FILE...\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--describe"), std::string::npos);
    EXPECT_EQ(help.status, 0);

    const run_result version = bare({"--version"});
    EXPECT_TRUE(std::regex_match(version.out, std::regex("quarry-parse [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;
    EXPECT_EQ(version.status, 0);
}

TEST_F(FakeCli, UsageErrorsExitTwoBeforeLoadingTheModule) {
    dir.write("a.fk", "t\n");
    const run_result none = bare({"--plugin", "/nonexistent.so"});
    EXPECT_EQ(none.err.rfind("quarry-parse: error: no input files\n", 0), 0u) << none.err;
    EXPECT_EQ(none.status, 2);

    const run_result format = bare({"--plugin", "/nonexistent.so", "--format", "xml", "a.fk"});
    EXPECT_EQ(format.err.rfind("quarry-parse: error: unknown format 'xml'", 0), 0u) << format.err;
    EXPECT_EQ(format.status, 2);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bogus", "a.fk"},
                                                 std::vector<std::string>{"a.fk", "--describe"},
                                                 std::vector<std::string>{"--languag", "fake", "a.fk"}}) {
        const run_result r = quarry(args);
        EXPECT_EQ(r.err.rfind("quarry-parse: error: ", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.status, 2);
    }
}

TEST_F(FakeCli, ModuleThatCannotBeLoadedOrHasNoEntryPoint) {
    dir.write("a.fk", "t\n");
    const run_result missing = bare({"--plugin", "missing.so", "a.fk"});
    EXPECT_EQ(missing.err.rfind("quarry-parse: error: cannot load plug-in ./missing.so: ", 0), 0u) << missing.err;
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.status, 2);

    const run_result no_entry = bare({"--plugin", HOST_LIBRARY, "a.fk"});
    EXPECT_EQ(no_entry.err, std::string("quarry-parse: error: plug-in ") + HOST_LIBRARY +
                                " has no entry point nimbus_plugin_init_quarry_parser_korvex3\n");
    EXPECT_EQ(no_entry.status, 2);
}

TEST_F(FakeCli, EntryPointFailureOrExceptionStopsTheRun) {
    dir.write("a.fk", "t\n");
    const std::string entry = std::string("quarry-parse: error: plug-in ") + FAKE_PLUGIN +
                              ": nimbus_plugin_init_quarry_parser_korvex3 failed";
    const run_result failed = quarry({"a.fk"}, "", {"FAKE_PLUGIN_INIT=fail"});
    EXPECT_EQ(failed.err, entry + "\n");
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.status, 2);

    const run_result threw = quarry({"a.fk"}, "", {"FAKE_PLUGIN_INIT=throw"});
    EXPECT_EQ(threw.err, entry + ": fake registration exploded\n");
    EXPECT_EQ(threw.out, "");
    EXPECT_EQ(threw.status, 2);
}

TEST_F(FakeCli, ModuleFromEnvironmentUnlessTheOptionGivesOne) {
    dir.write("a.fk", "t\n");
    const run_result from_env = bare({"a.fk"}, "", {std::string("QUARRY_PLUGIN=") + FAKE_PLUGIN});
    EXPECT_EQ(from_env.out, "nt_title \"t\"\n");
    EXPECT_EQ(from_env.status, 0);

    const run_result overridden = quarry({"a.fk"}, "", {"QUARRY_PLUGIN=/nonexistent.so"});
    EXPECT_EQ(overridden.out, "nt_title \"t\"\n");
    EXPECT_EQ(overridden.status, 0);
}

}  // namespace
