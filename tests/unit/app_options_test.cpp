// The command line of the window program.

#include "ui/AppOptions.h"

#include <gtest/gtest.h>

using namespace tmx7;

namespace {

TEST(AppOptions, ParsesPortBaudAndSimulator) {
    auto r = ParseAppOptions({"--port", "/dev/ttyUSB0", "--baud", "19200"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.options.port, "/dev/ttyUSB0");
    EXPECT_EQ(r.options.baud, 19200);
    EXPECT_FALSE(r.options.sim);

    r = ParseAppOptions({"--sim", "--sim-baud", "2400", "--sim-format", "e,8,1", "--sim-mode",
                         "passive", "--sim-power", "saving"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(r.options.sim);
    EXPECT_EQ(r.options.simBaud, 2400);
    EXPECT_EQ(r.options.simFormat, "e,8,1");
    EXPECT_EQ(r.options.simMode, "passive");
    EXPECT_EQ(r.options.simPower, "saving");
    EXPECT_FALSE(r.options.baud);
}

TEST(AppOptions, EveryRefusalSaysWhatWasWrong) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--baud", "1234"},
         "--baud: \"1234\" is not a baud rate of the module (1200, 2400, 4800, 9600, 19200, "
         "38400 or 57600)"},
        {{"--sim-baud", "-9600"},
         "--sim-baud: \"-9600\" is not a baud rate of the module (1200, 2400, 4800, 9600, "
         "19200, 38400 or 57600)"},
        {{"--baud"}, "--baud needs a value"},
        {{"--sim-mode", "sleepy"}, "--sim-mode: \"sleepy\" is not active, passive or modbus"},
        {{"--sim-power", "off"}, "--sim-power: \"off\" is not normal or saving"},
        {{"--sim-format", "n,7,1"},
         "--sim-format: \"n,7,1\" is not a line format (n,8,1 n,8,2 o,8,1 o,8,2 e,8,1 or "
         "e,8,2; N, O, E too)"},
        {{"--port", "ttyUSB0"},
         "--port: \"ttyUSB0\" is not COM1..COM1024 or a device path (/dev/...)"},
        {{"--frobnicate"}, "unknown option: --frobnicate"},
        {{"/RegServer", "x"}, "unknown option: /RegServer"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseAppOptions(c.args).error, c.error) << c.args[0];
}

} // namespace
