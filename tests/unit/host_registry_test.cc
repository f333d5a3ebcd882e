#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quarry/language/language.hh"
#include "quarry/parser/framework.hh"

namespace lang = quarry::language;
namespace parser = quarry::parser;

TEST(HostParserRegistry, LanguageForFileByItsLastExtensionInAnyCase) {
    parser::framework registry;
    registry.register_extension("kvx", "korvex3");
    registry.register_extension(".sp3", "korvex3");
    EXPECT_EQ(registry.get_extension_map().count("kvx"), 0u);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"deck.kvx", "korvex3"}, {"/some/dir.v2/deck.kvx", "korvex3"}, {"lib.tar.sp3", "korvex3"},
        {"DECK.KVX", "korvex3"}, {"deck.cir", ""},                     {"dir.kvx/deck", ""},
    };
    for (const auto& [file, language] : cases) EXPECT_EQ(registry.language_for_file(file), language) << file;

    registry.get_default_language() = "fallback";
    EXPECT_EQ(registry.language_for_file("deck.cir"), "fallback");
    // A dot in a directory name is no extension.
    EXPECT_EQ(registry.language_for_file("dir.kvx/deck"), "fallback");
}

TEST(HostLanguageBase, NDeviceCodesAreTwoCharactersAndRegisteredOnce) {
    lang::base description;
    description.register_n_device("r2", "r2");
    for (const std::string code : {"r", "r22", ""})
        EXPECT_THROW(description.register_n_device(code, "x"), lang::invalid_device) << code;
    EXPECT_THROW(description.register_n_device("r2", "other"), lang::duplicate_device);
    EXPECT_EQ(description.get_n_device_master("r2"), "r2");
    EXPECT_EQ(description.get_n_devices().size(), 1u);
    EXPECT_THROW(description.get_n_device_master("zz"), lang::invalid_device);
}
