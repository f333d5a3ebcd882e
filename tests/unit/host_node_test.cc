#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "quarry/ast/node.hh"
#include "quarry/parser/info.hh"

using quarry::ast::node;
namespace ast = quarry::ast;
using quarry::parser::info_netlist;

namespace {

std::vector<std::string> values_of(const node& n) {
    std::vector<std::string> values;
    for (const node* child : n.get_children()) values.push_back(child->get_value());
    return values;
}

}  // namespace

TEST(HostNode, TakeChildrenFromEmptyNodeChangesNothing) {
    node receiver;
    receiver.add_child(ast::nt_string, "a");
    node empty;
    receiver.take_children(empty);
    EXPECT_EQ(values_of(receiver), std::vector<std::string>{"a"});
    EXPECT_FALSE(empty.has_children());
}

TEST(HostNode, TakeChildrenMovesPointersInOrderAfterExistingOnes) {
    node receiver;
    receiver.add_child(ast::nt_string, "first");
    node container;
    node* a = container.add_child(ast::nt_string, "a");
    node* b = container.add_child(ast::nt_string, "b");
    node* c = container.add_child(ast::nt_string, "c");

    receiver.take_children(container);

    EXPECT_EQ(values_of(receiver), (std::vector<std::string>{"first", "a", "b", "c"}));
    // The very nodes move, no copies.
    EXPECT_EQ(receiver.get_children()[1], a);
    EXPECT_EQ(receiver.get_children()[2], b);
    EXPECT_EQ(receiver.get_children()[3], c);
    EXPECT_FALSE(container.has_children());
    EXPECT_EQ(container.child_count(), 0u);
}

TEST(HostNode, TakeChildrenIntoChildlessNode) {
    node receiver(ast::nt_instance, "r1");
    auto container = std::make_unique<node>();
    container->add_pin("n1");
    container->add_pin("n2");
    receiver.take_children(*container);
    container.reset();  // the receiver must not refer to anything of the container
    ASSERT_EQ(receiver.child_count(), 2u);
    EXPECT_EQ(receiver[1][0].get_value(), "n2");
}

TEST(HostNode, TakenListGrowsAndTheGiverCanBeRefilled) {
    // The receiver takes over the giver's list whole, then grows it through
    // every list size; the giver starts a list of its own.
    node receiver;
    node giver;
    for (int i = 0; i < 5; ++i) giver.add_child(ast::nt_integer, std::to_string(i));
    receiver.take_children(giver);
    for (int i = 5; i < 40; ++i) receiver.add_child(ast::nt_integer, std::to_string(i));
    giver.add_child(ast::nt_string, "again");
    giver.add_child(ast::nt_string, "more");

    ASSERT_EQ(receiver.child_count(), 40u);
    for (std::size_t i = 0; i < 40; ++i) EXPECT_EQ(receiver[i].get_value(), std::to_string(i));
    EXPECT_EQ(values_of(giver), (std::vector<std::string>{"again", "more"}));
}

TEST(HostNode, ManyAppendsKeepOrder) {
    node n;
    for (int i = 0; i < 1000; ++i) n.add_child(ast::nt_integer, std::to_string(i));
    ASSERT_EQ(n.child_count(), 1000u);
    for (std::size_t i = 0; i < 1000; ++i) EXPECT_EQ(n[i].get_value(), std::to_string(i));
}

TEST(HostNode, CopyIsDeepAndIndependent) {
    auto original = std::make_unique<node>(ast::nt_instance, "r1");
    original->set_parser_info(new info_netlist("deck.kvx", 2, 2, 1, 12));
    node* pin = original->add_pin("in");
    pin->set_parser_info(new info_netlist("deck.kvx", 2, 2, 4, 5));
    original->add_named_value("r", ast::nt_number, "10e3");

    node copy(*original);

    ASSERT_EQ(copy.child_count(), 2u);
    EXPECT_NE(&copy[0], pin);
    EXPECT_NE(copy.get_parser_info(), original->get_parser_info());
    ASSERT_NE(copy.get_parser_info(), nullptr);
    EXPECT_EQ(copy.get_parser_info()->format_info(), "deck.kvx[2:1-2:12]");
    ASSERT_NE(copy[0].get_parser_info(), nullptr);
    EXPECT_EQ(copy[0].get_parser_info()->format_info(), "deck.kvx[2:4-2:5]");

    original->add_child(ast::nt_master, "resistor");
    (*original)[0][0].set_value("changed");
    EXPECT_EQ(copy.child_count(), 2u);
    EXPECT_EQ(copy[0][0].get_value(), "in");

    original.reset();  // the copy shares nothing with the freed original
    EXPECT_EQ(copy.get_type(), ast::nt_instance);
    EXPECT_EQ(copy[1].get_value(), "r");
    EXPECT_EQ(copy[1][0].get_type(), ast::nt_number);
    EXPECT_EQ(copy[1][0].get_value(), "10e3");
    EXPECT_EQ(copy[0].get_parser_info()->format_info(), "deck.kvx[2:4-2:5]");
}

TEST(HostNode, CopyingChildrenLeavesTheSourceAlone) {
    node source;
    source.add_child(ast::nt_string, "a");
    source.add_child(ast::nt_string, "b");
    node target;
    target.add_child(ast::nt_string, "x");

    target.copy_children(source);
    node* copy = target.add_child(source[0]);

    EXPECT_EQ(values_of(target), (std::vector<std::string>{"x", "a", "b", "a"}));
    EXPECT_EQ(values_of(source), (std::vector<std::string>{"a", "b"}));
    EXPECT_NE(copy, &source[0]);
    EXPECT_NE(&target[1], &source[0]);
}

TEST(HostNode, CopyChildrenOfItselfDoublesTheList) {
    node n;
    n.add_child(ast::nt_string, "a");
    n.add_child(ast::nt_string, "b");
    n.copy_children(n);
    EXPECT_EQ(values_of(n), (std::vector<std::string>{"a", "b", "a", "b"}));
}

TEST(HostNode, IndexingErrors) {
    node n;
    EXPECT_THROW(n[0], ast::missing_children);
    const node& constant = n;
    EXPECT_THROW(constant[0], ast::missing_children);

    node* child = n.add_child(ast::nt_string, "a");
    EXPECT_EQ(n[0].get_value(), "a");
    EXPECT_THROW(n[1], std::out_of_range);
    EXPECT_THROW(constant[1], std::out_of_range);

    n.clear_children();
    EXPECT_THROW(n[0], ast::missing_children);
    delete child;
}

TEST(HostNode, ClearChildrenDoesNotFreeThem) {
    auto container = std::make_unique<node>();
    node* child = container->add_child(ast::nt_string, "kept");
    container->clear_children();
    container.reset();
    // Still alive: the caller owns it now.
    EXPECT_EQ(child->get_value(), "kept");
    delete child;
}

TEST(HostNode, PinAndNamedValueShapes) {
    node n(ast::nt_instance, "r1");
    node* pin = n.add_pin("n1");
    ASSERT_EQ(n.child_count(), 1u);
    EXPECT_EQ(pin, &n[0]);
    EXPECT_EQ(pin->get_type(), ast::nt_pin);
    EXPECT_EQ(pin->get_value(), "");
    ASSERT_EQ(pin->child_count(), 1u);
    EXPECT_EQ((*pin)[0].get_type(), ast::nt_string);
    EXPECT_EQ((*pin)[0].get_value(), "n1");

    node* param = n.add_named_value("l", ast::nt_number, "2u");
    ASSERT_EQ(n.child_count(), 2u);
    EXPECT_EQ(param, &n[1]);
    EXPECT_EQ(param->get_type(), ast::nt_param);
    EXPECT_EQ(param->get_value(), "l");
    ASSERT_EQ(param->child_count(), 1u);
    EXPECT_EQ((*param)[0].get_type(), ast::nt_number);
    EXPECT_EQ((*param)[0].get_value(), "2u");
}

TEST(HostNode, ParserInfoIsReplaced) {
    node n;
    n.set_parser_info(new info_netlist("a", 1, 1, 1, 2));
    n.set_parser_info(new info_netlist("b", 3, 3, 1, 2));  // the first record is freed
    EXPECT_EQ(n.get_parser_info()->format_info(), "b[3:1-3:2]");
    const quarry::parser::info* same = n.get_parser_info();
    n.set_parser_info(same);  // setting the held record again must not free it
    EXPECT_EQ(n.get_parser_info()->format_info(), "b[3:1-3:2]");
}

TEST(HostNode, TypeNames) {
    EXPECT_STREQ(ast::node_type_name(ast::nt_unsupported), "nt_unsupported");
    EXPECT_STREQ(ast::node_type_name(ast::nt_block), "nt_block");
    EXPECT_STREQ(ast::node_type_name(ast::nt_scale_xregex), "nt_scale_xregex");
    EXPECT_STREQ(ast::node_type_name(ast::nt_point_list), "nt_point_list");
    EXPECT_EQ(ast::node_type_name(static_cast<ast::et_node_type>(1)), nullptr);
    EXPECT_EQ(ast::node_type_name(static_cast<ast::et_node_type>(22)), nullptr);
    EXPECT_EQ(ast::node_type_name(static_cast<ast::et_node_type>(99)), nullptr);
}
