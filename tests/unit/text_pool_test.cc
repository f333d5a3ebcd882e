#include "text_pool.hh"

#include <string>
#include <thread>

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

TEST(TextPool, EveryThreadHasItsOwnList) {
    tp::free_list* here = &tp::local();
    tp::free_list* there = nullptr;
    std::thread t([&] {
        there = &tp::local();
        for (int i = 0; i < 10; ++i) tp::give_back(tp::take(tp::local(), "left", 4));
    });
    t.join();
    EXPECT_NE(here, there);
}
