// The quarry-parse binary driven through the fake module (fake_plugin.cc), for
// what the real module cannot be made to do: packets on every channel, escaping
// exceptions, refused token listings, failing entry points.
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
              "deck.fk: warning: [PARSER-17] " + host_text + "\n" +
              "2 warnings generated.\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(FakeCli, EscapedExceptionIsReportedAndTheNextFileParsed) {
    dir.write("a.fk", "t\npacket warn FAKE-1 x y\nthrow parser blew up\nerror 1 1 never\n");
    dir.write("b.fk", "B\n");
    const run_result r = quarry({"a.fk", "b.fk"});
    EXPECT_EQ(r.out, "== a.fk\n== b.fk\nnt_title \"B\"\n");
    EXPECT_EQ(r.err,
              "a.fk: warning: [FAKE-1] fake packet about x and y\n"
              "a.fk: error: parser blew up\n"
              "1 warning and 1 error generated.\n");
    EXPECT_EQ(r.status, 2);
}

TEST_F(FakeCli, TokenErrorsAreReportedAndRefusalIsFatal) {
    dir.write("bad.fk", "bad word\n");
    const run_result bad = quarry({"--tokens", "bad.fk"});
    EXPECT_EQ(bad.out, "word \"bad\"\nword \"word\"\n");
    EXPECT_EQ(bad.err, "bad.fk:1:1: error: bad word\nbad word\n^~~\n1 error generated.\n");
    EXPECT_EQ(bad.status, 1);

    dir.write("refuse.fk", "no-tokens\n");
    const run_result refused = quarry({"--tokens", "refuse.fk"});
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "refuse.fk: error: language 'fake' cannot list its tokens\n1 error generated.\n");
    EXPECT_EQ(refused.status, 2);
}

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
