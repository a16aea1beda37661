// The download plan from a parameter set, and running it on a virtual clock.

#include "protocol/ParamFile.h"
#include "settings/Download.h"

#include "unit/param_fixtures.h"

#include <gtest/gtest.h>

using namespace tmx7;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Set(std::initializer_list<std::uint8_t> tail) {
    return tmx7::testing::SetFrame(tail);
}

ParamSet Defaults() {
    return tmx7::testing::ImportDefaults();
}

std::vector<int> Positions(const DownloadPlan& plan) {
    std::vector<int> out;
    for (const auto& s : plan.steps)
        if (s.progress >= 0)
            out.push_back(s.progress);
    return out;
}

TEST(BuildDownload, DefaultsWriteNineFramesInOrder) {
    const DownloadPlan plan = BuildDownload(Defaults());
    const std::vector<Frame> expected = {
        Set({0xE7, 0x01, 0x00}),
        Set({0xA5, 0x01, 0x00}),
        Set({0xF8, 0x01, 0x00}),
        Set({0xA3, 0x01, 0x00, 0x00}),
        Set({0xA4, 0x01, 0x01}),
        Set({0xA1, 0x01, 0x00, 0x01}),
        Set({0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
        Set({0xFC, 0x01, 0x06}),
        Set({0xFB, 0x01, 0x07}),
    };
    EXPECT_EQ(DownloadFrames(plan), expected);
    EXPECT_EQ(TotalPause(plan), 28000ms);
    EXPECT_EQ(Positions(plan), (std::vector<int>{1, 10, 20, 30, 70, 90, 110, 120, 130, 140, 145,
                                                 150, 160, 170, 180, 200, 210, 230}));
}

TEST(BuildDownload, PassiveModeAddsTheAddressWithTwoSeconds) {
    ParamSet p = Defaults();
    p.serialMode = "被动模式";
    p.passiveAddr = "31 41";
    const DownloadPlan plan = BuildDownload(p);
    const auto frames = DownloadFrames(plan);
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_EQ(frames[2], Set({0xF8, 0x01, 0x01}));
    EXPECT_EQ(frames[3], Set({0xE2, 0x01, 0x31, 0x41}));
    EXPECT_EQ(TotalPause(plan), 30000ms);

    // Outside passive mode the address never goes out.
    for (const char* mode : {"主动模式", "MODBUS"}) {
        p.serialMode = mode;
        for (const auto& f : DownloadFrames(BuildDownload(p)))
            EXPECT_NE(f[8], 0xE2) << mode;
    }
}

TEST(BuildDownload, UnmappableValuesSkipTheirStep) {
    struct Case {
        const char* name;
        void (*change)(ParamSet&);
        std::uint8_t missingCode;
        Millis pauseLost;
    };
    const Case cases[] = {
        {"group marker", [](ParamSet& p) { p.group = "********"; }, 0xE7, 1000ms},
        {"group not hex", [](ParamSet& p) { p.group = "G1"; }, 0xE7, 1000ms},
        {"group three digits", [](ParamSet& p) { p.group = "123"; }, 0xE7, 1000ms},
        {"serial mode", [](ParamSet& p) { p.serialMode = "********"; }, 0xF8, 1000ms},
        {"power mode", [](ParamSet& p) { p.powerMode = "x"; }, 0xA5, 1000ms},
        {"save addr marker", [](ParamSet& p) { p.saveAddr = "********"; }, 0xA3, 1000ms},
        {"save addr digits", [](ParamSet& p) { p.saveAddr = "0000"; }, 0xA3, 1000ms},
        {"save addr one pair", [](ParamSet& p) { p.saveAddr = "00"; }, 0xA3, 1000ms},
        {"sleep marker", [](ParamSet& p) { p.sleepPeriod = "********"; }, 0xA4, 1000ms},
        {"sleep too big", [](ParamSet& p) { p.sleepPeriod = "512"; }, 0xA4, 1000ms},
        {"sleep hex", [](ParamSet& p) { p.sleepPeriod = "0x10"; }, 0xA4, 1000ms},
        {"sleep negative", [](ParamSet& p) { p.sleepPeriod = "-2"; }, 0xA4, 1000ms},
        {"wake marker", [](ParamSet& p) { p.wakeDelay = "********"; }, 0xA1, 1000ms},
        {"wake too long", [](ParamSet& p) { p.wakeDelay = "19660.8"; }, 0xA1, 1000ms},
        {"wake comma", [](ParamSet& p) { p.wakeDelay = "0,3"; }, 0xA1, 1000ms},
        {"frequency", [](ParamSet& p) { p.frequency = "433.100MHz"; }, 0xFF, 8000ms},
        {"air rate", [](ParamSet& p) { p.airRate = "9600"; }, 0xFC, 8000ms},
        {"power not set", [](ParamSet& p) { p.powerLevel = kPowerLevelNotSet; }, 0xFB, 6000ms},
        {"power 8", [](ParamSet& p) { p.powerLevel = 8; }, 0xFB, 6000ms},
    };
    for (const auto& c : cases) {
        ParamSet p = Defaults();
        c.change(p);
        const DownloadPlan plan = BuildDownload(p);
        const auto frames = DownloadFrames(plan);
        EXPECT_EQ(frames.size(), 8u) << c.name;
        for (const auto& f : frames)
            EXPECT_NE(f[8], c.missingCode) << c.name;
        EXPECT_EQ(TotalPause(plan), 28000ms - c.pauseLost) << c.name;
    }
}

TEST(BuildDownload, NumbersReadExactly) {
    ParamSet p = Defaults();
    p.sleepPeriod = "5";
    p.wakeDelay = "76.8";
    const auto frames = DownloadFrames(BuildDownload(p));
    EXPECT_EQ(frames[4], Set({0xA4, 0x01, 0x02}));
    EXPECT_EQ(frames[5], Set({0xA1, 0x01, 0x01, 0x00}));

    struct WakeCase {
        const char* text;
        std::optional<int> count;
    };
    const WakeCase wake[] = {{"0.3", 1},
                             {"0.6", 2},
                             {"0.9", 3},
                             {"3", 10},
                             {"19660.5", 65535},
                             {"0", 0},
                             {"0.2", 0},
                             {"0.59999", 1},
                             {" 1.5 ", 5},
                             {"+0.9", 3},
                             {".3", 1},
                             {"5.", 16},
                             {"19660.5000", 65535},
                             {"1310.7", 4369},
                             {"", std::nullopt},
                             {".", std::nullopt},
                             {"1e3", std::nullopt},
                             {"19660.8", std::nullopt}};
    for (const auto& c : wake)
        EXPECT_EQ(WakeDelayCountFromText(c.text), c.count) << c.text;
}

TEST(BuildDownload, MissingFrequencyKeepsProgressJumping) {
    ParamSet p = Defaults();
    p.frequency = "********";
    EXPECT_EQ(Positions(BuildDownload(p)),
              (std::vector<int>{1, 10, 20, 30, 70, 90, 110, 150, 160, 170, 180, 200, 210, 230}));
    p.powerLevel = 8;
    const auto progress = Positions(BuildDownload(p));
    EXPECT_EQ(progress.back(), 180); // the bar stays at the last position reached
}

TEST(RunDownload, WithoutAPortEndsAtTheFirstFrameAndHidesTheBar) {
    CPortTable table;
    VirtualClock clock;
    EventLog log;
    const Outcome out = RunDownload(BuildDownload(Defaults()), table, 4, clock, log);
    EXPECT_EQ(out.kind, OutcomeKind::PortLost);
    EXPECT_EQ(out.stepsDone, 0);
    EXPECT_EQ(out.stepsTotal, 9);
    EXPECT_EQ(clock.totalSlept(), 0ms);
    const std::vector<Event> expected = {ProgressShown{true}, Progress{1},
                                         WriteFailed{4, WriteStatus::NoPort, CmdGroup},
                                         ProgressShown{false}};
    EXPECT_EQ(log.Events(), expected) << "no done text, no progress past the failure";
}

} // namespace
