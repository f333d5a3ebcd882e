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

TEST(RegistryPrinter, DescriptionListsEachDeviceFactThenCodes) {
    quarry::language::base description;
    quarry::language::base_easy_init f(description.get_devices());
    f("q").pins("c", "b", "e").opt_pins("s").opt_pins("t");
    f.level_map("13", "bht0").level_map("9", "vbic").level_map("504v10", "mx504").level_map("504v8", "mextram");
    f.default_level("9").extra_device("q_extra").extra_tag("qt");
    f("bare");
    f("d").pins("p", "n");
    description.register_n_device("vb", "vbic");
    description.register_n_device("b0", "bht0");

    std::ostringstream out;
    quarry_parse::print_description("demo", description, out);
    EXPECT_EQ(out.str(),
              "language demo (id 1)\n"
              "device bare\n"
              "  pins:\n"
              "device d\n"
              "  pins: p n\n"
              "device q\n"
              "  pins: c b e\n"
              "  optional pins: s t\n"
              "  level 9: vbic\n"
              "  level 13: bht0\n"
              "  level 504v8: mextram\n"
              "  level 504v10: mx504\n"
              "  default level: 9\n"
              "  extra device: q_extra\n"
              "  extra tag: qt\n"
              "n-device b0: bht0\n"
              "n-device vb: vbic\n");
}

}  // namespace
