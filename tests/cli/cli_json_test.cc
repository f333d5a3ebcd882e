// --format json as tools that read one document per input rely on it: a
// document for every input, also one that cannot be read or whose parse an
// error ended, and the token stream in JSON form.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "real_cli.hh"

namespace {

using cli_test::run_result;
using json = nlohmann::json;
using JsonCli = cli_test::real_cli;

std::vector<json> documents(const std::string& out) {
    std::vector<json> docs;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) docs.push_back(json::parse(line));
    return docs;
}

json place(const std::string& file, int l1, int c1, int l2, int c2) {
    return {{"file", file}, {"first_line", l1}, {"first_column", c1}, {"last_line", l2}, {"last_column", c2}};
}

TEST_F(JsonCli, EveryInputGetsItsDocumentEvenWhenItCannotBeParsed) {
    dir.write("good.kvx", "t\nR1 a b 1\n.END\n");
    dir.write("bad.kvx", "t\nR1 a\n.END\n");
    dir.write("unread.kvx", "t\n.include '/proc/self/mem'\n.END\n");
    dir.write("sub/x.inc", "");
    const run_result r = quarry({"--format", "json", "good.kvx", "missing.kvx", "sub", "bad.kvx", "unread.kvx"});
    EXPECT_EQ(r.status, 2);
    const std::vector<json> docs = documents(r.out);
    ASSERT_EQ(docs.size(), 5u) << r.out;
    EXPECT_EQ(docs[0]["ok"], true);
    const auto error = [](const std::string& message, const json& where) {
        return json::array({{{"severity", "error"}, {"message", message}, {"location", where}, {"id", nullptr}}});
    };
    EXPECT_EQ(docs[1], json({{"file", "missing.kvx"}, {"language", "korvex3"}, {"ok", false},
                             {"diagnostics", error("cannot open missing.kvx: No such file or directory", nullptr)},
                             {"tree", nullptr}}));
    EXPECT_EQ(docs[2]["diagnostics"], error("cannot open sub: Is a directory", nullptr));
    EXPECT_EQ(docs[2]["tree"], nullptr);
    // A syntax error keeps the tree; a read error ends the parse: no tree.
    EXPECT_EQ(docs[3]["ok"], false);
    EXPECT_TRUE(docs[3]["tree"].is_array());
    EXPECT_EQ(docs[4]["diagnostics"],
              error("cannot read /proc/self/mem: Input/output error", place("/proc/self/mem", 1, 1, 1, 1)));
    EXPECT_EQ(docs[4]["tree"], nullptr);

    // jq -s length counts the inputs.
    const run_result jq = shell("command -v jq >/dev/null || exit 77; " + bin() +
                                " --format json good.kvx missing.kvx bad.kvx 2>/dev/null | jq -s length");
    if (jq.status != 77) {
        EXPECT_EQ(jq.out, "3\n");
    }
}

TEST_F(JsonCli, TokensAsJsonAreTheTokensOfTheListing) {
    dir.write("deck.kvx", "t\nR1 a b 1\n.END\n");
    const run_result r = quarry({"--tokens", "--format", "json", "deck.kvx"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<json> docs = documents(r.out);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0]["file"], "deck.kvx");
    EXPECT_EQ(docs[0]["ok"], true);
    const json& tokens = docs[0]["tokens"];
    ASSERT_EQ(tokens.size(), 9u) << tokens.dump();
    EXPECT_EQ(tokens[0], json({{"kind", "TITLE"}, {"value", "t"}, {"location", place("deck.kvx", 1, 1, 1, 1)}}));
    EXPECT_EQ(tokens[1], json({{"kind", "end-of-line"}, {"value", nullptr}, {"location", place("deck.kvx", 1, 2, 2, 1)}}));
    EXPECT_EQ(tokens[2], json({{"kind", "RESISTOR"}, {"value", "r1"}, {"location", place("deck.kvx", 2, 1, 2, 2)}}));
    EXPECT_EQ(tokens[7], json({{"kind", ".END"}, {"value", nullptr}, {"location", place("deck.kvx", 3, 1, 3, 4)}}));

    // Line for line the listing's tokens.
    std::istringstream listing(quarry({"--tokens", "deck.kvx"}).out);
    for (const json& t : tokens) {
        std::string line;
        ASSERT_TRUE(std::getline(listing, line));
        const json& at = t["location"];
        std::string expected = "[" + std::to_string(at["first_line"].get<int>()) + ":" +
                               std::to_string(at["first_column"].get<int>()) + "-" +
                               std::to_string(at["last_line"].get<int>()) + ":" +
                               std::to_string(at["last_column"].get<int>()) + "] " + t["kind"].get<std::string>();
        if (!t["value"].is_null()) expected += " \"" + t["value"].get<std::string>() + "\"";
        EXPECT_EQ(line, expected);
    }

    // Unreadable inputs and several inputs: one document each, no "==" headers.
    const run_result two = quarry({"--tokens", "--format", "json", "deck.kvx", "missing.kvx"});
    EXPECT_EQ(two.status, 2);
    const std::vector<json> both = documents(two.out);
    ASSERT_EQ(both.size(), 2u) << two.out;
    EXPECT_EQ(both[1]["tokens"], json::array());
    EXPECT_EQ(both[1]["ok"], false);
}

}  // namespace
