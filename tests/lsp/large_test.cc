// A 50 MB deck: diagnostics come, at the right line, and the server goes on.
// A program of its own, so that its time limit can be longer than the others'.
#include <gtest/gtest.h>

#include "lsp_client.hh"

namespace lsp_test {
namespace {

const json* with_code(const json& list, const std::string& code) {
    for (const auto& d : list)
        if (d.value("code", "") == code) return &d;
    return nullptr;
}

TEST(Hostile, FiftyMegabyteDocument) {
    scratch_dir dir;
    std::string text = "title\n";
    const std::string card = "R1 a b 1k\n";
    text.reserve(50'000'100);
    while (text.size() < 50'000'000) text += card;
    text += "X1 a b nothere\n";
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("big.kvx");
    s.open(uri, text);
    const json d = s.diagnostics_for(uri, std::chrono::seconds(500));
    const json* undefined = with_code(d["diagnostics"], "undefined-subckt");
    ASSERT_NE(undefined, nullptr);
    // The title, then the cards, then the instance.
    const int last_line = static_cast<int>((text.size() - 15 - 6) / card.size()) + 1;
    EXPECT_EQ((*undefined)["range"]["start"]["line"], last_line);
    s.request(2, "shutdown");
    EXPECT_TRUE(s.response(2, std::chrono::seconds(300)).contains("result"));
}

// A change that arrives while a long parse runs: the last diagnostics are
// those of the newest text, never an older one's after it.
TEST(Hostile, ChangeDuringALongParse) {
    scratch_dir dir;
    std::string big = "title\n";
    while (big.size() < 5'000'000) big += "R1 a b 1k\n";
    big += "X1 a b nothere\n.end\n";
    server_process s;
    s.initialize();
    const std::string uri = dir.uri("long.kvx");
    s.open(uri, big, 1);
    s.change(uri, "title\nX2 a b other\n.end\n", 2);
    json d;
    do {
        d = s.diagnostics_for(uri, std::chrono::seconds(120));
    } while (d["version"] != 2);
    ASSERT_EQ(d["diagnostics"].size(), 1u) << d.dump();
    EXPECT_NE(d["diagnostics"][0]["message"].get<std::string>().find("other"), std::string::npos);
    // Nothing older comes after it.
    s.request(5, "shutdown");
    s.response(5, std::chrono::seconds(120));
    while (const auto m = s.next(std::chrono::milliseconds(200)))
        EXPECT_NE((*m).value("method", ""), "textDocument/publishDiagnostics") << m->dump();
}

}  // namespace
}  // namespace lsp_test
