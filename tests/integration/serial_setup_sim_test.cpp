// The serial settings logic against the simulated module: the OK tries,
// auto-detection and the faults a real line shows.

#include "protocol/SerialSetup.h"
#include "pty_pair.h"
#include "sim_harness.h"

#include <thread>

#include <gtest/gtest.h>

using namespace tmx7;
using namespace std::chrono_literals;
using tmx7::testing::SimHarness;

TEST(SerialSetupSim, ConfirmAtTheModulesBaudReopensWithItsFormat) {
    struct Case {
        int baud, rateCode, formatCode;
        const char* expected;
    };
    for (const Case c :
         {Case{9600, 6, 0, "n,8,1"}, Case{1200, 3, 5, "e,8,1"}, Case{57600, 9, 0, "n,8,1"}}) {
        SimHarness h(SimHarness::Module(c.rateCode, c.formatCode));
        SerialSetup setup(h.table);
        const auto r = setup.Confirm(SimHarness::kPort, c.baud);
        EXPECT_TRUE(r.connected) << c.baud;
        EXPECT_EQ(r.lineFormat, c.expected);
        EXPECT_EQ(r.connectDelayMs, 0);
        EXPECT_TRUE(r.message.empty());
        EXPECT_TRUE(h.table.IsOpen(SimHarness::kPort))
            << "the port stays open with the module's format";
        EXPECT_EQ(h.simulator.MalformedCount(), 0u);
    }
}

TEST(SerialSetupSim, ModuleWithTwoStopBitsIsNotReachedByTheTwoTries) {
    // Both tries use one stop bit; such a module is only found after it has
    // been set back to one stop bit.
    SimHarness h(SimHarness::Module(6, 2));
    SerialSetup setup(h.table);
    const auto r = setup.Confirm(SimHarness::kPort, 9600);
    EXPECT_FALSE(r.connected);
    EXPECT_EQ(r.message, "串口设置失败，请重新设置");
}

TEST(SerialSetupSim, ConfirmAtAWrongBaudFailsWithTheMessageAndStopsThePort) {
    SimHarness h(SimHarness::Module(6));
    SerialSetup setup(h.table);
    const auto start = std::chrono::steady_clock::now();
    const auto r = setup.Confirm(SimHarness::kPort, 2400);
    EXPECT_FALSE(r.connected);
    EXPECT_EQ(r.message, "串口设置失败，请重新设置");
    EXPECT_FALSE(h.table.IsOpen(SimHarness::kPort));
    // Two tries of at most one second each, no reopen pause on failure.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(SerialSetupSim, AutoDetectFindsTheModuleAndStopsThere) {
    SimHarness h(SimHarness::Module(6)); // 9600
    SerialSetup setup(h.table);
    std::vector<std::string> captions;
    const auto r =
        setup.AutoDetect(SimHarness::kPort, [&](const std::string& c) { captions.push_back(c); });
    EXPECT_TRUE(r.connected);
    EXPECT_EQ(r.baud, 9600);
    EXPECT_EQ(r.lineFormat, "n,8,1");
    EXPECT_EQ(r.connectDelayMs, 1000);
    EXPECT_EQ(captions, (std::vector<std::string>{"1200波特率检测失败", "2400波特率检测失败",
                                                  "4800波特率检测失败"}));
    // Exactly four probes went out: one per baud rate up to the module's.
    std::size_t probes = 0;
    for (const auto& f : h.simulator.Frames())
        probes += f.kind == sim::FrameKind::Probe && f.lineMatched;
    EXPECT_EQ(probes, 1u) << "one probe at the module's baud, none after it was found";
    EXPECT_TRUE(h.table.IsOpen(SimHarness::kPort));
}

TEST(SerialSetupSim, SilentModuleFailsAllFourteenTriesOnVirtualTime) {
    auto options = SimHarness::Module(6);
    options.faults.silence = true;
    SimHarness h(options);
    VirtualClock clock;
    SerialSetup setup(h.table, clock);
    std::vector<std::string> captions;
    const auto r =
        setup.AutoDetect(SimHarness::kPort, [&](const std::string& c) { captions.push_back(c); });
    EXPECT_FALSE(r.connected);
    EXPECT_EQ(r.message, "串口检测失败，请重新检测");
    EXPECT_EQ(captions.size(), 14u);
    EXPECT_EQ(captions.back(), "57600波特率检测失败");
    EXPECT_EQ(r.baud, 57600);
    // 14 tries of one second plus 500 ms between them.
    EXPECT_EQ(clock.totalSlept(), 14 * 1500ms);
}

TEST(SerialSetupSim, FaultyAnswersAreFailedTries) {
    struct Case {
        const char* name;
        sim::FaultConfig faults;
    };
    sim::FaultConfig garbage;
    garbage.garbage = true;
    sim::FaultConfig split;
    split.split = true;
    split.splitGap = 100ms;
    sim::FaultConfig unknownFormat;
    unknownFormat.probeFormatCode = 1;
    for (const auto& c : {Case{"garbage", garbage}, Case{"split", split},
                          Case{"unknown format code", unknownFormat}}) {
        auto options = SimHarness::Module(6);
        options.faults = c.faults;
        SimHarness h(options);
        SerialSetup setup(h.table);
        const auto r = setup.Confirm(SimHarness::kPort, 9600);
        EXPECT_FALSE(r.connected) << c.name;
        EXPECT_EQ(r.message, "串口设置失败，请重新设置") << c.name;
        EXPECT_FALSE(h.table.IsOpen(SimHarness::kPort)) << c.name;
    }
}

TEST(SerialSetupPty, StaleAnswerBeforeTheProbeIsNotTakenForTheAnswer) {
    tmx7::testing::PtyPair pty;
    PortDirectory dir(tmx7::testing::IsolatedDirectory());
    dir.Map(7, pty.slavePath());
    CPortTable table(dir);
    ASSERT_EQ(table.Open(7, 9600, "n,8,1"), 1);
    auto answer = [](std::uint8_t code) {
        return std::vector<std::uint8_t>{0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F,
                                         0x8F, 0xFD, 0x03, 0x00, 0x00, code};
    };
    // An answer naming format 6 was already waiting; the module answers the
    // probe itself with format 0.
    ASSERT_TRUE(pty.send(answer(6)));
    std::this_thread::sleep_for(100ms); // one packet posted after its silence gap
    std::thread module([&] {
        const auto probe = pty.receive(9, 2s);
        if (probe.size() == 9 && probe[8] == 0xFE)
            pty.send(answer(0));
    });
    SerialSetup setup(table);
    const auto format = setup.ProbeExchange(7, 9600);
    module.join();
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(*format, "n,8,1");
}

TEST(SerialSetupSim, HungUpModuleEndsCleanly) {
    SimHarness h(SimHarness::Module(6));
    h.simulator.HangUp();
    SerialSetup setup(h.table);
    const auto r = setup.Confirm(SimHarness::kPort, 9600);
    EXPECT_FALSE(r.connected);
    EXPECT_FALSE(h.table.IsOpen(SimHarness::kPort));
}
