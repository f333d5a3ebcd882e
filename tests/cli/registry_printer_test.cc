#include "registry_printer.hh"

#include <algorithm>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(NaturalOrder, DigitRunsCompareByValue) {
    std::vector<std::string> levels{"504v10", "10", "2", "b", "504", "1", "504v8", "a2", "a10", "01", "0"};
    std::sort(levels.begin(), levels.end(), quarry_parse::natural_less);
    EXPECT_EQ(levels, (std::vector<std::string>{"0", "01", "1", "2", "10", "504", "504v8", "504v10", "a2", "a10", "b"}));
    EXPECT_FALSE(quarry_parse::natural_less("7", "7"));
}

TEST(RegistryPrinter, LanguagesExtensionsDefaultAndDescriptionsSorted) {
    quarry::parser::framework parsers;
    parsers.get_factory_map()["zeta"] = [] { return nullptr; };
    parsers.get_factory_map()["alpha"] = [] { return nullptr; };
    parsers.get_extension_map()[".zz"] = "zeta";
    parsers.get_extension_map()[".a"] = "alpha";
    parsers.get_extension_map()[".ab"] = "alpha";
    parsers.get_default_language() = "zeta";

    quarry::language::framework languages;
    quarry::language::base zeta;
    languages.register_language("zeta", zeta);
    quarry::language::base base;
    base.id = quarry::language::id_base;
    languages.register_language("base", base);

    std::ostringstream out;
    quarry_parse::print_languages(parsers, languages, out);
    EXPECT_EQ(out.str(),
              "languages:\n"
              "  alpha\n"
              "  zeta\n"
              "extensions:\n"
              "  .a -> alpha\n"
              "  .ab -> alpha\n"
              "  .zz -> zeta\n"
              "default language: zeta\n"
              "descriptions:\n"
              "  base (id 0)\n"
              "  zeta (id 1)\n");
}

TEST(RegistryPrinter, EmptyRegistries) {
    quarry::parser::framework parsers;
    quarry::language::framework languages;
    std::ostringstream out;
    quarry_parse::print_languages(parsers, languages, out);
    EXPECT_EQ(out.str(), "languages:\nextensions:\ndefault language: (none)\ndescriptions:\n");
}

}  // namespace
