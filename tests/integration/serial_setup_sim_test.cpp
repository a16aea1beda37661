// The serial settings logic against the simulated module: the OK tries,
// auto-detection and the faults a real line shows.

#include "protocol/SerialSetup.h"
#include "pty_pair.h"
#include "sim_harness.h"

#include <functional>
#include <thread>

#include <gtest/gtest.h>

using namespace tmx7;
using namespace std::chrono_literals;
using tmx7::testing::SimHarness;

namespace {

struct FormatCase {
    int code;
    const char* format;      // what the port is reopened with
    Parity parity;           // the parity of the try that reached the module
    int stopBits;            // and the stop bits of the reopened port
    std::size_t failedTries; // auto-detection's captions before it
};

// The module at 9600: three bauds below it per format that gives no answer.
constexpr FormatCase kEveryFormat[] = {
    {0x00, "n,8,1", Parity::None, 1, 3},  {0x02, "n,8,2", Parity::None, 2, 3},
    {0x03, "o,8,1", Parity::Odd, 1, 17},  {0x04, "o,8,2", Parity::Odd, 2, 17},
    {0x05, "e,8,1", Parity::Even, 1, 10}, {0x06, "e,8,2", Parity::Even, 2, 10},
};

// Each case on its own pty and table, all at once: the odd ones wait out
// seventeen failed tries.
void ForEveryFormat(const std::function<void(const FormatCase&)>& body) {
    std::vector<std::thread> threads;
    for (const FormatCase& c : kEveryFormat)
        threads.emplace_back([&body, &c] { body(c); });
    for (auto& t : threads)
        t.join();
}

sim::SimulatorOptions QuickModule(int formatCode) {
    auto o = SimHarness::Module(6, formatCode); // 9600
    o.pace = false;
    o.minGap = 3ms;
    return o;
}

} // namespace

TEST(SerialSetupSim, ConfirmAndAutoDetectReachEveryFormatAndReopenWithIt) {
    ForEveryFormat([](const FormatCase& c) {
        for (const bool detect : {false, true}) {
            SimHarness h(QuickModule(c.code));
            ScaledClock clock(5);
            SerialSetup setup(h.table, clock);
            std::vector<std::string> captions;
            const auto r =
                detect ? setup.AutoDetect(SimHarness::kPort,
                                          [&](const std::string& t) { captions.push_back(t); })
                       : setup.Confirm(SimHarness::kPort, 9600);
            SCOPED_TRACE(::testing::Message() << c.format << (detect ? " detected" : " confirmed"));
            EXPECT_TRUE(r.connected);
            EXPECT_EQ(r.baud, 9600);
            EXPECT_EQ(r.lineFormat, c.format);
            EXPECT_TRUE(r.message.empty());
            if (!detect) {
                EXPECT_EQ(r.connectDelayMs, 0);
            }
            EXPECT_EQ(h.table.FormatOf(SimHarness::kPort), (LineFormat{c.parity, c.stopBits}))
                << "the port stays open at the format found";
            EXPECT_EQ(captions.size(), detect ? c.failedTries : 0u);
            if (!captions.empty()) {
                EXPECT_EQ(captions.back(), "4800波特率检测失败");
            }
            std::size_t answered = 0;
            for (const auto& f : h.simulator.Frames())
                answered += f.kind == sim::FrameKind::Probe && f.lineMatched;
            EXPECT_EQ(answered, 1u) << "nothing tried after the module was found";
            EXPECT_EQ(h.simulator.MalformedCount(), 0u);
        }
    });
}

TEST(SerialSetupSim, ConfirmAtAWrongBaudFailsWithTheMessageAndStopsThePort) {
    SimHarness h(SimHarness::Module(6));
    ScaledClock clock(5);
    SerialSetup setup(h.table, clock);
    const auto start = clock.now();
    const auto r = setup.Confirm(SimHarness::kPort, 2400);
    EXPECT_FALSE(r.connected);
    EXPECT_EQ(r.message, "串口设置失败，请重新设置");
    EXPECT_FALSE(h.table.IsOpen(SimHarness::kPort));
    // Three tries of one second each, no reopen pause on failure.
    EXPECT_GE(clock.now() - start, 3s);
    EXPECT_LT(clock.now() - start, 4s);
}

TEST(SerialSetupSim, SilentModuleFailsAllTwentyOneTriesOnVirtualTime) {
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
    EXPECT_EQ(captions.size(), 21u);
    EXPECT_EQ(captions.back(), "57600波特率检测失败");
    EXPECT_EQ(r.baud, 57600);
    // Seven bauds in three formats: one second each plus 500 ms between them.
    EXPECT_EQ(clock.totalSlept(), 21 * 1500ms);
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
        ScaledClock clock(5); // a split's second half still comes in time
        SerialSetup setup(h.table, clock);
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
