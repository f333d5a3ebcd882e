#include <gtest/gtest.h>

#include <memory>

#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/info.hh"

using quarry::parser::info;
using quarry::parser::info_netlist;
namespace parser = quarry::parser;

TEST(HostInfo, LinesComeBeforeColumnsInTheConstructorButNotInTheText) {
    const info_netlist record("deck.kvx", 3, 4, 5, 12);
    EXPECT_EQ(record.get_first_line(), 3u);
    EXPECT_EQ(record.get_last_line(), 4u);
    EXPECT_EQ(record.get_first_column(), 5u);
    EXPECT_EQ(record.get_last_column(), 12u);
    EXPECT_EQ(record.format_info(), "deck.kvx[3:5-4:12]");
    EXPECT_EQ(info_netlist("f", 4294967296u, 4294967297u, 1, 1).format_info(), "f[4294967296:1-4294967297:1]");
}

TEST(HostInfo, CopyIsAnIndependentNetlistRecord) {
    auto original = std::make_unique<info_netlist>("deck.kvx", 2, 2, 1, 9);
    std::unique_ptr<info> copy(original->copy());
    ASSERT_NE(dynamic_cast<info_netlist*>(copy.get()), nullptr);
    original->set_filename("other");
    original.reset();
    EXPECT_EQ(copy->format_info(), "deck.kvx[2:1-2:9]");
}

TEST(HostDiagnostics, ReportsCarryACopyOfTheRecord) {
    parser::diagnostics_sink sink;
    parser::scoped_diagnostics_sink guard(sink);
    {
        info_netlist record("deck.kvx", 3, 3, 5, 12);
        parser::bison_context_warning(&record, "odd statement");
        EXPECT_FALSE(sink.has_errors());
        parser::bison_error(&record, "syntax error");
        record.set_lines(7, 7);
        parser::bison_context_error(&record, "bad statement");
        parser::bison_error(nullptr, "null record");
    }  // the records are gone; the reports must not refer to them

    const auto& entries = sink.entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].level, parser::severity::warning);
    EXPECT_EQ(entries[0].where->format_info(), "deck.kvx[3:5-3:12]");
    EXPECT_EQ(entries[1].level, parser::severity::error);
    EXPECT_EQ(entries[1].message, "syntax error");
    EXPECT_EQ(entries[1].where->format_info(), "deck.kvx[3:5-3:12]");
    EXPECT_EQ(entries[2].where->format_info(), "deck.kvx[7:5-7:12]");
    EXPECT_FALSE(entries[3].where);
    EXPECT_TRUE(sink.has_errors());
}

TEST(HostDiagnostics, GuardsNestAndRestoreAndWithoutSinkReportsAreDropped) {
    parser::diagnostics_sink* previous = parser::set_diagnostics_sink(nullptr);
    info_netlist record;
    parser::bison_error(&record, "dropped");
    parser::bison_context_warning(&record, "dropped");

    parser::diagnostics_sink outer;
    parser::diagnostics_sink inner;
    {
        parser::scoped_diagnostics_sink outer_guard(outer);
        {
            parser::scoped_diagnostics_sink inner_guard(inner);
            parser::bison_error("to inner");
        }
        parser::bison_error("to outer");
    }
    EXPECT_EQ(parser::set_diagnostics_sink(previous), nullptr);
    ASSERT_EQ(inner.entries().size(), 1u);
    EXPECT_EQ(inner.entries()[0].message, "to inner");
    ASSERT_EQ(outer.entries().size(), 1u);
    EXPECT_EQ(outer.entries()[0].message, "to outer");
}
