// The engine's sequences against the simulated module over a pty: a whole
// read in every mode, set commands, the download and the export, and what
// each of them reports when the module misbehaves or the adapter is pulled.

#include "protocol/ParamFile.h"
#include "pty_pair.h"
#include "settings/Download.h"
#include "settings/ParamTransfer.h"
#include "settings/Production.h"
#include "settings/Session.h"
#include "sim_harness.h"
#include "unit/param_fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

using namespace tmx7;
using namespace std::chrono_literals;
using tmx7::testing::IsolatedDirectory;
using tmx7::testing::SimHarness;

namespace {

// Five times faster than real time: a 200 ms query pause becomes 40 ms,
// still longer than the module's 15 ms end-of-burst gap.
struct FastClock : ScaledClock {
    FastClock() : ScaledClock(5) {}
    Millis Slept(TimePoint since) const {
        return std::chrono::duration_cast<Millis>(now() - since);
    }
};

// A module with one fault.
template <class T> sim::FaultConfig With(T sim::FaultConfig::*fault, T value) {
    sim::FaultConfig f;
    f.*fault = value;
    return f;
}

sim::SimulatorOptions Module(int serialMode = 0, int powerMode = 0, sim::FaultConfig faults = {}) {
    sim::SimulatorOptions o = SimHarness::Module(9, 0, serialMode, powerMode); // 57600, n,8,1
    o.faults = faults;
    o.pace = false;
    return o;
}

// A module on a pty and a session connected to it at COM<port>.
struct Rig {
    static constexpr int kPort = 6;
    explicit Rig(sim::SimulatorOptions options = Module()) : simulator(std::move(options)) {
        EXPECT_TRUE(simulator.Start()) << simulator.LastError();
        dir.Map(kPort, simulator.SlavePath());
        session = std::make_unique<Session>(log, clock, dir);
        EXPECT_EQ(session->Ports().Open(kPort, 57600, "n,8,1"), 1);
        session->SetLink({kPort, 57600, "n,8,1"});
    }
    Outcome Run(const std::function<bool(Session&)>& start) {
        EXPECT_TRUE(start(*session));
        const auto outcome = session->WaitIdle(60s);
        EXPECT_TRUE(outcome) << "the sequence never ended";
        return outcome.value_or(Outcome{OutcomeKind::Failed, {}, "timed out"});
    }
    std::string Shown(Field f) const { return session->Shown().Value(f); }

    sim::Simulator simulator;
    PortDirectory dir{IsolatedDirectory()};
    FastClock clock;
    EventLog log;
    std::unique_ptr<Session> session;
};

struct ReadCase {
    const char* name;
    int serialMode;
    int powerMode;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

} // namespace

class ReadEveryMode : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadEveryMode, ShowsEveryValueOfTheModule) {
    const auto& c = GetParam();
    Rig rig(Module(c.serialMode, c.powerMode));
    const Outcome out = rig.Run([](Session& s) { return s.Read(); });
    EXPECT_EQ(out, Outcome{}) << ToString(out);

    EXPECT_EQ(rig.Shown(Field::TxFrequency), "433.000MHz");
    EXPECT_EQ(rig.Shown(Field::RxFrequency), "433.000MHz");
    EXPECT_EQ(rig.Shown(Field::AirRate), "9600bps");
    EXPECT_EQ(rig.Shown(Field::SerialFormat), "57600,n.8.1");
    EXPECT_EQ(rig.Shown(Field::Version), "TMX7V1");
    EXPECT_EQ(rig.Shown(Field::TxPower), "7");
    EXPECT_EQ(rig.Shown(Field::Group), "00");
    EXPECT_EQ(rig.Shown(Field::SerialMode), c.serialMode == 0   ? "主动模式"
                                            : c.serialMode == 1 ? "被动模式"
                                                                : "MODBUS");
    EXPECT_EQ(rig.Shown(Field::PowerMode), c.powerMode ? "省电模式" : "普通模式");
    EXPECT_EQ(rig.session->Shown().PageThere(Page::PowerSaving), c.powerMode == 1);
    EXPECT_EQ(rig.session->Shown().PageThere(Page::Passive), c.serialMode == 1);
    EXPECT_EQ(rig.Shown(Field::SleepPeriod), c.powerMode ? "2" : "********");
    EXPECT_EQ(rig.Shown(Field::SaveAddr), c.powerMode ? "00 00" : "********");
    EXPECT_EQ(rig.Shown(Field::WakeDelay), c.powerMode ? "0.3" : "********");
    EXPECT_EQ(rig.Shown(Field::AddrStart), c.powerMode ? "01" : "********");
    EXPECT_EQ(rig.Shown(Field::AddrLength), c.powerMode ? "02" : "********");
    EXPECT_EQ(rig.Shown(Field::GroupMax), c.powerMode ? "10" : "********");
    EXPECT_EQ(rig.Shown(Field::AddrType), c.powerMode ? "ASC" : "********");
    EXPECT_EQ(rig.Shown(Field::PassiveAddr), c.serialMode == 1 ? "30 30" : "********");
    EXPECT_EQ(rig.session->State().serialMode, c.serialMode);
    EXPECT_EQ(rig.session->Params().portName, "COM6");
    EXPECT_EQ(rig.simulator.MalformedCount(), 0u);
    EXPECT_NE(rig.session->Shown().ReceivedText().find("1F:2F:3F:4F:5F:6F:7F:8F:EC\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ReadEveryMode,
    ::testing::Values(ReadCase{"ActiveNormal", 0, 0}, ReadCase{"PassiveNormal", 1, 0},
                      ReadCase{"ModbusNormal", 2, 0}, ReadCase{"ActiveSaving", 0, 1},
                      ReadCase{"PassiveSaving", 1, 1}, ReadCase{"ModbusSaving", 2, 1}),
    [](const auto& info) { return std::string(info.param.name); });

enum class Work { Read, Set, Download };

struct FaultCase {
    const char* name;
    Work work;
    sim::FaultConfig faults;
    OutcomeKind kind;
    std::size_t missing;   // fields a read reports unknown (0: some, when answers are missing)
    const char* frequency; // shown at the end
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.name;
}

class Misbehaving : public ::testing::TestWithParam<FaultCase> {};

// Whatever the module's answers do, a read says what it did not get, and a
// set or download still puts every frame on the line whole.
TEST_P(Misbehaving, SaysWhatItDidNotGetAndWritesEveryFrameWhole) {
    const auto& c = GetParam();
    Rig rig(Module(1, 1, c.faults));
    const Outcome out = rig.Run([&](Session& s) {
        switch (c.work) {
        case Work::Read:
            return s.Read();
        case Work::Set:
            return s.Set(PlanSetFrequency(17));
        default:
            return s.Download(tmx7::testing::ImportDefaults());
        }
    });
    EXPECT_EQ(out.kind, c.kind) << ToString(out);
    if (c.missing > 0) {
        EXPECT_EQ(out.missing.size(), c.missing) << ToString(out);
    } else if (c.kind == OutcomeKind::AnswersMissing) {
        EXPECT_FALSE(out.missing.empty());
    }
    for (Field f : out.missing)
        EXPECT_EQ(rig.Shown(f), "********") << KeyOf(f) << " reported missing but shown";
    EXPECT_EQ(rig.Shown(Field::TxFrequency), c.frequency);
    EXPECT_EQ(rig.simulator.State().channel, c.work == Work::Set        ? 0x10
                                             : c.work == Work::Download ? 0x00
                                                                        : 0x08);
    if (c.work == Work::Download) {
        EXPECT_EQ(out.stepsDone, 9);
        EXPECT_EQ(rig.simulator.State().group, 0x00);
        EXPECT_EQ(rig.simulator.State().serialMode, 0x00);
    }
    EXPECT_EQ(rig.simulator.MalformedCount(), 0u);
}

// Without the mode answers the power-saving and passive fields are never
// asked for: the nine fields of the general page are what is missing.
// Answers cut in two at a silence make packets that hold no whole answer.
// 100 ms real are half a second on the test clock.
INSTANTIATE_TEST_SUITE_P(
    Faults, Misbehaving,
    ::testing::Values(
        FaultCase{"ReadSilent", Work::Read, With(&sim::FaultConfig::silence, true),
                  OutcomeKind::AnswersMissing, 9, "********"},
        FaultCase{"ReadGarbage", Work::Read, With(&sim::FaultConfig::garbage, true),
                  OutcomeKind::AnswersMissing, 9, "********"},
        FaultCase{"ReadSplit", Work::Read, With(&sim::FaultConfig::split, true),
                  OutcomeKind::AnswersMissing, 0, "********"},
        FaultCase{"ReadLate", Work::Read, With(&sim::FaultConfig::lateBy, Millis(100)),
                  OutcomeKind::Completed, 0, "433.000MHz"},
        FaultCase{"ReadBundled", Work::Read, With(&sim::FaultConfig::bundleWindow, Millis(150)),
                  OutcomeKind::Completed, 0, "433.000MHz"},
        FaultCase{"SetGarbledReply", Work::Set,
                  With(&sim::FaultConfig::setReply, sim::SetReply::Garbage), OutcomeKind::Completed,
                  0, "435.000MHz"},
        FaultCase{"SetSplit", Work::Set, With(&sim::FaultConfig::split, true),
                  OutcomeKind::Completed, 0, "********"},
        FaultCase{"SetLate", Work::Set, With(&sim::FaultConfig::lateBy, Millis(100)),
                  OutcomeKind::Completed, 0, "435.000MHz"},
        FaultCase{"DownloadGarbage", Work::Download, With(&sim::FaultConfig::garbage, true),
                  OutcomeKind::Completed, 0, "********"},
        FaultCase{"DownloadBundled", Work::Download,
                  With(&sim::FaultConfig::bundleWindow, Millis(150)), OutcomeKind::Completed, 0,
                  "431.000MHz"}),
    [](const auto& info) { return std::string(info.param.name); });

// A window starts the next sequence the moment it sees the last one's
// SequenceFinished, while the worker may still be posting it.
TEST(SessionOnSim, TheNextSequenceStartsAsSoonAsTheLastOnesEndIsSeen) {
    struct EndSignal : EventSink {
        void Post(std::vector<Event> events) override {
            for (const Event& e : events)
                if (std::holds_alternative<SequenceFinished>(e)) {
                    std::lock_guard lock(mutex);
                    ++ends;
                    cv.notify_all();
                }
        }
        std::mutex mutex;
        std::condition_variable cv;
        int ends = 0;
    } sink;
    PortDirectory dir{IsolatedDirectory()};
    Session session(sink, RealClock(), dir);
    // A probe of a port that does not exist ends at once.
    for (int i = 1; i <= 300; ++i) {
        ASSERT_TRUE(session.Probe(99, 9600)) << "refused after " << i - 1 << " ends";
        std::unique_lock lock(sink.mutex);
        sink.cv.wait(lock, [&] { return sink.ends == i; });
    }
}

// ---- set, production, download and export ------------------------------------------

// (The window test sends every production frame.)
TEST(ProductionOnSim, ALostPortIsSaidAndShowsNoTransmission) {
    SimHarness h(Module());
    ASSERT_EQ(h.table.Open(SimHarness::kPort, 57600, "n,8,1"), 1);
    CProductionMode production;
    h.simulator.HangUp();
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (h.table.IsOpen(SimHarness::kPort) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(production.Transmit0101(h.table, SimHarness::kPort), WriteStatus::PortLost);
    EXPECT_FALSE(production.IndicatorShown());
    EXPECT_FALSE(production.Calibrate(h.table, SimHarness::kPort, "12", "34").written);
}

namespace {

sim::ModuleState Configured() {
    sim::ModuleState s;
    s.airRate = 0x04;
    s.txPower = 0x02;
    s.channel = 0x03;
    s.group = 0x5A;
    s.serialMode = 0x01;
    s.passiveAddr = {0x31, 0x41};
    s.powerMode = 0x01;
    s.sleepPeriodHalf = 0x20;
    s.saveAddr = {0x12, 0x34};
    s.wakeDelay = {0x01, 0x00};
    s.serialBaud = 0x09;
    return s;
}

struct TempDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("tmx7_session_" + std::to_string(::getpid()) + "_" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(path, ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

TEST(SessionOnSim, ExportImportDownloadCopiesOneModuleIntoAnother) {
    sim::SimulatorOptions firstOptions = Module();
    firstOptions.state = Configured();
    Rig first(firstOptions);
    Rig second;
    TempDir dir;
    const std::string path = (dir.path / "tmx7peizhi.tm7").string();
    ASSERT_TRUE(first.Run([&](Session& s) { return s.Export(path); }).ok());

    ParamSet params = second.session->Params();
    ImportIntoParams(params, ImportParamFile(path));
    const Outcome out = second.Run([&](Session& s) { return s.Download(params); });
    EXPECT_TRUE(out.ok()) << ToString(out);
    EXPECT_EQ(out.stepsDone, 10) << "every value present, passive mode";
    const sim::ModuleState a = first.simulator.State();
    const sim::ModuleState b = second.simulator.State();
    EXPECT_EQ(b.airRate, a.airRate);
    EXPECT_EQ(b.txPower, a.txPower);
    EXPECT_EQ(b.channel, a.channel);
    EXPECT_EQ(b.group, a.group);
    EXPECT_EQ(b.serialMode, a.serialMode);
    EXPECT_EQ(b.passiveAddr, a.passiveAddr);
    EXPECT_EQ(b.powerMode, a.powerMode);
    EXPECT_EQ(b.sleepPeriodHalf, a.sleepPeriodHalf);
    EXPECT_EQ(b.saveAddr, a.saveAddr);
    EXPECT_EQ(b.wakeDelay, a.wakeDelay);
    EXPECT_EQ(second.Shown(Field::Group), "5A") << "the refresh shows what the module took";
    EXPECT_EQ(first.simulator.MalformedCount() + second.simulator.MalformedCount(), 0u);
}

// ---- the decoder ---------------------------------------------------------------------

TEST(DecoderOnSim, StopIsPromptAndNothingIsWrittenAfterIt) {
    SimHarness h(SimHarness::Module(3, 0, 1, 1)); // 1200 baud: 800 ms pauses
    ASSERT_EQ(h.table.Open(SimHarness::kPort, 1200, "n,8,1"), 1);
    DecoderShared shared;
    LinkSettings link;
    link.comPort = SimHarness::kPort;
    link.baud = 1200;
    EventLog log;
    DecoderThread decoder(h.table, shared, link, log);
    ASSERT_TRUE(decoder.Start());
    // The power-mode answer makes the decoder write four follow-ups with
    // 800 ms pauses; stop in the middle of them.
    ASSERT_EQ(h.table.Write(SimHarness::kPort, MakeQueryFrame(CmdPowerMode)), WriteStatus::Queued);
    ASSERT_TRUE(h.simulator.WaitForFrames(2, 3s)) << "the first follow-up went out";
    const auto start = std::chrono::steady_clock::now();
    decoder.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    const auto frames = h.simulator.FrameCount();
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(h.simulator.FrameCount(), frames) << "a follow-up was written after the stop";
}

// ---- adapters that come and go -----------------------------------------------------------

TEST(SessionOnSim, DetectTriesTheRememberedPairFirstAndKeepsWhatConnected) {
    struct Case {
        const char* name;
        std::optional<RememberedLink> remembered;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"nothing kept",
         std::nullopt,
         {"1200波特率检测失败", "2400波特率检测失败", "4800波特率检测失败"}},
        {"kept", RememberedLink{9600, "n,8,1"}, {}},
        // The module's own format came with its answer last time; one stop
        // bit reaches it all the same.
        {"kept with two stop bits", RememberedLink{9600, "n,8,2"}, {}},
        {"kept but changed since",
         RememberedLink{19200, "n,8,1"},
         {"19200波特率检测失败", "1200波特率检测失败", "2400波特率检测失败", "4800波特率检测失败"}},
    };
    for (const Case& c : cases) {
        sim::SimulatorOptions options = SimHarness::Module(6); // 9600, n,8,1
        options.pace = false;
        options.minGap = 3ms;
        sim::Simulator simulator(options);
        ASSERT_TRUE(simulator.Start());
        PortDirectory dir{IsolatedDirectory()};
        dir.Map(Rig::kPort, simulator.SlavePath());
        TempDir folder;
        LinkMemory memory((folder.path / "links").string());
        const std::string identity = "dev:" + simulator.SlavePath();
        if (c.remembered) {
            ASSERT_TRUE(memory.Remember(identity, *c.remembered));
        }
        FastClock clock;
        EventLog log;
        Session session(log, clock, dir);
        session.RememberLinks(&memory);
        ASSERT_TRUE(session.Detect(Rig::kPort));
        const auto outcome = session.WaitIdle(30s);
        ASSERT_TRUE(outcome && outcome->ok()) << c.name;
        std::vector<std::string> captions;
        for (const auto& step : log.All<DetectStep>())
            captions.push_back(step.caption);
        EXPECT_EQ(captions, c.captions) << c.name;
        EXPECT_EQ(session.Link(), (LinkChoice{Rig::kPort, 9600, "n,8,1"})) << c.name;
        EXPECT_EQ(memory.Recall(identity), (RememberedLink{9600, "n,8,1"})) << c.name;
    }
}
