// The server's life cycle, framing and answers to malformed input, through
// the real binary.
#include <gtest/gtest.h>

#include "lsp_client.hh"

namespace lsp_test {
namespace {

TEST(Protocol, InitializeAnswersCapabilitiesAndUtf16ByDefault) {
    server_process s;
    const json r = s.initialize();
    const json& caps = r["result"]["capabilities"];
    EXPECT_EQ(caps["positionEncoding"], "utf-16");
    EXPECT_EQ(caps["textDocumentSync"]["change"], 1);
    EXPECT_EQ(caps["textDocumentSync"]["openClose"], true);
    EXPECT_EQ(caps["documentSymbolProvider"], true);
    EXPECT_EQ(caps["definitionProvider"], true);
    EXPECT_EQ(caps["hoverProvider"], true);
    EXPECT_EQ(caps["foldingRangeProvider"], true);
    EXPECT_TRUE(caps["completionProvider"].is_object());
    EXPECT_EQ(r["result"]["serverInfo"]["name"], "korvex3-lsp");
}

TEST(Protocol, Utf8IsChosenWhenOffered) {
    server_process s;
    EXPECT_EQ(s.initialize({"utf-16", "utf-8"})["result"]["capabilities"]["positionEncoding"], "utf-8");
}

TEST(Protocol, OnlyUtf16OfferedStaysUtf16) {
    server_process s;
    EXPECT_EQ(s.initialize({"utf-16", "utf-32"})["result"]["capabilities"]["positionEncoding"], "utf-16");
}

TEST(Protocol, ExitAfterShutdownIsZero) {
    server_process s;
    s.initialize();
    s.request(2, "shutdown");
    EXPECT_TRUE(s.response(2)["result"].is_null());
    s.notify("exit");
    EXPECT_EQ(s.exit_status(), 0);
}

TEST(Protocol, ExitWithoutShutdownIsOne) {
    server_process s;
    s.initialize();
    s.notify("exit");
    EXPECT_EQ(s.exit_status(), 1);
}

TEST(Protocol, RequestsAfterShutdownAreRefused) {
    server_process s;
    s.initialize();
    s.request(2, "shutdown");
    s.response(2);
    s.request(3, "textDocument/documentSymbol", {{"textDocument", {{"uri", "file:///x.kvx"}}}});
    EXPECT_EQ(s.response(3)["error"]["code"], -32600);
}

TEST(Protocol, RequestBeforeInitializeIsRefused) {
    server_process s;
    s.request(7, "textDocument/hover", {{"textDocument", {{"uri", "file:///x.kvx"}}}, {"position", {{"line", 0}, {"character", 0}}}});
    const json r = s.response(7);
    EXPECT_EQ(r["error"]["code"], -32002);
    // Initialising afterwards still works.
    EXPECT_EQ(s.initialize()["result"]["capabilities"]["hoverProvider"], true);
}

TEST(Protocol, SecondInitializeIsRefused) {
    server_process s;
    s.initialize();
    s.request(2, "initialize", {{"capabilities", json::object()}});
    EXPECT_EQ(s.response(2)["error"]["code"], -32600);
}

TEST(Protocol, UnknownRequestIsMethodNotFoundAndUnknownNotificationIsIgnored) {
    server_process s;
    s.initialize();
    s.notify("$/somethingNew", {{"x", 1}});
    s.request(2, "textDocument/noSuchThing");
    const json r = s.response(2);
    EXPECT_EQ(r["error"]["code"], -32601);
    s.request(3, "shutdown");
    EXPECT_TRUE(s.response(3).contains("result"));
}

TEST(Protocol, TwoMessagesInOneWriteAndExtraHeaders) {
    server_process s;
    const std::string a = R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})";
    const std::string b = R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})";
    s.write_raw("Content-Length: " + std::to_string(a.size()) +
                "\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n" + a + "Content-Length: " +
                std::to_string(b.size()) + "\r\n\r\n" + b);
    EXPECT_TRUE(s.response(1)["result"].contains("capabilities"));
    EXPECT_TRUE(s.response(2)["result"].is_null());
}

TEST(Protocol, BadHeaderGivesParseErrorWithNullIdAndTheServerGoesOn) {
    server_process s;
    s.write_raw("Content-Length: twelve\r\n\r\n");
    const auto e = s.next();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ((*e)["error"]["code"], -32700);
    EXPECT_TRUE((*e)["id"].is_null());
    EXPECT_TRUE(s.initialize()["result"].contains("capabilities"));
}

TEST(Protocol, HeaderWithoutLengthGivesParseError) {
    server_process s;
    s.write_raw("Content-Type: text/plain\r\n\r\n");
    const auto e = s.next();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ((*e)["error"]["code"], -32700);
    EXPECT_TRUE(s.initialize()["result"].contains("capabilities"));
}

TEST(Protocol, InvalidJsonGivesParseError) {
    server_process s;
    const std::string body = R"({"jsonrpc":"2.0","id":5,"method":)";
    s.write_raw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    const auto e = s.next();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ((*e)["error"]["code"], -32700);
    EXPECT_TRUE((*e)["id"].is_null());
    EXPECT_TRUE(s.initialize()["result"].contains("capabilities"));
}

TEST(Protocol, ValidJsonThatIsNoRequestIsInvalidRequest) {
    server_process s;
    s.send(json::array({1, 2}));
    auto e = s.next();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ((*e)["error"]["code"], -32600);
    EXPECT_TRUE((*e)["id"].is_null());
    // The id is known here, so the answer carries it.
    s.send({{"jsonrpc", "2.0"}, {"id", 9}, {"method", 17}});
    e = s.next();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ((*e)["error"]["code"], -32600);
    EXPECT_EQ((*e)["id"], 9);
}

TEST(Protocol, TruncatedBodyAtEndOfInputGivesParseErrorAndExitsOne) {
    server_process s;
    s.initialize();
    s.write_raw("Content-Length: 100\r\n\r\n{\"jsonrpc\":\"2.0\"");
    s.close_input();
    const auto e = s.next();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ((*e)["error"]["code"], -32700);
    EXPECT_TRUE((*e)["id"].is_null());
    EXPECT_EQ(s.exit_status(), 1);
}

TEST(Protocol, EndOfInputWithoutExitIsOne) {
    server_process s;
    s.initialize();
    s.close_input();
    EXPECT_EQ(s.exit_status(), 1);
}

TEST(Protocol, StringIdsAreEchoed) {
    server_process s;
    s.initialize();
    s.send({{"jsonrpc", "2.0"}, {"id", "abc"}, {"method", "shutdown"}});
    const auto r = s.next();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ((*r)["id"], "abc");
}

}  // namespace
}  // namespace lsp_test
