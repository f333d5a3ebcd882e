#include "tree_printer.hh"

#include <sstream>

#include <gtest/gtest.h>

#include "nimbus/output.hh"
#include "quarry/parser/info.hh"

namespace {

using quarry::ast::node;
using nimbus::output::c_escape;

std::string tree_text(const node& root) {
    std::ostringstream out;
    quarry_parse::print_tree(root, out);
    return out.str();
}

TEST(CEscape, EscapesBackslashQuoteAndControlBytesOnly) {
    EXPECT_EQ(c_escape("a\\b\"c"), "a\\\\b\\\"c");
    EXPECT_EQ(c_escape("x\ny\tz\r"), "x\\ny\\tz\\r");
    EXPECT_EQ(c_escape(std::string("\x01\x1f", 2)), "\\x01\\x1f");
    EXPECT_EQ(c_escape(std::string("n\0l", 3)), "n\\x00l");
    // DEL, bytes above 0x7f and the apostrophe pass through untouched.
    EXPECT_EQ(c_escape("\x7f\xc3\xa9'"), "\x7f\xc3\xa9'");
    EXPECT_EQ(c_escape(""), "");
}

TEST(KindName, NamedKindsAndNumberedFallback) {
    EXPECT_EQ(quarry_parse::kind_name(quarry::ast::nt_instance), "nt_instance");
    EXPECT_EQ(quarry_parse::kind_name(quarry::ast::nt_unsupported), "nt_unsupported");
    EXPECT_EQ(quarry_parse::kind_name(static_cast<quarry::ast::et_node_type>(1)), "nt_1");
    EXPECT_EQ(quarry_parse::kind_name(static_cast<quarry::ast::et_node_type>(1000)), "nt_1000");
}

TEST(TreePrinter, RootIsLeftOutAndChildrenIndentByTwo) {
    node root;
    root.add_child(quarry::ast::nt_title, "rc filter");
    node* r1 = root.add_child(quarry::ast::nt_instance, "r1");
    const quarry::parser::info_netlist where("deck.kvx", 2, 2, 1, 12);
    r1->set_parser_info(where.copy());
    r1->add_pin("in");
    root.add_child(quarry::ast::nt_instance, "r2")->add_child(quarry::ast::nt_number, "1e3");

    EXPECT_EQ(tree_text(root),
              "nt_title \"rc filter\"\n"
              "nt_instance \"r1\" @deck.kvx[2:1-2:12]\n"
              "  nt_pin \"\"\n"
              "    nt_string \"in\"\n"
              "nt_instance \"r2\"\n"
              "  nt_number \"1e3\"\n");
}

TEST(TreePrinter, ValuesAreEscapedAndEmptyRootPrintsNothing) {
    node root;
    EXPECT_EQ(tree_text(root), "");
    root.add_child(quarry::ast::nt_expression, "a\t\"b\"\\\n");
    EXPECT_EQ(tree_text(root), "nt_expression \"a\\t\\\"b\\\"\\\\\\n\"\n");
}

}  // namespace
