// The message reader against values written out by hand.
#include <gtest/gtest.h>

#include "json_reader.hh"

namespace korvex3_lsp {
namespace {

using json = nlohmann::json;

TEST(JsonReader, ReadsEveryKindOfValue) {
    const auto j = read_json(R"( {"a": [1, -2, 3.5, 1e3, true, false, null], "b": {"c": "d"}, "e": ""} )");
    ASSERT_TRUE(j.has_value());
    EXPECT_EQ((*j)["a"][0], 1);
    EXPECT_EQ((*j)["a"][1], -2);
    EXPECT_DOUBLE_EQ((*j)["a"][2].get<double>(), 3.5);
    EXPECT_DOUBLE_EQ((*j)["a"][3].get<double>(), 1000.0);
    EXPECT_TRUE((*j)["a"][3].is_number_float());
    EXPECT_EQ((*j)["a"][4], true);
    EXPECT_EQ((*j)["a"][5], false);
    EXPECT_TRUE((*j)["a"][6].is_null());
    EXPECT_EQ((*j)["b"]["c"], "d");
    EXPECT_EQ((*j)["e"], "");
}

TEST(JsonReader, Escapes) {
    const auto j = read_json(R"("q\" b\\ s\/ \b\f\n\r\t \u00b5 \u20AC \ud834\udd1e")");
    ASSERT_TRUE(j.has_value());
    EXPECT_EQ(j->get<std::string>(), "q\" b\\ s/ \b\f\n\r\t \xC2\xB5 \xE2\x82\xAC \xF0\x9D\x84\x9E");
}

TEST(JsonReader, RawUtf8IsKept) {
    const auto j = read_json("\"R1 \xC2\xB5" "a \xF0\x9D\x84\x9E\"");
    ASSERT_TRUE(j.has_value());
    EXPECT_EQ(j->get<std::string>(), "R1 \xC2\xB5" "a \xF0\x9D\x84\x9E");
}

TEST(JsonReader, RefusesWhatIsNoJson) {
    for (const char* bad : {"", "{", "{\"a\":}", "[1,]", "{\"a\" 1}", "tru", "01", "-", "1.", "1e", "\"abc",
                            "\"\\x\"", "\"\\ud800\\u00\"", "\"a\nb\"", "{} {}",
                            "\"\xB5\"", "\"\xC0\xAF\"", "[1] x", "{1: 2}"})
        EXPECT_FALSE(read_json(bad).has_value()) << bad;
}

TEST(JsonReader, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(read_json(R"("a\ud800b")")->get<std::string>(), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(read_json(R"("\udc00")")->get<std::string>(), "\xEF\xBF\xBD");
    // A high surrogate before an escape that is no low one: both kept apart.
    EXPECT_EQ(read_json(R"("\ud800\u0041")")->get<std::string>(), "\xEF\xBF\xBD" "A");
}

TEST(JsonReader, DeepNestingIsRefusedNotOverflowed) {
    EXPECT_FALSE(read_json(std::string(100000, '[')).has_value());
    EXPECT_TRUE(read_json(std::string(100, '[') + std::string(100, ']')).has_value());
}

TEST(JsonReader, LargeIntegers) {
    EXPECT_EQ(read_json("18446744073709551615")->get<std::uint64_t>(), 18446744073709551615ull);
    EXPECT_EQ(read_json("-9223372036854775808")->get<std::int64_t>(), INT64_MIN);
    EXPECT_TRUE(read_json("18446744073709551616")->is_number_float());
}

}  // namespace
}  // namespace korvex3_lsp
