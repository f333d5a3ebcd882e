// Each capability against decks whose answers are worked out by hand.
#include <gtest/gtest.h>

#include "lsp_client.hh"

namespace lsp_test {
namespace {

json range(int l1, int c1, int l2, int c2) {
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}

json at(const std::string& uri, int line, int character) {
    return {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}};
}

const json* find_named(const json& list, const std::string& name) {
    for (const auto& s : list)
        if (s["name"] == name) return &s;
    return nullptr;
}

// Line numbers below count from 0.
const char* const models_inc =
    "* models\n"
    ".model nm nmos level=1\n"   // 1
    ".subckt inv in out vdd\n"   // 2
    "M1 out in 0 0 nm\n"         // 3
    ".ends\n";                   // 4
const char* const lib_lib =
    "* lib\n"
    ".section tt\n"              // 1
    ".model tt_n nmos level=2\n" // 2
    ".endsection\n"
    ".section ff\n"              // 4
    ".model ff_n nmos level=3\n"
    ".endsection\n";
const char* const top_deck =
    "title line\n"
    ".include 'models.inc'\n"    // 1
    ".lib 'lib.lib' SECTION=ff\n"// 2
    ".param vdd=1.8\n"           // 3
    ".subckt amp in out w=1u\n"  // 4
    "R1 in out 1k\n"             // 5
    "X1 in out vdd inv\n"        // 6
    ".ends amp\n"                // 7
    "Xa a b amp\n"               // 8
    "M2 d g s b nm\n"            // 9
    ".if (vdd > 1)\n"            // 10
    "C1 a 0 1p\n"                // 11
    ".else\n"                    // 12
    "C3 a 0 3p\n"                // 13
    ".endif\n"                   // 14
    "M3 d g s b ff_n\n"          // 15
    ".end\n";

class Features : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("models.inc", models_inc);
        dir.write("lib.lib", lib_lib);
        dir.write("top.kvx", top_deck);
        uri = dir.uri("top.kvx");
        s.initialize();
        s.open(uri, top_deck);
    }
    scratch_dir dir;
    server_process s;
    std::string uri;
};

TEST_F(Features, CleanDeckHasNoDiagnostics) {
    const json d = s.diagnostics_for(uri);
    EXPECT_EQ(d["diagnostics"], json::array()) << d.dump();
    EXPECT_EQ(d["version"], 1);
}

TEST_F(Features, DocumentSymbolsAreAHierarchyOfTheDocumentsOwnStatements) {
    s.request(1, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    const json r = s.response(1)["result"];
    ASSERT_TRUE(r.is_array()) << r.dump();
    // Two includes, the parameter, the subcircuit and the conditional; the
    // included models and the top-level instances are no symbols.
    ASSERT_EQ(r.size(), 5u) << r.dump();
    const json* models = find_named(r, "models.inc");
    ASSERT_NE(models, nullptr) << r.dump();
    EXPECT_EQ((*models)["kind"], 1);
    EXPECT_EQ((*models)["range"], range(1, 0, 1, 21));
    const json* lib = find_named(r, "lib.lib");
    ASSERT_NE(lib, nullptr);
    EXPECT_NE((*lib)["detail"].get<std::string>().find("section ff"), std::string::npos);
    const json* vdd = find_named(r, "vdd");
    ASSERT_NE(vdd, nullptr);
    EXPECT_EQ((*vdd)["kind"], 13);
    const json* amp = find_named(r, "amp");
    ASSERT_NE(amp, nullptr);
    EXPECT_EQ((*amp)["kind"], 5);
    // ".subckt amp" on line 4 to ".ends amp" (9 columns) on line 7.
    EXPECT_EQ((*amp)["range"], range(4, 0, 7, 9));
    EXPECT_EQ((*amp)["selectionRange"], range(4, 0, 4, 23));
    ASSERT_EQ((*amp)["children"].size(), 2u);
    EXPECT_EQ((*amp)["children"][0]["name"], "r1");
    EXPECT_EQ((*amp)["children"][1]["name"], "x1");
    EXPECT_EQ((*amp)["children"][1]["range"], range(6, 0, 6, 17));
    const json* cond = find_named(r, "(vdd > 1)");
    ASSERT_NE(cond, nullptr) << r.dump();
    EXPECT_EQ((*cond)["range"], range(10, 0, 14, 6));
}

TEST_F(Features, DefinitionOfASubcircuitInAnIncludedFile) {
    // "X1 in out vdd inv": the cursor on "inv" (columns 14-16).
    s.request(2, "textDocument/definition", at(uri, 6, 15));
    const json r = s.response(2)["result"];
    EXPECT_EQ(r["uri"], dir.uri("models.inc")) << r.dump();
    EXPECT_EQ(r["range"], range(2, 0, 4, 5));
}

TEST_F(Features, DefinitionOfAModelAndOfALocalSubcircuit) {
    s.request(3, "textDocument/definition", at(uri, 9, 11));  // "nm" of M2
    json r = s.response(3)["result"];
    EXPECT_EQ(r["uri"], dir.uri("models.inc"));
    EXPECT_EQ(r["range"], range(1, 0, 1, 22));
    s.request(4, "textDocument/definition", at(uri, 8, 8));  // "amp" of Xa
    r = s.response(4)["result"];
    EXPECT_EQ(r["uri"], uri);
    EXPECT_EQ(r["range"], range(4, 0, 7, 9));
}

TEST_F(Features, DefinitionNeedsTheCursorOnTheName) {
    s.request(5, "textDocument/definition", at(uri, 8, 0));  // "Xa", the instance's own name
    EXPECT_TRUE(s.response(5)["result"].is_null());
    s.request(6, "textDocument/definition", at(uri, 8, 3));  // pin "a"
    EXPECT_TRUE(s.response(6)["result"].is_null());
}

TEST_F(Features, DefinitionOfAnIncludeLineGoesToTheFileAndItsSection) {
    s.request(7, "textDocument/definition", at(uri, 1, 12));
    json r = s.response(7)["result"];
    EXPECT_EQ(r["uri"], dir.uri("models.inc"));
    EXPECT_EQ(r["range"], range(0, 0, 0, 0));
    s.request(8, "textDocument/definition", at(uri, 2, 8));
    r = s.response(8)["result"];
    EXPECT_EQ(r["uri"], dir.uri("lib.lib"));
    EXPECT_EQ(r["range"], range(4, 0, 4, 0));  // ".section ff"
}

TEST_F(Features, DefinitionOfAModelFromALibrarySection) {
    s.request(9, "textDocument/definition", at(uri, 15, 12));  // "ff_n"
    const json r = s.response(9)["result"];
    EXPECT_EQ(r["uri"], dir.uri("lib.lib"));
    EXPECT_EQ(r["range"], range(5, 0, 5, 24));
}

TEST_F(Features, HoverShowsPinsAndParametersOfASubcircuit) {
    s.request(10, "textDocument/hover", at(uri, 8, 8));
    const json r = s.response(10)["result"];
    EXPECT_EQ(r["contents"]["kind"], "markdown");
    const std::string text = r["contents"]["value"];
    EXPECT_NE(text.find("`amp`"), std::string::npos) << text;
    EXPECT_NE(text.find("pins: `in out`"), std::string::npos) << text;
    EXPECT_NE(text.find("w=1e-6"), std::string::npos) << text;
}

TEST_F(Features, HoverShowsAModelsTypeAndLevel) {
    s.request(11, "textDocument/hover", at(uri, 9, 11));
    const std::string text = s.response(11)["result"]["contents"]["value"];
    EXPECT_NE(text.find("mosfet (n), level 1"), std::string::npos) << text;
    // The language description's pins of the device.
    EXPECT_NE(text.find("d g s b"), std::string::npos) << text;
}

TEST_F(Features, HoverShowsAnElementsDevice) {
    s.request(12, "textDocument/hover", at(uri, 5, 1));
    const std::string text = s.response(12)["result"]["contents"]["value"];
    EXPECT_NE(text.find("resistor"), std::string::npos) << text;
    s.request(13, "textDocument/hover", at(uri, 0, 2));  // the title line
    EXPECT_TRUE(s.response(13)["result"].is_null());
}

TEST_F(Features, FoldingRangesForSubcircuitAndConditional) {
    s.request(14, "textDocument/foldingRange", {{"textDocument", {{"uri", uri}}}});
    const json r = s.response(14)["result"];
    ASSERT_EQ(r.size(), 2u) << r.dump();
    EXPECT_EQ(r[0]["startLine"], 4);
    EXPECT_EQ(r[0]["endLine"], 7);
    EXPECT_EQ(r[1]["startLine"], 10);
    EXPECT_EQ(r[1]["endLine"], 14);
}

std::set<std::string> labels(const json& result) {
    std::set<std::string> out;
    for (const auto& i : result["items"]) out.insert(i["label"].get<std::string>());
    return out;
}

TEST_F(Features, CompletionOffersDotCommandsAtAStatementStart) {
    const std::string text = std::string(top_deck) + ".su";
    s.change(uri, text, 2);
    s.request(15, "textDocument/completion", at(uri, 17, 3));
    const json r = s.response(15)["result"];
    const auto l = labels(r);
    EXPECT_TRUE(l.count(".subckt"));
    EXPECT_TRUE(l.count(".include"));
    EXPECT_TRUE(l.count(".model"));
    // Abbreviations are not offered, only the full spellings.
    EXPECT_FALSE(l.count(".su"));
    // The item replaces what was typed.
    EXPECT_EQ(r["items"][0]["textEdit"]["range"], range(17, 0, 17, 3));
}

TEST_F(Features, CompletionOffersTheStatementsKeywords) {
    const std::string text = std::string(top_deck) + "R9 a b 1k t\n.model q1 npn \n";
    s.change(uri, text, 2);
    s.request(16, "textDocument/completion", at(uri, 17, 11));
    auto l = labels(s.response(16)["result"]);
    EXPECT_TRUE(l.count("tc1"));
    EXPECT_TRUE(l.count("temp"));
    EXPECT_FALSE(l.count(".subckt"));
    // After a model type, that type's parameters, not other statements' keywords.
    s.request(17, "textDocument/completion", at(uri, 18, 14));
    l = labels(s.response(17)["result"]);
    EXPECT_FALSE(l.empty());
    EXPECT_FALSE(l.count("tc1"));
}

}  // namespace
}  // namespace lsp_test

namespace lsp_test {
namespace {

// A section's own place is its first line; its fold and symbol reach down
// to its last statement.
TEST(Sections, FoldAndSymbolCoverTheirStatements) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("lib.kvx");
    s.open(uri, "* lib\n.section tt\n.param a=1\n.model m1 nmos level=2\n.endsection\n");
    s.request(1, "textDocument/foldingRange", {{"textDocument", {{"uri", uri}}}});
    const json folds = s.response(1)["result"];
    ASSERT_EQ(folds.size(), 1u) << folds.dump();
    EXPECT_EQ(folds[0]["startLine"], 1);
    EXPECT_EQ(folds[0]["endLine"], 3);
    s.request(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    const json symbols = s.response(2)["result"];
    ASSERT_EQ(symbols.size(), 1u) << symbols.dump();
    EXPECT_EQ(symbols[0]["name"], "tt");
    EXPECT_EQ(symbols[0]["kind"], 3);
    // ".model m1 nmos level=2" is 22 columns.
    EXPECT_EQ(symbols[0]["range"], range(1, 0, 3, 22));
    ASSERT_EQ(symbols[0]["children"].size(), 2u);
    EXPECT_EQ(symbols[0]["children"][1]["name"], "m1");
    EXPECT_EQ(symbols[0]["children"][1]["detail"], "mosfet (n) level 2");
}

}  // namespace
}  // namespace lsp_test

namespace lsp_test {
namespace {

TEST(Includes, AMissingFileHasNoDefinitionButADiagnostic) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("m.kvx");
    s.open(uri, "title\n.include 'nowhere.inc'\n.end\n");
    const json d = s.diagnostics_for(uri)["diagnostics"];
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d[0]["range"]["start"]["line"], 1) << d.dump();
    s.request(1, "textDocument/definition",
              {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 1}, {"character", 12}}}});
    EXPECT_TRUE(s.response(1)["result"].is_null());
}

}  // namespace
}  // namespace lsp_test
