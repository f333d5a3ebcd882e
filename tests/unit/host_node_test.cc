#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

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

TEST(HostNode, TakeChildrenMovesTheVeryNodesAfterExistingOnes) {
    node receiver;
    receiver.add_child(ast::nt_string, "first");
    node empty;
    receiver.take_children(empty);
    EXPECT_EQ(values_of(receiver), std::vector<std::string>{"first"});

    auto container = std::make_unique<node>();
    node* a = container->add_child(ast::nt_string, "a");
    node* b = container->add_child(ast::nt_string, "b");
    receiver.take_children(*container);
    EXPECT_FALSE(container->has_children());
    container.reset();  // the receiver must not refer to anything of the container

    EXPECT_EQ(values_of(receiver), (std::vector<std::string>{"first", "a", "b"}));
    EXPECT_EQ(receiver.get_children()[1], a);
    EXPECT_EQ(receiver.get_children()[2], b);
}

TEST(HostNode, TakenListGrowsAndTheGiverCanBeRefilled) {
    // A childless receiver takes the giver's list whole, then grows it through
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

TEST(HostNode, CopyIsDeepAndIndependent) {
    auto original = std::make_unique<node>(ast::nt_instance, "r1");
    original->set_parser_info(new info_netlist("deck.kvx", 2, 2, 1, 12));
    node* pin = original->add_pin("in");
    pin->set_parser_info(new info_netlist("deck.kvx", 2, 2, 4, 5));
    original->add_named_value("r", ast::nt_number, "10e3");

    node copy(*original);
    EXPECT_NE(&copy[0], pin);
    EXPECT_NE(copy.get_parser_info(), original->get_parser_info());
    original->add_child(ast::nt_master, "resistor");
    (*original)[0][0].set_value("changed");
    original.reset();  // the copy shares nothing with the freed original

    ASSERT_EQ(copy.child_count(), 2u);
    EXPECT_EQ(copy.get_parser_info()->format_info(), "deck.kvx[2:1-2:12]");
    EXPECT_EQ(copy[0][0].get_value(), "in");
    EXPECT_EQ(copy[0].get_parser_info()->format_info(), "deck.kvx[2:4-2:5]");
    EXPECT_EQ(copy[1][0].get_type(), ast::nt_number);
    EXPECT_EQ(copy[1][0].get_value(), "10e3");
}

TEST(HostNode, CopyChildrenLeavesTheSourceAloneEvenWhenItIsTheTarget) {
    node source;
    source.add_child(ast::nt_string, "a");
    source.add_child(ast::nt_string, "b");
    node target;
    target.add_child(ast::nt_string, "x");
    target.copy_children(source);
    EXPECT_EQ(values_of(target), (std::vector<std::string>{"x", "a", "b"}));
    EXPECT_EQ(values_of(source), (std::vector<std::string>{"a", "b"}));
    EXPECT_NE(&target[1], &source[0]);

    // The list grows while it is being read.
    source.copy_children(source);
    EXPECT_EQ(values_of(source), (std::vector<std::string>{"a", "b", "a", "b"}));
}

TEST(HostNode, ClearedChildrenBelongToTheCallerAndIndexingFails) {
    auto container = std::make_unique<node>();
    node* child = container->add_child(ast::nt_string, "kept");
    EXPECT_THROW((*container)[1], std::out_of_range);
    container->clear_children();
    EXPECT_THROW((*container)[0], ast::missing_children);
    container.reset();
    EXPECT_EQ(child->get_value(), "kept");
    delete child;
}

TEST(HostNode, ParserInfoIsReplaced) {
    node n;
    n.set_parser_info(new info_netlist("a", 1, 1, 1, 2));
    n.set_parser_info(new info_netlist("b", 3, 3, 1, 2));  // the first record is freed
    const quarry::parser::info* same = n.get_parser_info();
    n.set_parser_info(same);  // setting the held record again must not free it
    EXPECT_EQ(n.get_parser_info()->format_info(), "b[3:1-3:2]");
}

TEST(HostNode, RecordSurvivesEveryChangeOfTheChildList) {
    // The record shares its storage with the child list: growing, clearing
    // and moving the list must keep each node's own record.
    node taker(ast::nt_instance, "x1");
    taker.add_child(ast::nt_string, "only");
    taker.set_parser_info(new info_netlist("t", 1, 1, 1, 2));
    for (int i = 0; i < 20; ++i) taker.add_child(ast::nt_integer, std::to_string(i));
    EXPECT_EQ(taker[0].get_value(), "only");
    EXPECT_EQ(taker[20].get_value(), "19");
    for (node* child : taker.get_children()) delete child;
    taker.clear_children();
    EXPECT_FALSE(taker.has_children());
    EXPECT_EQ(taker.get_parser_info()->format_info(), "t[1:1-1:2]");

    node giver;
    giver.add_child(ast::nt_string, "a");
    giver.add_child(ast::nt_string, "b");
    taker.take_children(giver);
    EXPECT_EQ(values_of(taker), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(taker.get_parser_info()->format_info(), "t[1:1-1:2]");
    EXPECT_EQ(giver.get_parser_info(), nullptr);

    giver.set_parser_info(new info_netlist("g", 2, 2, 1, 2));
    giver.add_child(ast::nt_string, "c");
    giver.add_child(ast::nt_string, "d");
    taker.take_children(giver);
    EXPECT_EQ(values_of(taker), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_FALSE(giver.has_children());
    EXPECT_EQ(giver.get_parser_info()->format_info(), "g[2:1-2:2]");

    giver.set_parser_info(nullptr);
    EXPECT_EQ(giver.get_parser_info(), nullptr);
}

namespace {

info_netlist* record(const std::string& file, std::uint64_t line) {
    return new info_netlist(file, line, line, 1, 2);
}

}  // namespace

// Freeing takes three paths: statements on a small stack, nodes too wide for
// it walked through frames kept in the nodes, and chains of any depth. Under
// the sanitizers a node freed twice or not at all fails here.
TEST(HostNode, FreesWideDeepAndRecordedTreesWhole) {
    auto root = std::make_unique<node>();
    node* wide = root->add_child(ast::nt_subckt, "wide");
    wide->set_parser_info(record("a.kvx", 1));
    for (int i = 0; i < 3000; ++i) {
        node* inst = wide->add_child(ast::nt_instance, "r" + std::to_string(i) + std::string(40, 'x'));
        inst->set_parser_info(record("a.kvx", static_cast<std::uint64_t>(i)));
        inst->add_pin("a")->set_parser_info(record("b.kvx", 1));
        inst->add_child(nullptr);
        inst->add_named_value("r", ast::nt_number, "1");
    }
    node* chain = root->add_child(ast::nt_if_body, "");
    for (int i = 0; i < 200000; ++i) chain = chain->add_child(i % 1000 == 0 ? ast::nt_block : ast::nt_else, "");
    for (int i = 0; i < 300; ++i) chain->add_child(ast::nt_string, std::string(100, 'y'));
    root.reset();

    // A file name goes with the last record that names it, and comes back anew.
    auto again = std::make_unique<info_netlist>("a.kvx", 1, 1, 1, 1);
    EXPECT_EQ(again->get_filename(), "a.kvx");
    const info_netlist copy(*again);
    again.reset();
    EXPECT_EQ(copy.get_filename(), "a.kvx");
}

namespace {

std::size_t resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Statements of 1 to 60 parameters: child blocks of every pooled size.
std::unique_ptr<node> model_cards(int count) {
    auto root = std::make_unique<node>();
    for (int i = 0; i < count; ++i) {
        node* card = root->add_child(ast::nt_model, "m" + std::to_string(i));
        card->set_parser_info(record("lib.kvx", static_cast<std::uint64_t>(i)));
        for (int p = 0; p <= i % 60; ++p) card->add_named_value("p" + std::to_string(p), ast::nt_number, "1");
    }
    return root;
}

}  // namespace

// A long-lived process (the Python module, the language server) builds and
// frees trees again and again: the memory of a freed tree, on whichever
// thread it was built or freed, serves the next one instead of new pages.
TEST(HostNode, FreedTreesFeedTheNextOnAnyThread) {
#ifdef QUARRY_HOST_UNPOOLED
    GTEST_SKIP() << "the sanitizer build makes every cell with plain new";
#endif
    constexpr int cards = 40000;  // about 1.2 M nodes
    const std::size_t before = resident_bytes();
    std::unique_ptr<node> tree;
    std::thread([&] { tree = model_cards(cards); }).join();
    const std::size_t built = resident_bytes();
    ASSERT_GT(built, before + (std::size_t(32) << 20)) << "the tree is too small to tell";
    tree.reset();
    for (int round = 0; round < 3; ++round) {
        std::thread([&] { tree = model_cards(cards); }).join();
        tree.reset();
        // And the other way round: built here, freed on another thread.
        tree = model_cards(cards);
        std::thread([&] { tree.reset(); }).join();
    }
    // Freed memory stays with the process, and the rounds took no more.
    EXPECT_LT(resident_bytes(), built + (built - before) / 10);
}
