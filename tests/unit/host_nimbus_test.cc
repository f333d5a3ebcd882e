#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "nimbus/event.hh"
#include "nimbus/os.hh"
#include "nimbus/output.hh"

namespace os = nimbus::os;
namespace output = nimbus::output;

TEST(HostGetenvBool, TrueValuesInAnyCaseEverythingElseFalse) {
    const char* name = "QUARRY_HOST_TEST_SWITCH";
    ::unsetenv(name);
    EXPECT_FALSE(os::getenv_bool(name));
    for (const char* value : {"1", "yes", "YES", "on", "On", "true", "TRUE", "y", "Y", "t", "T"}) {
        ::setenv(name, value, 1);
        EXPECT_TRUE(os::getenv_bool(name)) << value;
    }
    for (const char* value : {"", "2", "0", "no", "off", "false", " yes", "yes ", "tt", "yess"}) {
        ::setenv(name, value, 1);
        EXPECT_FALSE(os::getenv_bool(name)) << '[' << value << ']';
    }
    ::unsetenv(name);
}

TEST(HostExpandFromEnv, ReferencesAndDollarsWithoutAName) {
    ::setenv("QUARRY_HOST_TEST_DIR", "/opt/models", 1);
    ::setenv("QH_CORNER_2", "tt", 1);
    ::unsetenv("QUARRY_HOST_TEST_UNSET");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"$QUARRY_HOST_TEST_DIR/deck.lib", "/opt/models/deck.lib"},
        {"${QUARRY_HOST_TEST_DIR}lib", "/opt/modelslib"},
        {"a/$QH_CORNER_2.lib", "a/tt.lib"},
        {"$QUARRY_HOST_TEST_DIR$QH_CORNER_2", "/opt/modelstt"},
        {"$QUARRY_HOST_TEST_UNSET/x", "/x"},
        {"${QUARRY_HOST_TEST_UNSET}x", "x"},
        {"$$QH_CORNER_2", "$tt"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(os::expand_from_env(in), out) << in;
    for (const std::string in : {"cost$", "a$-b", "$/x", "${", "${}", "${QH_CORNER_2", "${QH-CORNER}", "$ x"})
        EXPECT_EQ(os::expand_from_env(in), in) << in;
    ::unsetenv("QUARRY_HOST_TEST_DIR");
    ::unsetenv("QH_CORNER_2");
}

TEST(HostPacket, UnknownAndBrokenFormatsFallBackToTheArguments) {
    auto& formats = output::nsOutputNamedFormats();
    formats["HOST-TEST-1"] = "%2% then %1%";
    formats["HOST-TEST-FEW"] = "%1% and %2%";
    formats["HOST-TEST-MANY"] = "%1%";
    formats["HOST-TEST-BAD"] = "%1% %";
    formats.erase("HOST-TEST-UNKNOWN");
    EXPECT_EQ(output::named_packet("HOST-TEST-1", "first", std::string("second")).text(), "second then first");
    EXPECT_EQ(output::named_packet("HOST-TEST-FEW", "x").text(), "x");
    EXPECT_EQ(output::named_packet("HOST-TEST-MANY", "x", "y").text(), "x, y");
    EXPECT_EQ(output::named_packet("HOST-TEST-BAD", "x").text(), "x");
    EXPECT_EQ(output::named_packet("HOST-TEST-UNKNOWN", "a", std::string("b"), "c").text(), "a, b, c");
    EXPECT_EQ(output::named_packet("HOST-TEST-UNKNOWN").text(), "");
}

TEST(HostTransmitter, PacketsReachTheListenersOfTheirChannelOnly) {
    nimbus::event::transmitter tx;
    std::vector<std::string> heard;
    auto warn = tx.connect("quarry/parser/warn", [&](const std::string& channel, output::packet* p) {
        heard.push_back(channel + ":" + p->get_format_name());
    });
    output::packet p = output::named_packet("PARSER-17", "L", "constant resistor", std::string("x[1:1-1:2]"));
    tx.fire("quarry/parser/warn", &p);
    tx.fire("quarry/parser/info", &p);
    warn.disconnect();
    EXPECT_FALSE(tx.has_listeners("quarry/parser/warn"));
    tx.fire("quarry/parser/warn", &p);
    EXPECT_EQ(heard, std::vector<std::string>{"quarry/parser/warn:PARSER-17"});
}
