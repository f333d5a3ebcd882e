#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "nimbus/event.hh"
#include "nimbus/os.hh"
#include "nimbus/output.hh"

namespace os = nimbus::os;
namespace output = nimbus::output;

namespace {

// Sets a variable for the lifetime of the object.
class scoped_env {
public:
    scoped_env(const char* name, const char* value) : name_(name) { ::setenv(name, value, 1); }
    ~scoped_env() { ::unsetenv(name_); }
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;

private:
    const char* name_;
};

std::string argument_text(const output::argument& a) {
    if (auto* s = std::get_if<std::string>(&a)) return *s;
    return std::get<const char*>(a);
}

}  // namespace

TEST(HostGetenvBool, TrueValuesInAnyCase) {
    for (const char* value : {"1", "yes", "YES", "on", "On", "true", "TRUE", "y", "Y", "t", "T"}) {
        scoped_env env("QUARRY_HOST_TEST_SWITCH", value);
        EXPECT_TRUE(os::getenv_bool("QUARRY_HOST_TEST_SWITCH")) << value;
    }
}

TEST(HostGetenvBool, EverythingElseIsFalse) {
    ::unsetenv("QUARRY_HOST_TEST_SWITCH");
    EXPECT_FALSE(os::getenv_bool("QUARRY_HOST_TEST_SWITCH"));
    for (const char* value : {"", "2", "enable", "0", "no", "off", "false", " yes", "yes ", "tt", "yess"}) {
        scoped_env env("QUARRY_HOST_TEST_SWITCH", value);
        EXPECT_FALSE(os::getenv_bool("QUARRY_HOST_TEST_SWITCH")) << '[' << value << ']';
    }
}

TEST(HostExpandFromEnv, References) {
    scoped_env dir("QUARRY_HOST_TEST_DIR", "/opt/models");
    scoped_env corner("QH_CORNER_2", "tt");
    ::unsetenv("QUARRY_HOST_TEST_UNSET");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"$QUARRY_HOST_TEST_DIR/deck.lib", "/opt/models/deck.lib"},
        {"${QUARRY_HOST_TEST_DIR}lib", "/opt/modelslib"},
        {"a/$QH_CORNER_2.lib", "a/tt.lib"},
        {"$QUARRY_HOST_TEST_DIR$QH_CORNER_2", "/opt/modelstt"},
        {"$QUARRY_HOST_TEST_UNSET/x", "/x"},
        {"${QUARRY_HOST_TEST_UNSET}x", "x"},
        {"$$QH_CORNER_2", "$tt"},
        {"plain/path.lib", "plain/path.lib"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(os::expand_from_env(in), out) << in;
}

TEST(HostExpandFromEnv, DollarWithoutANameStays) {
    scoped_env corner("QH_CORNER_2", "tt");
    for (const std::string in : {"cost$", "a$-b", "$/x", "${", "${}", "${QH_CORNER_2", "${QH-CORNER}", "$ x"})
        EXPECT_EQ(os::expand_from_env(in), in) << in;
}

TEST(HostPacket, FormatFilledWithArguments) {
    output::nsOutputNamedFormats()["HOST-TEST-1"] = "%2% then %1%";
    const output::packet p = output::named_packet("HOST-TEST-1", "first", std::string("second"));
    EXPECT_EQ(p.get_format_name(), "HOST-TEST-1");
    ASSERT_EQ(p.get_payload().argument_count(), 2u);
    // Literals are kept by pointer, strings by copy.
    EXPECT_TRUE(std::holds_alternative<const char*>(p.get_payload().get_argument(0)));
    EXPECT_TRUE(std::holds_alternative<std::string>(p.get_payload().get_argument(1)));
    EXPECT_EQ(p.text(), "second then first");

    const auto copy = p.get_payload().clone();
    EXPECT_EQ(copy->get_format(), "%2% then %1%");
    EXPECT_EQ(argument_text(copy->get_argument(1)), "second");
}

TEST(HostPacket, UnknownIdGetsAnEmptyFormatAndListsItsArguments) {
    output::nsOutputNamedFormats().erase("HOST-TEST-UNKNOWN");
    const output::packet p = output::named_packet("HOST-TEST-UNKNOWN", "a", std::string("b"), "c");
    EXPECT_EQ(output::nsOutputNamedFormats().count("HOST-TEST-UNKNOWN"), 1u);
    EXPECT_EQ(output::nsOutputNamedFormats().at("HOST-TEST-UNKNOWN"), "");
    EXPECT_EQ(p.text(), "a, b, c");
    EXPECT_EQ(output::named_packet("HOST-TEST-UNKNOWN").text(), "");
}

TEST(HostPacket, BrokenFormatsFallBackToTheArguments) {
    auto& formats = output::nsOutputNamedFormats();
    formats["HOST-TEST-FEW"] = "%1% and %2%";
    formats["HOST-TEST-MANY"] = "%1%";
    formats["HOST-TEST-BAD"] = "%1% %";
    EXPECT_EQ(output::named_packet("HOST-TEST-FEW", "x").text(), "x");
    EXPECT_EQ(output::named_packet("HOST-TEST-MANY", "x", "y").text(), "x, y");
    EXPECT_EQ(output::named_packet("HOST-TEST-BAD", "x").text(), "x");
}

TEST(HostTransmitter, PacketsReachTheListenersOfTheirChannelOnly) {
    nimbus::event::transmitter tx;
    std::vector<std::string> heard;
    auto warn = tx.connect("quarry/parser/warn", [&](const std::string& channel, output::packet* p) {
        heard.push_back(channel + ":" + p->get_format_name() + ":" +
                        argument_text(p->get_payload().get_argument(0)));
    });
    auto second = tx.connect("quarry/parser/warn", [&](const std::string&, output::packet*) {
        heard.push_back("second");
    });
    EXPECT_TRUE(tx.has_listeners("quarry/parser/warn"));
    EXPECT_FALSE(tx.has_listeners("quarry/parser/info"));

    output::packet p = output::named_packet("PARSER-17", "L", "constant resistor", std::string("x[1:1-1:2]"));
    tx.fire("quarry/parser/warn", &p);
    tx.fire("quarry/parser/info", &p);
    EXPECT_EQ(heard, (std::vector<std::string>{"quarry/parser/warn:PARSER-17:L", "second"}));

    warn.disconnect();
    second.disconnect();
    EXPECT_FALSE(tx.has_listeners("quarry/parser/warn"));
    tx.fire("quarry/parser/warn", &p);
    EXPECT_EQ(heard.size(), 2u);
}

TEST(HostTransmitter, FiringWithoutListenersDoesNothing) {
    auto& tx = nimbus::event::nsTransmitter();
    EXPECT_FALSE(tx.has_listeners("host/test/nobody"));
    output::packet p = output::named_packet("PARSER-28", std::string("ic.dat"));
    tx.fire("host/test/nobody", &p);
    tx.fire("host/test/nobody", nullptr);
    EXPECT_EQ(&tx, &nimbus::event::nsTransmitter());
}
