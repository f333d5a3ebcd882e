// Published diagnostics: syntax errors and checks, included files and their
// include lines, positions in both encodings, and decks that are hostile.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "lsp_client.hh"

namespace lsp_test {
namespace {

json range(int l1, int c1, int l2, int c2) {
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}

const json* with_code(const json& list, const std::string& code) {
    for (const auto& d : list)
        if (d.value("code", "") == code) return &d;
    return nullptr;
}

const json* syntax_error(const json& list) {
    for (const auto& d : list)
        if (d["message"].get<std::string>().find("syntax error") != std::string::npos) return &d;
    return nullptr;
}

const char* const broken_deck =
    "title\n"
    ".subckt amp in out\n"
    "R1 in out 1k\n"
    ".ends\n"
    "X1 a b amp\n"
    "X2 a b nothere\n"   // 5: undefined subcircuit
    "R2 a b ((\n";       // 6: the second '(' is unexpected

TEST(Diagnostics, SyntaxErrorAndUndefinedSubcircuit) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("deck.kvx");
    s.open(uri, broken_deck);
    const json d = s.diagnostics_for(uri)["diagnostics"];
    const json* undefined = with_code(d, "undefined-subckt");
    ASSERT_NE(undefined, nullptr) << d.dump();
    EXPECT_EQ((*undefined)["severity"], 2);
    EXPECT_EQ((*undefined)["source"], "korvex3");
    EXPECT_EQ((*undefined)["range"], range(5, 0, 5, 14));
    const json* syntax = syntax_error(d);
    ASSERT_NE(syntax, nullptr) << d.dump();
    EXPECT_EQ((*syntax)["severity"], 1);
    EXPECT_EQ((*syntax)["range"], range(6, 8, 6, 9));
    EXPECT_FALSE(syntax->contains("code"));
}

TEST(Diagnostics, FixingTheDeckClearsThemAndClosingClearsToo) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("deck.kvx");
    s.open(uri, broken_deck);
    EXPECT_FALSE(s.diagnostics_for(uri)["diagnostics"].empty());
    s.change(uri, "title\n.subckt amp in out\nR1 in out 1k\n.ends\nX1 a b amp\n.end\n", 2);
    const json fixed = s.diagnostics_for(uri);
    EXPECT_EQ(fixed["diagnostics"], json::array()) << fixed.dump();
    EXPECT_EQ(fixed["version"], 2);
    s.change(uri, broken_deck, 3);
    EXPECT_FALSE(s.diagnostics_for(uri)["diagnostics"].empty());
    s.notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
    EXPECT_EQ(s.diagnostics_for(uri)["diagnostics"], json::array());
}

TEST(Diagnostics, AnIncludedFilesErrorShowsThereAndAtTheIncludeLine) {
    scratch_dir dir;
    dir.write("bad.inc", "* bad\nR1 a b ((\n");
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("main.kvx");
    s.open(uri, "title\n.include 'bad.inc'\n.end\n");
    // Either may come first; diagnostics_for keeps the other.
    const json in_main = s.diagnostics_for(uri)["diagnostics"];
    const json in_include = s.diagnostics_for(dir.uri("bad.inc"))["diagnostics"];
    const json* real = syntax_error(in_include);
    ASSERT_NE(real, nullptr) << in_include.dump();
    EXPECT_EQ((*real)["range"], range(1, 8, 1, 9));
    const json* mirrored = syntax_error(in_main);
    ASSERT_NE(mirrored, nullptr) << in_main.dump();
    EXPECT_EQ((*mirrored)["severity"], 1);
    // The whole of ".include 'bad.inc'".
    EXPECT_EQ((*mirrored)["range"], range(1, 0, 1, 18));
    EXPECT_NE((*mirrored)["message"].get<std::string>().find("bad.inc"), std::string::npos);
}

TEST(Diagnostics, AnIncludedFileChangedOnDiskIsReadAgain) {
    scratch_dir dir;
    dir.write("part.inc", "* part\nR1 a b ((\n");
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("main.kvx");
    s.open(uri, "title\n.include 'part.inc'\n.end\n");
    const json before = s.diagnostics_for(uri)["diagnostics"];
    EXPECT_NE(syntax_error(before), nullptr);
    // A different size, so that the change shows whatever the clock's grain.
    dir.write("part.inc", "* part, fixed\nR1 a b 1k\n");
    s.notify("workspace/didChangeWatchedFiles", {{"changes", {{{"uri", dir.uri("part.inc")}, {"type", 2}}}}});
    const json after = s.diagnostics_for(uri);
    EXPECT_EQ(after["diagnostics"], json::array()) << after.dump();
}

TEST(Diagnostics, AnOpenBufferOfAnIncludedFileIsUsed) {
    scratch_dir dir;
    dir.write("part.inc", "* part\nR1 a b 1k\n");
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("main.kvx");
    s.open(uri, "title\n.include 'part.inc'\nX1 a b sub\n.end\n");
    EXPECT_NE(s.diagnostics_for(uri)["diagnostics"].size(), 0u);
    // The editor's unsaved buffer defines the subcircuit.
    s.open(dir.uri("part.inc"), "* part\n.subckt sub p q\nR1 p q 1k\n.ends\n");
    json main_now;
    for (int i = 0; i < 5; ++i) {
        main_now = s.diagnostics_for(uri);
        if (main_now["diagnostics"].empty()) break;
    }
    EXPECT_EQ(main_now["diagnostics"], json::array()) << main_now.dump();
}

// "R1 µa µb ((": µ is two bytes in UTF-8 and one unit in UTF-16; the
// unexpected '(' is byte 12 (from 0), after ten UTF-16 units.
TEST(Positions, NonAsciiLineInUtf16) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("u.kvx");
    s.open(uri, "title\nR1 \xC2\xB5" "a \xC2\xB5" "b ((\n");
    const json list = s.diagnostics_for(uri)["diagnostics"];
    const json* e = syntax_error(list);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ((*e)["range"], range(1, 10, 1, 11));
}

TEST(Positions, NonAsciiLineInUtf8) {
    scratch_dir dir;
    server_process s;
    s.initialize({"utf-8"});
    const std::string uri = dir.uri("u.kvx");
    s.open(uri, "title\nR1 \xC2\xB5" "a \xC2\xB5" "b ((\n");
    const json list = s.diagnostics_for(uri)["diagnostics"];
    const json* e = syntax_error(list);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ((*e)["range"], range(1, 12, 1, 13));
}

// U+1D11E is four bytes and a surrogate pair: "R1 𝄞a 𝄞b ((" has the '(' at
// byte 16 and after twelve UTF-16 units.
TEST(Positions, CharacterOutsideTheBasicPlane) {
    scratch_dir dir;
    const std::string text = "title\nR1 \xF0\x9D\x84\x9E" "a \xF0\x9D\x84\x9E" "b ((\n";
    {
        server_process s;
        s.initialize();
        s.open(dir.uri("c.kvx"), text);
        const json list = s.diagnostics_for(dir.uri("c.kvx"))["diagnostics"];
        const json* e = syntax_error(list);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ((*e)["range"], range(1, 12, 1, 13));
    }
    {
        server_process s;
        s.initialize({"utf-8"});
        s.open(dir.uri("c.kvx"), text);
        const json list = s.diagnostics_for(dir.uri("c.kvx"))["diagnostics"];
        const json* e = syntax_error(list);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ((*e)["range"], range(1, 16, 1, 17));
    }
}

// Incoming positions: "Xa µn µm amp" has "amp" at UTF-16 units 9-11 and
// bytes 11-13; "µm" at units 6-7 and bytes 7-9.
TEST(Positions, IncomingPositionsAreConvertedBack) {
    scratch_dir dir;
    const std::string text = "title\n.subckt amp p q\nR1 p q 1k\n.ends\nXa \xC2\xB5n \xC2\xB5m amp\n";
    for (const bool utf8 : {false, true}) {
        server_process s;
        s.initialize(utf8 ? std::vector<std::string>{"utf-8"} : std::vector<std::string>{});
        const std::string uri = dir.uri("p.kvx");
        s.open(uri, text);
        const auto definition_at = [&](int id, int character) {
            s.request(id, "textDocument/definition",
                      {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 4}, {"character", character}}}});
            return s.response(id)["result"];
        };
        const json on_amp = definition_at(1, utf8 ? 11 : 9);
        EXPECT_EQ(on_amp["range"], range(1, 0, 3, 5)) << (utf8 ? "utf-8 " : "utf-16 ") << on_amp.dump();
        EXPECT_TRUE(definition_at(2, utf8 ? 9 : 7).is_null()) << (utf8 ? "utf-8" : "utf-16");
    }
}

TEST(Hostile, ReplacementCharactersAndControlBytes) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("h.kvx");
    s.open(uri, "title\nR1 \xEF\xBF\xBD \xEF\xBF\xBD\x01 ((\n\xEF\xBF\xBD\xEF\xBF\xBD\n");
    const json d = s.diagnostics_for(uri)["diagnostics"];
    EXPECT_FALSE(d.empty());
    s.request(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    EXPECT_TRUE(s.response(2)["result"].is_array());
}

TEST(Hostile, InvalidUtf8InAnIncludedFile) {
    scratch_dir dir;
    dir.write("latin1.inc", "* caf\xE9\nR1 \xB5" "a b ((\n");
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("m.kvx");
    s.open(uri, "title\n.include 'latin1.inc'\n");
    const json d = s.diagnostics_for(dir.uri("latin1.inc"))["diagnostics"];
    const json* e = syntax_error(d);
    ASSERT_NE(e, nullptr) << d.dump();
    // A byte that is no UTF-8 counts as one unit: "R1 ", the bad byte, "a b (".
    EXPECT_EQ((*e)["range"], range(1, 9, 1, 10));
}

TEST(Hostile, EmptyDocumentAfterAChange) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("e.kvx");
    s.open(uri, broken_deck);
    s.diagnostics_for(uri);
    s.change(uri, "", 2);
    const json d = s.diagnostics_for(uri);
    EXPECT_EQ(d["version"], 2);
    s.request(3, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
    EXPECT_EQ(s.response(3)["result"], json::array());
    s.request(4, "textDocument/completion",
              {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 0}, {"character", 0}}}});
    EXPECT_TRUE(s.response(4)["result"]["items"].is_array());
}

TEST(Hostile, IncludeCycle) {
    scratch_dir dir;
    dir.write("a.inc", "* a\n.include 'b.inc'\n");
    dir.write("b.inc", "* b\n.include 'a.inc'\n");
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("a.inc");
    s.open(uri, "* a\n.include 'b.inc'\n");
    const json d = s.diagnostics_for(uri, std::chrono::seconds(30));
    EXPECT_FALSE(d["diagnostics"].empty()) << d.dump();
    s.request(2, "shutdown");
    EXPECT_TRUE(s.response(2).contains("result"));
}

TEST(Hostile, PositionsPastTheEndAreClamped) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("x.kvx");
    s.open(uri, broken_deck);
    s.request(2, "textDocument/hover",
              {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 9999}, {"character", 9999}}}});
    EXPECT_TRUE(s.response(2).contains("result"));
    s.request(3, "textDocument/definition",
              {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 4}, {"character", 9999}}}});
    EXPECT_TRUE(s.response(3).contains("result"));
    s.request(4, "textDocument/hover", {{"textDocument", {{"uri", uri}}}, {"position", "nonsense"}});
    EXPECT_TRUE(s.response(4).contains("result"));
    s.request(5, "textDocument/hover", {{"textDocument", 5}});
    EXPECT_EQ(s.response(5)["error"]["code"], -32602);
}

}  // namespace
}  // namespace lsp_test

namespace lsp_test {
namespace {

// A client may send a lone surrogate escaped; it is one replacement
// character, and the '(' after "R1 ?a b " is still at unit 9 in UTF-16.
TEST(Hostile, LoneSurrogateInADocument) {
    scratch_dir dir;
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("s.kvx");
    const std::string open = R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":")" + uri +
                             R"(","languageId":"korvex3","version":1,"text":"title\nR1 \ud800a b ((\n"}}})";
    s.write_raw("Content-Length: " + std::to_string(open.size()) + "\r\n\r\n" + open);
    const json list = s.diagnostics_for(uri)["diagnostics"];
    const json* e = syntax_error(list);
    ASSERT_NE(e, nullptr) << list.dump();
    EXPECT_EQ((*e)["range"], range(1, 9, 1, 10));
}

}  // namespace
}  // namespace lsp_test
