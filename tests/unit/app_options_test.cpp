// The command line of the window program.

#include "ui/AppOptions.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tmx7;

namespace {

TEST(AppOptions, RegistrationWordOnlyAsTheLastArgument) {
    struct Case {
        std::vector<std::string> args;
        bool registration;
    };
    const Case cases[] = {
        {{"/RegServer"}, true},
        {{"-unregserver"}, true},
        {{"--port", "COM3", "/REGSERVER"}, true},
        {{"-UnRegServer"}, true},
        {{"/RegServer", "--sim"}, false}, // something behind it
        {{"RegServer"}, false},
        {{"/RegServerX"}, false},
        {{"/"}, false},
        {{}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsRegistrationCommand(c.args), c.registration)
            << (c.args.empty() ? std::string("<none>") : c.args.back());
}

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

TEST(AppOptions, RejectsWhatItDoesNotKnow) {
    const std::vector<std::vector<std::string>> bad = {
        {"--baud", "1234"},     {"--baud", "9600x"}, {"--baud"},          {"--sim-mode", "sleepy"},
        {"--sim-power", "off"}, {"--frobnicate"},    {"/RegServer", "x"}, {"--sim-baud", "-9600"},
    };
    for (const auto& args : bad)
        EXPECT_FALSE(ParseAppOptions(args).error.empty()) << args[0];
}

TEST(AppOptions, PortArgumentsBecomeNumbers) {
    PortDirectory::Options o;
    o.sysfsTtyRoot = "/nonexistent/tty";
    int scans = 0; // each look at the sources asks for the config folder once
    o.getenv = [&scans](const std::string& name) -> std::optional<std::string> {
        scans += name == "XDG_CONFIG_HOME";
        return std::nullopt;
    };
    PortDirectory dir(o);
    dir.Map(1, "/dev/pts/9");
    EXPECT_EQ(ResolvePortArgument("COM7", dir), 7);
    EXPECT_EQ(ResolvePortArgument("/dev/pts/9", dir), 1) << "a known path keeps its number";
    scans = 0;
    EXPECT_EQ(ResolvePortArgument("/dev/ttyUSB0", dir), 2) << "the first free number";
    EXPECT_EQ(scans, 1) << "one look, not one per number tried";
    EXPECT_EQ(dir.PathFor(2), "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortArgument("/dev/ttyUSB0", dir), 2);
    EXPECT_FALSE(ResolvePortArgument("ttyUSB0", dir));
    EXPECT_FALSE(ResolvePortArgument("COM0", dir));
    EXPECT_FALSE(ResolvePortArgument("", dir));
}

} // namespace
