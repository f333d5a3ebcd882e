#include "json_printer.hh"

#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "quarry/parser/info.hh"

namespace {

using quarry::ast::node;
using quarry::parser::diagnostic;
using quarry::parser::info_netlist;
using quarry::parser::severity;
using quarry_parse::dump;

std::string tree_text(const node& root) {
    std::ostringstream out;
    quarry_parse::write_tree(out, root);
    return out.str();
}

// A record that is not a netlist span: the JSON has no shape for it.
class other_info : public quarry::parser::info {
public:
    std::string format_info() const override { return "elsewhere"; }
    info* copy() const override { return new other_info; }
    void extract_mem_usage(nimbus::mem_info&) const override {}
};

TEST(JsonPrinter, NodeHasLocationAndChildrenOnlyWhenPresent) {
    node root;
    node* r1 = root.add_child(quarry::ast::nt_instance, "r1");
    const info_netlist where("deck.kvx", 2, 3, 1, 12);
    r1->set_parser_info(where.copy());
    r1->add_pin("in");
    root.add_child(static_cast<quarry::ast::et_node_type>(1), "odd");

    EXPECT_EQ(tree_text(root),
              R"([{"kind":"nt_instance","value":"r1",)"
              R"("location":{"file":"deck.kvx","first_line":2,"first_column":1,"last_line":3,"last_column":12},)"
              R"("children":[{"kind":"nt_pin","value":"","children":[{"kind":"nt_string","value":"in"}]}]},)"
              R"({"kind":"nt_1","value":"odd"}])");
}

TEST(JsonPrinter, RecordOfAnotherKindIsLeftOut) {
    node root;
    root.add_child(quarry::ast::nt_string, "x")->set_parser_info(new other_info);
    EXPECT_EQ(tree_text(root), R"([{"kind":"nt_string","value":"x"}])");

    diagnostic d;
    d.message = "m";
    d.where = std::make_shared<other_info>();
    EXPECT_EQ(dump(quarry_parse::diagnostic_json(d)), R"({"severity":"error","message":"m","location":null,"id":null})");
}

TEST(JsonPrinter, DocumentKeysInOrderWithDiagnostics) {
    node root;
    root.add_child(quarry::ast::nt_title, "t");

    diagnostic located;
    located.message = "bad \"card\"";
    located.where = std::make_shared<info_netlist>("inc.kvx", 4, 4, 2, 5);
    diagnostic packet;
    packet.level = severity::warning;
    packet.message = "resistor";
    packet.id = "PARSER-17";
    diagnostic note;
    note.level = severity::info;
    note.message = "read";

    std::ostringstream out;
    quarry_parse::write_document(out, "deck.kvx", "korvex3", false, {located, packet, note}, &root);
    EXPECT_EQ(out.str(),
              R"({"file":"deck.kvx","language":"korvex3","ok":false,"diagnostics":[)"
              R"({"severity":"error","message":"bad \"card\"",)"
              R"("location":{"file":"inc.kvx","first_line":4,"first_column":2,"last_line":4,"last_column":5},"id":null},)"
              R"({"severity":"warning","message":"resistor","location":null,"id":"PARSER-17"},)"
              R"({"severity":"info","message":"read","location":null,"id":null}],)"
              R"("tree":[{"kind":"nt_title","value":"t"}]})");
}

TEST(JsonPrinter, BytesThatAreNotUtf8DoNotThrow) {
    node root;
    root.add_child(quarry::ast::nt_title, "caf\xe9 \xc3\xa9");
    std::string text;
    ASSERT_NO_THROW(text = tree_text(root));
    EXPECT_EQ(text, "[{\"kind\":\"nt_title\",\"value\":\"caf\xef\xbf\xbd \xc3\xa9\"}]");
}

}  // namespace
