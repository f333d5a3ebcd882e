#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "nimbus/output.hh"
#include "quarry/host.hh"
#include "quarry/language/language.hh"
#include "quarry/parser/framework.hh"
#include "quarry/parser/parser_base.hh"

namespace lang = quarry::language;
namespace parser = quarry::parser;
using strings = std::vector<std::string>;

namespace {

class null_parser : public parser::parser_base {
public:
    bool parse_file(const std::string&) override { return true; }
    bool parse_string(const std::string&) override { return true; }
    bool parse_string(const std::string&, const std::string&) override { return true; }
};

template <typename Exception, typename Call>
std::string message_of(Call call) {
    try {
        call();
    } catch (const Exception& e) {
        return e.what();
    }
    return "<nothing thrown>";
}

}  // namespace

TEST(HostParserRegistry, ExtensionsGetALeadingDot) {
    parser::framework registry;
    registry.register_extension("kvx", "korvex3");
    registry.register_extension(".kvx", "korvex3");
    registry.register_extension("sp3", "korvex3");
    registry.register_extension("", "other");

    const auto& extensions = registry.get_extension_map();
    EXPECT_EQ(extensions.size(), 3u);
    EXPECT_EQ(extensions.count("kvx"), 0u);
    EXPECT_EQ(extensions.at(".kvx"), "korvex3");
    EXPECT_EQ(extensions.at(".sp3"), "korvex3");
    EXPECT_EQ(extensions.at("."), "other");
}

TEST(HostParserRegistry, LaterExtensionRegistrationReplaces) {
    parser::framework registry;
    registry.register_extension("cir", "first");
    registry.register_extension(".cir", "second");
    EXPECT_EQ(registry.get_extension_map().size(), 1u);
    EXPECT_EQ(registry.get_extension_map().at(".cir"), "second");
}

TEST(HostParserRegistry, LanguageForFile) {
    parser::framework registry;
    registry.register_extension("kvx", "korvex3");
    EXPECT_EQ(registry.language_for_file("deck.kvx"), "korvex3");
    EXPECT_EQ(registry.language_for_file("/some/dir.v2/deck.kvx"), "korvex3");
    EXPECT_EQ(registry.language_for_file("lib.tar.kvx"), "korvex3");
    EXPECT_EQ(registry.language_for_file("DECK.KVX"), "korvex3");
    // Without a default, unknown files get no language.
    EXPECT_EQ(registry.language_for_file("deck.cir"), "");

    registry.get_default_language() = "fallback";
    EXPECT_EQ(registry.language_for_file("deck.cir"), "fallback");
    EXPECT_EQ(registry.language_for_file("deck"), "fallback");
    // A dot in a directory name is no extension.
    EXPECT_EQ(registry.language_for_file("dir.kvx/deck"), "fallback");
}

TEST(HostParserRegistry, CreateParser) {
    parser::framework registry;
    EXPECT_EQ(registry.create_parser("none"), nullptr);
    registry.get_factory_map()["empty"] = parser::parser_factory();
    EXPECT_EQ(registry.create_parser("empty"), nullptr);

    int calls = 0;
    registry.get_factory_map()["null"] = [&calls]() -> parser::parser_base* {
        ++calls;
        return new null_parser;
    };
    std::unique_ptr<parser::parser_base> made(registry.create_parser("null"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(made->get_ast_node(), nullptr);
    EXPECT_EQ(made->get_task(), nullptr);
    EXPECT_FALSE(made->file_is_include());
    EXPECT_EQ(made->get_parsing_file(), "");
}

TEST(HostLanguageFiller, SelectingCreatesAnEmptyRecord) {
    lang::device_table table;
    lang::base_easy_init f(table);
    f("diode");
    ASSERT_EQ(table.count("diode"), 1u);
    EXPECT_TRUE(table.at("diode").pins.empty());
    EXPECT_TRUE(table.at("diode").level_map.empty());
}

TEST(HostLanguageFiller, ChainedCallsFillTheSelectedDevice) {
    lang::device_table table;
    lang::base_easy_init f(table);
    f("bjt").pins("c", "b", "e").opt_pins("s").level_map("0", "bjt").level_map("504", "x").level_map(
        "504", "mextram").default_level("0");
    f("diode").pins("p", "n").default_level("1").extra_device("diode_pwl");
    f("mos1").pins("d", "g", "s", "b").extra_tag("m");

    const lang::device& bjt = table.at("bjt");
    EXPECT_EQ(bjt.pins, (strings{"c", "b", "e"}));
    EXPECT_EQ(bjt.optional_pins, strings{"s"});
    EXPECT_EQ(bjt.level_map.size(), 2u);
    EXPECT_EQ(bjt.level_map.at("504"), "mextram");
    EXPECT_EQ(bjt.default_level, "0");
    EXPECT_EQ(table.at("diode").extra_device, "diode_pwl");
    EXPECT_EQ(table.at("diode").pins, (strings{"p", "n"}));
    EXPECT_EQ(table.at("mos1").extra_tag, "m");
    EXPECT_EQ(table.at("mos1").pins.size(), 4u);
}

TEST(HostLanguageFiller, NothingHappensBeforeADeviceIsSelected) {
    lang::device_table table;
    lang::base_easy_init f(table);
    f.pins("a", "b").opt_pins("c").level_map("1", "x").default_level("1").extra_device("y");
    EXPECT_TRUE(table.empty());
}

TEST(HostLanguageFiller, SettersNeedAnExistingRecord) {
    lang::device_table table;
    lang::base_easy_init f(table);
    f("gone");
    table.clear();  // the selected device no longer exists

    EXPECT_EQ(message_of<lang::invalid_device>([&] { f.level_map("1", "x"); }), "gone");
    EXPECT_THROW(f.default_level("1"), lang::invalid_device);
    EXPECT_THROW(f.extra_device("y"), lang::invalid_device);
    EXPECT_TRUE(table.empty());

    f.pins("a", "b");
    ASSERT_EQ(table.count("gone"), 1u);
    EXPECT_EQ(table.at("gone").pins, (strings{"a", "b"}));
    EXPECT_NO_THROW(f.level_map("1", "x"));

    table.clear();
    f.extra_tag("m");
    EXPECT_EQ(table.at("gone").extra_tag, "m");
    table.clear();
    f.opt_pins("s");
    EXPECT_EQ(table.at("gone").optional_pins, strings{"s"});
}

TEST(HostLanguageBase, NDeviceCodes) {
    lang::base description;
    description.register_n_device("r2", "r2");
    EXPECT_TRUE(description.has_n_device("r2"));
    EXPECT_EQ(description.get_n_device_master("r2"), "r2");

    EXPECT_EQ(message_of<lang::invalid_device>([&] { description.register_n_device("r", "x"); }), "r");
    EXPECT_EQ(message_of<lang::invalid_device>([&] { description.register_n_device("r22", "x"); }), "r22");
    EXPECT_THROW(description.register_n_device("", "x"), lang::invalid_device);
    EXPECT_EQ(message_of<lang::duplicate_device>([&] { description.register_n_device("r2", "other"); }), "r2");
    EXPECT_EQ(description.get_n_device_master("r2"), "r2");
    EXPECT_EQ(description.get_n_devices().size(), 1u);

    EXPECT_FALSE(description.has_n_device("zz"));
    EXPECT_EQ(message_of<lang::invalid_device>([&] { description.get_n_device_master("zz"); }), "zz");
}

TEST(HostLanguageBase, DeviceQueries) {
    lang::base description;
    lang::base_easy_init f(description.get_devices());
    f("jfet").pins("d", "g", "s").opt_pins("b");
    EXPECT_TRUE(description.has_device("jfet"));
    EXPECT_FALSE(description.has_device("bjt"));
    // Optional pins are not part of the mandatory ones.
    EXPECT_EQ(description.get_pins("jfet"), (strings{"d", "g", "s"}));
    EXPECT_EQ(message_of<lang::invalid_device>([&] { description.get_pins("bjt"); }), "bjt");
}

TEST(HostLanguageRegistry, FirstRegistrationOfANameOrIdStays) {
    lang::framework registry;
    lang::base first;
    first.id = static_cast<lang::et_id>(7);
    lang::base_easy_init(first.get_devices())("a");
    lang::base second;
    second.id = static_cast<lang::et_id>(7);
    lang::base_easy_init(second.get_devices())("b");
    lang::base third;
    third.id = static_cast<lang::et_id>(8);
    lang::base_easy_init(third.get_devices())("c");

    registry.register_language("one", first);
    registry.register_language("one", third);  // name taken: stays with id 7
    registry.register_language("two", second);  // id 7 taken: "two" reads the first description

    EXPECT_TRUE(registry.get_language("one").has_device("a"));
    EXPECT_FALSE(registry.get_language("one").has_device("c"));
    EXPECT_TRUE(registry.get_language("two").has_device("a"));
    EXPECT_FALSE(registry.get_language("two").has_device("b"));
    EXPECT_TRUE(registry.get_language(static_cast<lang::et_id>(8)).has_device("c"));
}

TEST(HostLanguageRegistry, RegistryKeepsItsOwnCopy) {
    lang::framework registry;
    lang::base description;
    description.id = static_cast<lang::et_id>(3);
    registry.register_language("copy", description);
    lang::base_easy_init(description.get_devices())("later");
    EXPECT_FALSE(registry.get_language("copy").has_device("later"));
}

TEST(HostLanguageRegistry, UnknownLanguages) {
    lang::framework registry;
    EXPECT_FALSE(registry.has_language("nope"));
    EXPECT_EQ(message_of<lang::invalid_language>([&] { registry.get_language("nope"); }), "nope");
    EXPECT_EQ(message_of<lang::invalid_language>([&] { registry.get_language(static_cast<lang::et_id>(42)); }),
              "id#42");
}

TEST(HostStart, BaseDescriptionHoldsTheNDeviceMasters) {
    quarry::host::start();  // a second start changes nothing
    const auto& registry = lang::framework::instance();
    ASSERT_TRUE(registry.has_language("quarry::base"));
    const lang::base& description = registry.get_language("quarry::base");
    EXPECT_EQ(description.id, lang::id_base);
    EXPECT_EQ(&registry.get_language(lang::id_base), &description);

    const std::vector<std::pair<std::string, strings>> masters = {
        {"psp103", {"d", "g", "s", "b"}}, {"bsim6", {"d", "g", "s", "b"}}, {"mosvar", {"d", "g", "s", "b"}},
        {"vbic", {"c", "b", "e", "s"}},   {"mx504", {"c", "b", "e", "s"}}, {"bht", {"c", "b", "e"}},
        {"bht0", {"c", "b", "e"}},        {"diode_cmc", {"a", "k"}},       {"juncap2", {"a", "k"}},
        {"r2", {"p", "n"}},               {"r3", {"p", "n", "b"}},         {"rdiff", {"p", "n"}},
        {"cgdrift", {"d", "g", "s"}},
    };
    for (const auto& [name, pins] : masters) EXPECT_EQ(description.get_pins(name), pins) << name;
}

TEST(HostStart, MessageFormatsFillTheirArguments) {
    quarry::host::start();
    const auto& formats = nimbus::output::nsOutputNamedFormats();
    ASSERT_EQ(formats.count("PARSER-17"), 1u);
    ASSERT_EQ(formats.count("PARSER-28"), 1u);

    const std::string warning =
        nimbus::output::named_packet("PARSER-17", "NOISE", "bias resistor", std::string("deck.kvx[4:8-4:15]"))
            .text();
    EXPECT_NE(warning.find("NOISE"), std::string::npos) << warning;
    EXPECT_NE(warning.find("bias resistor"), std::string::npos) << warning;
    EXPECT_NE(warning.find("deck.kvx[4:8-4:15]"), std::string::npos) << warning;
    EXPECT_EQ(warning.find('%'), std::string::npos) << warning;
    // Not the fallback that lists the bare arguments.
    EXPECT_NE(warning, "NOISE, bias resistor, deck.kvx[4:8-4:15]");

    const std::string info = nimbus::output::named_packet("PARSER-28", std::string("/tmp/ic.dat")).text();
    EXPECT_NE(info.find("/tmp/ic.dat"), std::string::npos) << info;
    EXPECT_NE(info, "/tmp/ic.dat");
}
