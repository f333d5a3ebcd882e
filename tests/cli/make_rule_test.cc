// Makefile rules read back by GNU make: a name that is written must name
// exactly that file for make, and a name that cannot be written must leave
// no rule at all.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "make_rule.hh"
#include "run_cli.hh"

namespace {

namespace fs = std::filesystem;
using cli_test::run_result;
using quarry_parse::make_rule;
using quarry_parse::make_rule_error;
using quarry_parse::make_word;

// `name` found in PATH, or "".
std::string find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return "";
}

class MakeRule : public ::testing::Test {
protected:
    void SetUp() override {
        make_ = find_program("make");
        if (make_.empty() || run_make({"--version"}).out.rfind("GNU Make", 0) != 0)
            GTEST_SKIP() << "GNU make is not installed";
    }
    // GNU make in the scratch directory, out of reach of an enclosing make's flags.
    run_result run_make(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"-u", "MAKEFLAGS", "-u", "MFLAGS", "-u", "MAKELEVEL", make_};
        all.insert(all.end(), args.begin(), args.end());
        return cli_test::run_program("/usr/bin/env", all, dir.path());
    }
    // Dates `name` `seconds` back: make compares times, and no test waits.
    void age(const std::string& name, int seconds) {
        fs::last_write_time(fs::path(dir.path()) / name,
                            fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
    }
    std::string read(const std::string& name) {
        std::ifstream in(fs::path(dir.path()) / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string make_;
    cli_test::scratch_dir dir;
};

TEST_F(MakeRule, EachPrerequisiteIsExactlyItsFileForMake) {
    const std::vector<std::string> names = {
        "a:b", "dir:x/f.inc", "a:", "a b", " lead", "tab\there", "a#b", "a$b", "a$$b", "a|b", "|",
        "a*b.inc", "a?b.inc", "a[x]b.inc", "a%b", "%",
        "a\\b", "a\\:b", "a\\ b", "a\\#b", "a\\|b", "a\\*b", "a\\%b", "a\\$b",
        "cells (copy).inc", "a)b", "x~", "a&b", "&", "ctl\x01\x0b\x0c.", "quote'\"s",
    };
    // What the wildcards above would also match.
    dir.write("axb.inc", "");
    dir.write("Makefile", "include deps.d\nout: ; $(file >seen,$^)@:\n");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        dir.write(name, "");
        dir.write("deps.d", make_rule("out", {name}));
        age(name, 2000);
        const run_result r = run_make({"out"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read("seen"), name + "\n");

        dir.write("out", "");
        age("out", 1000);
        EXPECT_EQ(run_make({"-q", "out"}).status, 0);
        age(name, 500);
        EXPECT_EQ(run_make({"-q", "out"}).status, 1);
        fs::remove(fs::path(dir.path()) / name);
        fs::remove(fs::path(dir.path()) / "out");
    }
}

TEST_F(MakeRule, EachTargetIsExactlyItsFileForMake) {
    const std::vector<std::string> names = {
        "a:b", "a:", "a b", " lead", "a ", "form\ffeed\f", "a#b", "a$b", "a|b", "a\\", "a\\:b", "a\\|b",
        "a&b", "a&:b", "x~", "a)b", "include", "cells (copy).kvx",
    };
    dir.write("in", "");
    // The first rule is the default goal; any target gets an empty recipe,
    // so that -q tells whether the rule's target is out of date.
    dir.write("Makefile", "include deps.d\n$(file >goal,$(.DEFAULT_GOAL))\n%:: ; @:\n");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        dir.write(name, "");
        dir.write("deps.d", make_rule(name, {"in"}));
        age(name, 1000);
        age("in", 500);
        const run_result stale = run_make({"-q", "--", name});
        EXPECT_EQ(stale.status, 1) << stale.err;
        EXPECT_EQ(read("goal"), name + "\n");
        age(name, 100);
        EXPECT_EQ(run_make({"-q", "--", name}).status, 0);
        fs::remove(fs::path(dir.path()) / name);
    }
}

TEST(MakeRuleRefusal, NamesMakeWouldMisreadGiveNoRule) {
    struct refused {
        std::string name;
        make_word where;
    };
    const std::vector<refused> names = {
        {"lib;>INJECTED;.inc", make_word::prerequisite},
        {"a;b", make_word::target},
        {"line\nbreak", make_word::prerequisite},
        {"carriage\rreturn", make_word::target},
        {"a=b", make_word::prerequisite},
        {"a=b", make_word::target},
        // Archive members, and the end of a group that "lib(a" before it opens.
        {"lib(m.o)", make_word::prerequisite},
        {"lib(m.o)", make_word::target},
        {"x(b c)", make_word::prerequisite},
        {"c)", make_word::prerequisite},
        {"c) d", make_word::prerequisite},
        // Home directories.
        {"~/x.inc", make_word::prerequisite},
        {".//~root/x", make_word::prerequisite},
        {"~x", make_word::target},
        // Lost at the end of the line.
        {"a\\", make_word::prerequisite},
        {"a ", make_word::prerequisite},
        {"a\t", make_word::prerequisite},
        {"a\v", make_word::prerequisite},
        {"\fa", make_word::prerequisite},
        {"\va", make_word::target},
        // An escaped tab in a target is a blank.
        {"tab\there", make_word::target},
        // A pattern rule, wildcards and grouped targets.
        {"out%.json", make_word::target},
        {"a*b", make_word::target},
        {"a?b", make_word::target},
        {"a[b]", make_word::target},
        {"a&", make_word::target},
    };
    for (const refused& r : names) {
        SCOPED_TRACE(r.name);
        try {
            const std::string rule = r.where == make_word::target ? make_rule(r.name, {"in"})
                                                                  : make_rule("out", {"in", r.name, "other"});
            ADD_FAILURE() << "written as " << rule;
        } catch (const make_rule_error& e) {
            EXPECT_EQ(e.file(), r.name);
            EXPECT_EQ(std::string(e.what()), "cannot write a make rule for " + r.name + ": " + e.why());
        }
    }
}

// Through the binary: a build that keeps its rules with -MF.
class MakeRuleCli : public MakeRule {
protected:
    void SetUp() override {
        if (std::string(REAL_PLUGIN).empty()) GTEST_SKIP() << "the korvex3 module is not built in this tree";
        MakeRule::SetUp();
    }
    run_result quarry(const std::vector<std::string>& args) {
        return cli_test::run_program(QUARRY_PARSE_BIN, args, dir.path());
    }
};

TEST_F(MakeRuleCli, ChangedIncludeWithColonOrBlankRebuildsTheTarget) {
    dir.write("deck.kvx", "deck\n.include \"a:b.inc\"\n.include \"my cells.inc\"\n.END\n");
    dir.write("a:b.inc", "R1 a b 1\n");
    dir.write("my cells.inc", "R2 a b 2\n");
    dir.write("Makefile",
              "deck.json: deck.kvx\n"
              "\t\"$(QUARRY)\" --format json -MF deck.d -MT deck.json deck.kvx > deck.json\n"
              "-include deck.d\n");
    for (const char* source : {"deck.kvx", "a:b.inc", "my cells.inc"}) age(source, 3000);
    const std::string quarry_bin = std::string("QUARRY=") + QUARRY_PARSE_BIN;

    const run_result first = run_make({"-f", "Makefile", quarry_bin});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(read("deck.d"), "deck.json: deck.kvx a\\:b.inc my\\ cells.inc\n");
    for (const char* included : {"a:b.inc", "my cells.inc"}) {
        SCOPED_TRACE(included);
        age("deck.json", 2000);
        age("deck.d", 2000);
        EXPECT_EQ(run_make({"-f", "Makefile", "-q", quarry_bin}).status, 0);
        age(included, 1000);
        EXPECT_EQ(run_make({"-f", "Makefile", "-q", quarry_bin}).status, 1);
        const run_result rebuild = run_make({"-f", "Makefile", quarry_bin});
        EXPECT_EQ(rebuild.status, 0) << rebuild.err;
        EXPECT_NE(rebuild.out.find("--format json -MF deck.d"), std::string::npos) << rebuild.out;
        age(included, 3000);
    }
}

TEST_F(MakeRuleCli, IncludeNameWithACommandGetsNoRuleAndOtherInputsGoOn) {
    dir.write("bad.kvx", "bad\n.include \"lib;>INJECTED;.inc\"\n.END\n");
    dir.write("lib;>INJECTED;.inc", "R1 a b 1\n");
    dir.write("ok.kvx", "ok\n.include \"my cells.inc\"\n.END\n");
    dir.write("my cells.inc", "R2 a b 2\n");
    const std::string refusal =
        "quarry-parse: error: cannot write a make rule for lib;>INJECTED;.inc: "
        "make would run what follows ';' as a command\n";

    const run_result to_file = quarry({"--format", "none", "-MF", "deps.d", "bad.kvx", "ok.kvx"});
    EXPECT_EQ(to_file.err, refusal);
    EXPECT_EQ(to_file.status, 2);
    EXPECT_EQ(read("deps.d"), "ok.kvx: my\\ cells.inc\n");

    const run_result to_stdout = quarry({"-M", "-MT", "bad.json", "bad.kvx"});
    EXPECT_EQ(to_stdout.out, "");
    EXPECT_EQ(to_stdout.err, refusal);
    EXPECT_EQ(to_stdout.status, 2);

    dir.write("Makefile", "all: bad.kvx ok.kvx\ninclude deps.d\n");
    EXPECT_EQ(run_make({"-f", "Makefile"}).status, 0);
    EXPECT_FALSE(fs::exists(fs::path(dir.path()) / "INJECTED"));
}

// A small project built by real make and ninja from the rules of -MD -MP:
// what rebuilds when an included file is touched, removed or renamed.
class DependencyProject : public MakeRuleCli {
protected:
    void SetUp() override {
        MakeRuleCli::SetUp();
        if (IsSkipped()) return;
        dir.write("deck.kvx", "deck\n.include 'models.inc'\n.include 'cells.inc'\n.END\n");
        dir.write("models.inc", "R1 a b 1\n");
        dir.write("cells.inc", "R2 a b 2\n");
        for (const char* source : {"deck.kvx", "models.inc", "cells.inc"}) age(source, 3000);
    }
    void touch(const std::string& name) {
        fs::last_write_time(fs::path(dir.path()) / name, fs::file_time_type::clock::now());
    }
    // cells.inc renamed to parts.inc, and the deck edited to match.
    void rename_include() {
        fs::rename(fs::path(dir.path()) / "cells.inc", fs::path(dir.path()) / "parts.inc");
        dir.write("deck.kvx", "deck\n.include 'models.inc'\n.include 'parts.inc'\n.END\n");
    }
    const std::string quarry_bin = std::string("QUARRY=") + QUARRY_PARSE_BIN;
};

TEST_F(DependencyProject, MakeRebuildsOnAChangedIncludeAndSurvivesARenamedOne) {
    for (const bool phony : {true, false}) {
        SCOPED_TRACE(phony ? "-MP" : "no -MP");
        dir.write("deck.kvx", "deck\n.include 'models.inc'\n.include 'cells.inc'\n.END\n");
        dir.write("cells.inc", "R2 a b 2\n");
        fs::remove(fs::path(dir.path()) / "parts.inc");
        fs::remove(fs::path(dir.path()) / "deck.json");
        dir.write("Makefile", std::string("deck.json: deck.kvx\n\t\"$(QUARRY)\" --format json -MD ") +
                                  (phony ? "-MP " : "") + "-MT $@ deck.kvx > $@\n-include deck.d\n");
        ASSERT_EQ(run_make({quarry_bin}).status, 0);
        EXPECT_EQ(read("deck.d"), phony ? "deck.json: deck.kvx models.inc cells.inc\n\nmodels.inc:\n\ncells.inc:\n"
                                        : "deck.json: deck.kvx models.inc cells.inc\n");
        EXPECT_EQ(run_make({"-q", quarry_bin}).status, 0);
        touch("models.inc");
        EXPECT_EQ(run_make({"-q", quarry_bin}).status, 1);
        ASSERT_EQ(run_make({quarry_bin}).status, 0);
        EXPECT_EQ(run_make({"-q", quarry_bin}).status, 0);

        rename_include();
        const run_result renamed = run_make({quarry_bin});
        if (phony) {
            // The empty rule stands for the gone file: the deck is rebuilt
            // and the new rule names the new file.
            EXPECT_EQ(renamed.status, 0) << renamed.err;
            EXPECT_EQ(read("deck.d"), "deck.json: deck.kvx models.inc parts.inc\n\nmodels.inc:\n\nparts.inc:\n");
        } else {
            EXPECT_EQ(renamed.status, 2);
            EXPECT_NE(renamed.err.find("No rule to make target 'cells.inc'"), std::string::npos) << renamed.err;
        }
    }
}

TEST_F(DependencyProject, NinjaReadsTheDepfileAndRebuildsOnAChangedOrRenamedInclude) {
    const std::string ninja = find_program("ninja");
    if (ninja.empty()) GTEST_SKIP() << "ninja is not installed";
    dir.write("build.ninja", std::string("quarry = ") + QUARRY_PARSE_BIN +
                                 "\nrule kvx\n  command = $quarry --format json -MD -MP -MT $out -MF $out.d $in > $out\n"
                                 "  depfile = $out.d\n  deps = gcc\nbuild deck.json: kvx deck.kvx\n");
    const auto run_ninja = [&] { return cli_test::run_program(ninja, {}, dir.path()); };
    const auto rebuilt = [](const run_result& r) { return r.out.find("no work to do") == std::string::npos; };
    const run_result first = run_ninja();
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_TRUE(rebuilt(first));
    EXPECT_FALSE(rebuilt(run_ninja()));
    touch("cells.inc");
    EXPECT_TRUE(rebuilt(run_ninja()));
    EXPECT_FALSE(rebuilt(run_ninja()));
    rename_include();
    const run_result renamed = run_ninja();
    EXPECT_EQ(renamed.status, 0) << renamed.out << renamed.err;
    EXPECT_TRUE(rebuilt(renamed));
    EXPECT_FALSE(rebuilt(run_ninja()));
    touch("parts.inc");
    EXPECT_TRUE(rebuilt(run_ninja()));
}

}  // namespace
