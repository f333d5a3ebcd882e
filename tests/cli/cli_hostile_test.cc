// Inputs that once crashed, hung or crawled, through the binary with the real
// module. Every child is killed if it outlives a generous limit, so that a
// hang fails its test instead of stopping the suite; no test measures time.
#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "real_cli.hh"

namespace {

using cli_test::run_result;


class HostileCli : public cli_test::real_cli {
protected:
    static std::size_t count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
        return n;
    }
};

std::string nested_ifs(std::size_t depth) {
    std::string s = "deep\n";
    for (std::size_t i = 0; i < depth; ++i) s += ".IF (1)\n";
    s += "R1 a b 1\n";
    for (std::size_t i = 0; i < depth; ++i) s += ".ENDIF\n";
    return s + ".END\n";
}

// Building, writing and freeing the tree used to recurse once per level.
TEST_F(HostileCli, DeeplyNestedBlocksAreParsedPrintedAndFreed) {
    const std::size_t depth = 100000;
    dir.write("deep.kvx", nested_ifs(depth));
    const run_result json = quarry({"--format", "json", "deep.kvx"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.err, "");
    EXPECT_EQ(json.out.rfind(R"({"file":"deep.kvx","language":"korvex3","ok":true,"diagnostics":[],)", 0), 0u);
    EXPECT_EQ(count(json.out, R"("kind":"nt_condition")"), depth);
    EXPECT_EQ(count(json.out, R"({"kind":"nt_instance","value":"r1")"), 1u);

    // The tree's indentation grows with the depth, so its output is quadratic
    // in it: a smaller depth, still far beyond any real netlist.
    const std::size_t tree_depth = 2000;
    dir.write("tree.kvx", nested_ifs(tree_depth));
    const run_result tree = quarry({"tree.kvx"});
    ASSERT_EQ(tree.status, 0) << tree.err;
    EXPECT_EQ(count(tree.out, "nt_condition \"(1)\""), tree_depth);
    const std::string innermost = std::string(4 * tree_depth, ' ') + "nt_instance \"r1\" @tree.kvx[2002:1-2002:8]\n";
    EXPECT_NE(tree.out.find("\n" + innermost), std::string::npos);
}

// A FIFO would block the reader until a writer comes, which never does.
TEST_F(HostileCli, FifoIsRefusedAsFileAndAsInclude) {
    ASSERT_EQ(::mkfifo((dir.path() + "/pipe.inc").c_str(), 0600), 0);
    dir.write("deck.kvx", "fifo\n.INCLUDE 'pipe.inc'\nR1 a b 1\n.END\n");
    const run_result include = quarry({"deck.kvx"});
    EXPECT_EQ(include.status, 1);
    EXPECT_NE(include.err.find("deck.kvx:2:1: error: .include path is invalid: "), std::string::npos) << include.err;
    EXPECT_NE(include.out.find("nt_instance \"r1\""), std::string::npos);

    const run_result direct = quarry({"pipe.inc"});
    EXPECT_EQ(direct.err, "quarry-parse: error: cannot open pipe.inc: Not a regular file\n");
    EXPECT_EQ(direct.status, 2);
}

// A NUL byte inside a title or comment used to make the scanner rescan the
// line from its start: quadratic in the line's length.
TEST_F(HostileCli, NulBytesInTitleAndCommentLines) {
    const std::string nuls(200000, '\0');
    dir.write("nul.kvx", nuls + "Title\n* " + nuls + "comment\nR1 a b 1" + nuls + "\n.END\n");
    const run_result r = quarry({"--format", "json", "nul.kvx"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    ASSERT_EQ(doc["tree"].size(), 2u);
    EXPECT_EQ(doc["tree"][0]["value"], nuls + "title");
    EXPECT_EQ(doc["tree"][1]["value"], "r1");
    EXPECT_EQ(doc["tree"][1]["location"]["first_line"], 3);
}

// Tokens of several MB (read in small chunks, they were rescanned at every
// chunk), and the located error once a token passes the 8 MiB limit.
TEST_F(HostileCli, LongTokensUpToTheLimitAndTheOverflowMessage) {
    const std::string title(7000000, 't');
    const std::string name(7000000, 'n');
    dir.write("long.kvx", title + "\n*" + std::string(7000000, 'c') + "\nR1 a " + name + " 1\n.END\n");
    const run_result r = quarry({"long.kvx"});
    ASSERT_EQ(r.status, 0) << r.err.substr(0, 500);
    EXPECT_EQ(r.out.rfind("nt_title \"" + title + "\"\n", 0), 0u);
    EXPECT_NE(r.out.find("    nt_string \"" + name + "\"\n"), std::string::npos);

    dir.write("over.kvx", "over\nR1 a " + std::string(9000000, 'n') + " 1\n.END\n");
    const run_result over = quarry({"--format", "none", "over.kvx"});
    EXPECT_EQ(over.status, 2);
    EXPECT_EQ(over.err.rfind("over.kvx:2:6: error: token longer than 8 MiB (scanner input buffer overflow)\n", 0),
              0u)
        << over.err.substr(0, 300);
}

// An error in an included file fails the parse of the file that includes it.
TEST_F(HostileCli, ErrorsInIncludedFilesFailTheParse) {
    dir.write("bad.inc", "R2 a\n");
    dir.write("deck.kvx", "t\n.INCLUDE 'bad.inc'\nR1 a b 1\n.END\n");
    const run_result tree = quarry({"deck.kvx"});
    EXPECT_EQ(tree.status, 1);
    EXPECT_EQ(tree.err.rfind("In file included from deck.kvx:2:\nbad.inc:1:5: error: syntax error, unexpected end-of-line", 0),
              0u)
        << tree.err;

    const run_result json = quarry({"--format", "json", "deck.kvx"});
    EXPECT_EQ(json.status, 1);
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["ok"], false);
    ASSERT_EQ(doc["diagnostics"].size(), 1u);
    EXPECT_EQ(doc["diagnostics"][0]["location"]["file"], "bad.inc");
}

}  // namespace
