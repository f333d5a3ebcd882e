#include <gtest/gtest.h>

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

TEST(HostPrepareNumber, ScalesUnitsAndIntegers) {
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
}

TEST(HostPrepareNumber, TextThatIsNoNumberStays) {
    driver_base driver;
    for (const std::string in : {"", "k", "meg", "-", "+", ".", "abc", "1e3", "1.5e-3", "1k2", "1_0"}) {
        std::string text = in;
        driver.prepare_number(text);
        EXPECT_EQ(text, in);
    }
}

TEST(HostPrepareExpNumber, ExponentMarkerAndUnits) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1.5d-3", "1.5e-3"}, {"1e3v", "1e3"},  {"1e3", "1e3"},       {"2.5e+4", "2.5e+4"},
        {"-1d2", "-1e2"},     {".5e-2a", ".5e-2"}, {"1e-3meg", "1e-3"}, {"7D2", "7e2"},
    };
    driver_base driver;
    for (const auto& [in, out] : cases) {
        std::string text = in;
        driver.prepare_exp_number(text);
        EXPECT_EQ(text, out) << in;
    }
}

TEST(HostPrepareExpNumber, MalformedTextStays) {
    driver_base driver;
    for (const std::string in : {"", "e3", "1e", "1e-", "1k", "abc", "1e3+2", "1.5"}) {
        std::string text = in;
        driver.prepare_exp_number(text);
        EXPECT_EQ(text, in);
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

TEST(HostPrepareStrings, QuotesAliasesMeasureNamesAndAnalysisTypes) {
    driver_base driver;
    auto apply = [&](void (driver_base::*op)(std::string&), std::string text) {
        (driver.*op)(text);
        return text;
    };
    EXPECT_EQ(apply(&driver_base::prepare_quoted_string, "'models.lib'"), "models.lib");
    EXPECT_EQ(apply(&driver_base::prepare_quoted_string, "\"a b\""), "a b");
    EXPECT_EQ(apply(&driver_base::prepare_quoted_string, "' spaced '"), " spaced ");
    EXPECT_EQ(apply(&driver_base::prepare_quoted_string, "plain.lib"), "plain.lib");
    EXPECT_EQ(apply(&driver_base::prepare_quoted_string, "'mixed\""), "'mixed\"");
    EXPECT_EQ(apply(&driver_base::prepare_quoted_string, "'"), "'");
    EXPECT_EQ(apply(&driver_base::prepare_regex, "'^x[0-9]+$'"), "^x[0-9]+$");
    EXPECT_EQ(apply(&driver_base::prepare_regex, "x.*"), "x.*");

    EXPECT_EQ(apply(&driver_base::prepare_model_alias, "%nch%"), "nch");
    EXPECT_EQ(apply(&driver_base::prepare_model_alias, "nch"), "nch");
    EXPECT_EQ(apply(&driver_base::prepare_model_alias, "%"), "%");

    EXPECT_EQ(apply(&driver_base::prepare_measure_name, "v(out)-max_1"), "v_out__max_1");
    EXPECT_EQ(apply(&driver_base::prepare_measure_name, "Rise.Time"), "_ise__ime");
    EXPECT_EQ(apply(&driver_base::prepare_measure_name, ""), "");

    for (const std::string t : {"tr", "tra", "tran", "trans", "transient"})
        EXPECT_EQ(apply(&driver_base::prepare_analysis_type, t), "transient") << t;
    for (const std::string t : {"t", "transients", "trx", "ac", "", "tran2"})
        EXPECT_EQ(apply(&driver_base::prepare_analysis_type, t), t) << t;
}

TEST(HostSweepMerge, OptionsCollectInOrder) {
    driver_base driver;
    driver_base::sweep_analysis_params set;
    std::unique_ptr<driver_base::sweep_analysis_param> a(fragment(0, "", {{ast::nt_param, "accuracy"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> b(
        fragment(0, "", {{ast::nt_param, "wrinit"}, {ast::nt_param, "initerror"}}));
    driver.merge_sweep_analysis_param(&set, a.get());
    driver.merge_sweep_analysis_param(&set, b.get());

    ASSERT_NE(set.options, nullptr);
    EXPECT_EQ(values_of(*set.options), (std::vector<std::string>{"accuracy", "wrinit", "initerror"}));
    EXPECT_EQ(set.sweep, nullptr);
    EXPECT_EQ(set.extra_sweep, nullptr);
    EXPECT_FALSE(set.variable_given);
    // The fragments gave their entries away.
    EXPECT_FALSE(a->content && a->content->has_children());
    EXPECT_FALSE(b->content && b->content->has_children());
}

TEST(HostSweepMerge, SettingsAndVariableBuildTheSweep) {
    driver_base driver;
    driver_base::sweep_analysis_params set;
    std::unique_ptr<driver_base::sweep_analysis_param> np(fragment(1, "", {{ast::nt_param, "np"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> dev(fragment(2, "m1", {{ast::nt_sweep_type, "dev"}}));
    std::unique_ptr<driver_base::sweep_analysis_param> start(fragment(1, "", {{ast::nt_param, "start"}}));
    driver.merge_sweep_analysis_param(&set, np.get());
    EXPECT_FALSE(set.variable_given);
    driver.merge_sweep_analysis_param(&set, dev.get());
    driver.merge_sweep_analysis_param(&set, start.get());

    ASSERT_NE(set.sweep, nullptr);
    EXPECT_EQ(set.sweep->get_type(), ast::nt_sweep);
    EXPECT_EQ(set.sweep->get_value(), "");
    ASSERT_EQ(set.sweep->child_count(), 4u);
    EXPECT_EQ((*set.sweep)[0].get_value(), "np");
    EXPECT_EQ((*set.sweep)[1].get_type(), ast::nt_sweep_target);
    EXPECT_EQ((*set.sweep)[1].get_value(), "m1");
    EXPECT_EQ((*set.sweep)[2].get_type(), ast::nt_sweep_type);
    EXPECT_EQ((*set.sweep)[2].get_value(), "dev");
    EXPECT_EQ((*set.sweep)[3].get_value(), "start");
    EXPECT_TRUE(set.variable_given);
    EXPECT_EQ(set.options, nullptr);
}

TEST(HostSweepMerge, FrequencyPointBecomesTheExtraSweep) {
    driver_base driver;
    driver_base::sweep_analysis_params set;
    std::unique_ptr<driver_base::sweep_analysis_param> freq(
        fragment(3, "freq", {{ast::nt_sweep_type, "freq"}, {ast::nt_param, "type"}, {ast::nt_param, "point_1"}}));
    driver.merge_sweep_analysis_param(&set, freq.get());

    ASSERT_NE(set.extra_sweep, nullptr);
    EXPECT_EQ(set.extra_sweep->get_type(), ast::nt_sweep);
    EXPECT_EQ(values_of(*set.extra_sweep), (std::vector<std::string>{"freq", "type", "point_1"}));
    ASSERT_NE(set.sweep, nullptr);
    EXPECT_NE(set.sweep, set.extra_sweep);
    EXPECT_FALSE(set.variable_given);

    // A later point replaces the earlier one instead of piling up.
    std::unique_ptr<driver_base::sweep_analysis_param> again(fragment(3, "freq", {{ast::nt_param, "point_9"}}));
    driver.merge_sweep_analysis_param(&set, again.get());
    EXPECT_EQ(values_of(*set.extra_sweep), std::vector<std::string>{"point_9"});
}

TEST(HostSweepMerge, FieldsTakenByTheGrammarAreNotFreedTwice) {
    driver_base driver;
    auto* set = new driver_base::sweep_analysis_params;
    for (int role = 0; role <= 3; ++role) {
        std::unique_ptr<driver_base::sweep_analysis_param> p(fragment(role, "v", {{ast::nt_param, "x"}}));
        driver.merge_sweep_analysis_param(set, p.get());
    }
    ast::node analysis(ast::nt_analysis, "ac");
    analysis.add_child(set->sweep);
    set->sweep = nullptr;
    delete set;  // frees options and extra_sweep, not the adopted sweep
    EXPECT_EQ(analysis[0].get_type(), ast::nt_sweep);
}

TEST(HostSweepMerge, FragmentsWithoutContent) {
    driver_base driver;
    driver_base::sweep_analysis_params set;
    driver_base::sweep_analysis_param option;
    driver.merge_sweep_analysis_param(&set, &option);
    EXPECT_EQ(set.options, nullptr);

    driver_base::sweep_analysis_param variable;
    variable.role = 2;
    variable.variable = "temp";
    driver.merge_sweep_analysis_param(&set, &variable);
    ASSERT_NE(set.sweep, nullptr);
    EXPECT_EQ(values_of(*set.sweep), std::vector<std::string>{"temp"});
    EXPECT_TRUE(set.variable_given);

    driver.merge_sweep_analysis_param(&set, nullptr);
    driver.merge_sweep_analysis_param(nullptr, &variable);
}
