#include "scanner/text_pool.hh"

#include <string>

#include <gtest/gtest.h>

namespace tp = quarry_parser_implementation::text_pool;

TEST(TextPool, RecycledStringsHoldOnlyTheNewText) {
    tp::free_list& list = tp::local();
    // Both a short and a long earlier text: neither may show through.
    tp::give_back(new std::string("xyz"));
    tp::give_back(new std::string(200, 'q'));
    tp::give_back(nullptr);
    tp::ptr a(tp::take(list, "ab", 2));
    tp::ptr b(tp::take(list, "c", 1));
    tp::ptr c(tp::take(list, "", 0));
    EXPECT_EQ(*a, "ab");
    EXPECT_EQ(*b, "c");
    EXPECT_EQ(*c, "");
}

