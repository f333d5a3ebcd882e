#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "quarry/ast/node.hh"
#include "quarry/parser/driver_base.hh"

namespace ast = quarry::ast;
using quarry::parser::driver_base;

namespace {

struct number_case {
    std::string in;
    std::string out;
    bool not_integer;
};

std::vector<std::string> values_of(const ast::node& n) {
    std::vector<std::string> values;
    for (const ast::node* child : n.get_children()) values.push_back(child->get_value());
    return values;
}

// A fragment as the grammar builds it: an unnamed container with the given entries.
driver_base::sweep_analysis_param* fragment(int role, std::string variable,
                                            std::vector<std::pair<ast::et_node_type, std::string>> entries) {
    auto* p = new driver_base::sweep_analysis_param;
    p->role = role;
    p->variable = std::move(variable);
    p->content = new ast::node();
    for (auto& [type, value] : entries) p->content->add_child(type, value);
    return p;
}

}  // namespace

TEST(HostPrepareNumber, ScalesUnitsAndIntegersWhileOtherTextStays) {
    const std::vector<number_case> cases = {
        {"10k", "10e3", true},       {"1.5meg", "1.5e6", true},  {"2.5ohm", "2.5", true},
        {"1.", "1.", true},          {".5", ".5", true},         {"10", "10", false},
        {"10v", "10", false},        {"+5", "5", false},         {"-3", "-3", false},
        {"007", "007", false},       {"1t", "1e12", true},       {"1g", "1e9", true},
        {"1x", "1e6", true},         {"1m", "1e-3", true},       {"1mohm", "1e-3", true},
        {"1megohm", "1e6", true},    {"1u", "1e-6", true},       {"3n", "3e-9", true},
        {"4p", "4e-12", true},       {"5f", "5e-15", true},      {"10mv", "10e-3", true},
        {"-1.5k", "-1.5e3", true},   {"+2.5u", "2.5e-6", true},  {"1e", "1", false},
        {"1.5e", "1.5", true},       {"5a", "5", false},         {"-.5", "-.5", true},
    };
    driver_base driver;
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(driver.prepare_number(text), c.not_integer) << c.in;
        EXPECT_EQ(text, c.out) << c.in;
    }
    for (const std::string in : {"", "k", "meg", "-", ".", "abc", "1e3", "1.5e-3", "1k2", "1_0"}) {
        std::string text = in;
        driver.prepare_number(text);
        EXPECT_EQ(text, in);
    }
}

TEST(HostPrepareExpNumber, ExponentMarkerAndUnitsWhileMalformedTextStays) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1.5d-3", "1.5e-3"}, {"1e3v", "1e3"}, {"1e3", "1e3"}, {"2.5e+4", "2.5e+4"}, {"-1d2", "-1e2"},
        {".5e-2a", ".5e-2"},  {"1e-3meg", "1e-3"}, {"7D2", "7e2"}, {"", ""},     {"e3", "e3"},
        {"1e", "1e"},         {"1e-", "1e-"},  {"1k", "1k"},   {"abc", "abc"}, {"1e3+2", "1e3+2"},
    };
    driver_base driver;
    for (const auto& [in, out] : cases) {
        std::string text = in;
        driver.prepare_exp_number(text);
        EXPECT_EQ(text, out) << in;
    }
}

TEST(HostPrepareExpression, StripsOneEnclosingPair) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"' a+b '", "a+b"},       {" (x > 1)", "(x > 1)"},   {"{ v*2 }", "v*2"},
        {"#x#", "x"},             {"\"a b\"", "a b"},        {"  'a'  ", "a"},
        {"''", ""},               {"'", "'"},                {"", ""},
        {"   ", ""},              {"{{a}}", "{a}"},          {"'{a}'", "{a}"},
        {"{a}+{b}", "{a}+{b}"},   {"'a'+'b'", "'a'+'b'"},    {"{a+b", "{a+b"},
        {"'a+b\"", "'a+b\""},     {"\ta+b\t", "a+b"},        {"{f(x)+{y}}", "f(x)+{y}"},
    };
    driver_base driver;
    for (const auto& [in, out] : cases) {
        std::string text = in;
        driver.prepare_expression(text);
        EXPECT_EQ(text, out) << '[' << in << ']';
    }
}

TEST(HostPrepareQuotedString, StripsOnlyAMatchingPair) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"'models.lib'", "models.lib"}, {"\"a b\"", "a b"},   {"' spaced '", " spaced "},
        {"plain.lib", "plain.lib"},     {"'mixed\"", "'mixed\""}, {"'", "'"},
    };
    driver_base driver;
    for (const auto& [in, out] : cases) {
        std::string text = in;
        driver.prepare_quoted_string(text);
        EXPECT_EQ(text, out) << in;
    }
}

// The set takes the fragments' entries; the grammar adopts the sweep, and the
// set frees only what it still holds.
TEST(HostSweepMerge, EntriesMoveOutOfTheFragmentsAndAreFreedOnce) {
    driver_base driver;
    auto* set = new driver_base::sweep_analysis_params;
    std::unique_ptr<driver_base::sweep_analysis_param> a(fragment(0, "", {{ast::nt_param, "accuracy"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> b(
        fragment(0, "", {{ast::nt_param, "wrinit"}, {ast::nt_param, "initerror"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> np(fragment(1, "", {{ast::nt_param, "np"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> dev(fragment(2, "m1", {{ast::nt_sweep_type, "dev"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> freq(fragment(3, "freq", {{ast::nt_param, "point_1"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> again(fragment(3, "freq", {{ast::nt_param, "point_9"}}));
    driver_base::sweep_analysis_param no_content;
    for (auto* p : {&no_content, a.get(), b.get(), np.get(), dev.get(), freq.get(), again.get()})
        driver.merge_sweep_analysis_param(set, p);
    driver.merge_sweep_analysis_param(set, nullptr);

    EXPECT_EQ(values_of(*set->options), (std::vector<std::string>{"accuracy", "wrinit", "initerror"}));
    EXPECT_FALSE(b->content && b->content->has_children());
    ASSERT_EQ(set->sweep->child_count(), 3u);
    EXPECT_EQ((*set->sweep)[1].get_type(), ast::nt_sweep_target);
    EXPECT_EQ((*set->sweep)[1].get_value(), "m1");
    EXPECT_EQ((*set->sweep)[2].get_value(), "dev");
    EXPECT_TRUE(set->variable_given);
    // A later frequency point replaces the earlier one instead of piling up.
    EXPECT_EQ(values_of(*set->extra_sweep), std::vector<std::string>{"point_9"});

    ast::node analysis(ast::nt_analysis, "ac");
    analysis.add_child(set->sweep);
    set->sweep = nullptr;
    delete set;
    EXPECT_EQ(analysis[0].get_type(), ast::nt_sweep);
}
