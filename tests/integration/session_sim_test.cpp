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

TEST(SessionOnSim, ASetShowsTheModulesNewValueAfterItsRefresh) {
    Rig rig;
    const TimePoint start = rig.clock.now();
    EXPECT_TRUE(rig.Run([](Session& s) { return s.Set(PlanSetFrequency(1)); }).ok());
    EXPECT_GE(rig.clock.Slept(start), 7000ms + 4900ms) << "the module's wait, then the refresh";
    EXPECT_EQ(rig.Shown(Field::TxFrequency), "431.000MHz");
    EXPECT_EQ(rig.simulator.State().channel, 0x00);
    const auto status = rig.log.All<Status>();
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.front().text, "请等待模块响应......");
    EXPECT_EQ(status.back().text, "刷新参数完成.");
}

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

TEST(SessionOnSim, PulledAdapterEndsTheDownloadSayingHowFarItGot) {
    Rig rig(Module(0, 0, With(&sim::FaultConfig::hangUpAfterFrames, std::size_t{4})));
    ParamSet params = tmx7::ParamSet{};
    ImportIntoParams(params, ImportParamFile("/nonexistent/tmx7peizhi.tm7")); // the defaults
    const Outcome out = rig.Run([&](Session& s) { return s.Download(params); });
    EXPECT_EQ(out.kind, OutcomeKind::PortLost) << ToString(out);
    EXPECT_EQ(out.stepsTotal, 9);
    EXPECT_GE(out.stepsDone, 4);
    EXPECT_LT(out.stepsDone, 9);
    EXPECT_TRUE(rig.log.All<ProgressShown>().back() == ProgressShown{false});
    for (const auto& s : rig.log.All<Status>())
        EXPECT_NE(s.text, "下载参数完成.开始刷新参数......");
}

TEST(SessionOnSim, AnExportThatMissedAnswersLeavesTheOldFile) {
    Rig rig(Module(0, 0, With(&sim::FaultConfig::silence, true)));
    TempDir dir;
    const auto path = dir.path / "tmx7peizhi.tm7";
    std::ofstream(path) << "[TMX7参数表]\r\nkeep=1\r\n";
    const Outcome out = rig.Run([&](Session& s) { return s.Export(path.string()); });
    EXPECT_EQ(out.kind, OutcomeKind::AnswersMissing);
    std::ifstream in(path);
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "[TMX7参数表]\r\nkeep=1\r\n");
    EXPECT_EQ(rig.session->Shown().StatusText(StatusSlot::Activity).rfind("参数未导出", 0), 0u);
}

// ---- the decoder ---------------------------------------------------------------------

TEST(DecoderOnSim, EchoedTestDataShowsInOrderAndChangesNothingAndTheLogKeepsEveryPacket) {
    Rig rig; // active: the module echoes data
    TempDir dir;
    const std::string logPath = (dir.path / "traffic.log").string();
    ASSERT_TRUE(rig.session->StartTrafficLog(logPath));
    ASSERT_TRUE(rig.Run([](Session& s) { return s.Read(); }).ok());
    // Looks like a group answer, but lacks the preamble.
    const std::vector<std::uint8_t> data = {0x8F, 0xE7, 0x03, 0x42, 0x01, 0x02};
    rig.session->ClearReceived();
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(rig.session->SendData(data), WriteStatus::Queued);
        std::this_thread::sleep_for(60ms);
    }
    const std::string expected = "8F E7 03 42 01 02 8F E7 03 42 01 02 8F E7 03 42 01 02 "
                                 "8F E7 03 42 01 02 8F E7 03 42 01 02 ";
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (rig.session->Shown().ReceivedText().size() < expected.size() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(rig.session->Shown().ReceivedText(), expected);
    EXPECT_EQ(rig.Shown(Field::Group), "00");

    // Every frame out and packet in, in the order the line saw them, from
    // the refresh's first query to the echoes after the area was cleared.
    rig.session->StopTrafficLog();
    std::ifstream in(logPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), rig.log.All<Traffic>().size());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().substr(14), " 发→ 1F 2F 3F 4F 5F 6F 7F 8F EC 03");
    // Nine queries, five data frames; the echoes, however they were cut into
    // packets, come after the first data frame and hold all five.
    std::vector<std::string> sent;
    std::string echoed;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].substr(14, 7) == " 发→")
            sent.push_back(lines[i].substr(21));
        else if (!sent.empty() && sent.back() == " 8F E7 03 42 01 02")
            echoed += lines[i].substr(21);
        if (i > 0) {
            EXPECT_LE(lines[i - 1].substr(0, 14), lines[i].substr(0, 14)) << "time order " << i;
        }
    }
    ASSERT_EQ(sent.size(), 14u);
    for (std::size_t i = 9; i < 14; ++i)
        EXPECT_EQ(sent[i], " 8F E7 03 42 01 02");
    EXPECT_EQ(echoed, " 8F E7 03 42 01 02 8F E7 03 42 01 02 8F E7 03 42 01 02 8F E7 03 42 01 02"
                      " 8F E7 03 42 01 02");
}

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

namespace {

// Re-points `link` at `target` in one step, as udev replaces a link.
void PointLink(const std::filesystem::path& link, const std::string& target) {
    const auto temp = link.string() + ".new";
    std::filesystem::remove(temp);
    std::filesystem::create_symlink(target, temp);
    std::filesystem::rename(temp, link);
}

template <class T>
std::optional<T> WaitForEvent(const EventLog& log, std::chrono::seconds limit,
                              const std::function<bool(const T&)>& match) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        for (const T& e : log.All<T>())
            if (match(e))
                return e;
        std::this_thread::sleep_for(2ms);
    }
    return std::nullopt;
}

} // namespace

// The adapter is pulled in the middle of some work and comes back on the same
// path as another pty (its first try perhaps held by another program, as a
// modem prober holds a new port for a few seconds).
TEST(SessionOnSim, APulledAdapterIsSaidAtOnceAndReconnectedAndRefreshedWhenItReturns) {
    const auto sequence = [](std::function<bool(Session&)> start) {
        return [start](Session& s) -> std::optional<Outcome> {
            if (!start(s))
                return Outcome{OutcomeKind::Failed, {}, "not started"};
            return s.WaitIdle(30s);
        };
    };
    ParamSet defaults;
    ImportIntoParams(defaults, ImportParamFile("/nonexistent/tmx7peizhi.tm7"));
    const struct {
        const char* name;
        std::size_t hangUpAfter;
        // Starts the work that the hang-up cuts short; its outcome, if any.
        std::function<std::optional<Outcome>(Session&)> work;
        bool heldOnReturn = false;
    } cases[] = {
        {"refresh", 3, sequence([](Session& s) { return s.Refresh(); })},
        {"download", 4, sequence([&](Session& s) { return s.Download(defaults); })},
        {"data send", 3,
         [](Session& s) -> std::optional<Outcome> {
             for (int i = 0; i < 200; ++i) {
                 if (s.SendData(std::vector<std::uint8_t>{0x41, 0x42}) == WriteStatus::PortLost)
                     return std::nullopt;
                 std::this_thread::sleep_for(30ms);
             }
             return Outcome{OutcomeKind::Failed, {}, "the sends never met the loss"};
         }},
        {"refresh, held on return", 3, sequence([](Session& s) { return s.Refresh(); }), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const auto link = folder.path / "ttyUSB0";
        sim::Simulator first(
            Module(0, 0, With(&sim::FaultConfig::hangUpAfterFrames, c.hangUpAfter)));
        ASSERT_TRUE(first.Start());
        // The module that comes back, made before the first goes, so its pty
        // cannot take the freed number: only the re-pointed link brings it.
        sim::SimulatorOptions back = Module();
        back.state.version = {'T', 'M', 'X', '7', 'V', '2'};
        sim::Simulator second(back);
        ASSERT_TRUE(second.Start());
        std::filesystem::create_symlink(first.SlavePath(), link);
        PortDirectory dir{IsolatedDirectory()};
        dir.Map(Rig::kPort, link.string());
        FastClock clock;
        EventLog log;
        Session session(log, clock, dir);
        session.SetAutoReconnect(true);
        session.SetLink({Rig::kPort, 57600, "n,8,1"});
        ASSERT_EQ(session.Ports().Open(Rig::kPort, 57600, "n,8,1"), 1);

        const auto outcome = c.work(session);
        if (outcome) {
            EXPECT_EQ(outcome->kind, OutcomeKind::PortLost) << ToString(*outcome);
        }
        // The port's thread tells the loss while the work may already have
        // ended on a write the port refused.
        const auto lost = WaitForEvent<PortLost>(log, 1s, [](const auto&) { return true; });
        ASSERT_TRUE(lost) << "the loss was never told";
        EXPECT_EQ(lost->port, Rig::kPort);
        EXPECT_EQ(log.All<PortLost>().size(), 1u);
        EXPECT_EQ(session.Shown().StatusText(StatusSlot::Connection),
                  "端口COM6已断开，等待重新连接......");
        EXPECT_TRUE(log.All<Reconnected>().empty());

        std::optional<tmx7::testing::LockHolder> holder;
        if (c.heldOnReturn)
            holder.emplace(second.SlavePath());
        const auto returned = std::chrono::steady_clock::now();
        PointLink(link, second.SlavePath());
        if (holder) {
            const std::string refused = "端口COM6重新连接失败：" + link.string() +
                                        "已被其他程序占用：flock（PID " +
                                        std::to_string(holder->pid()) + "）";
            const auto end = returned + 5s;
            while (session.Shown().StatusText(StatusSlot::Connection) != refused &&
                   std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(5ms);
            EXPECT_EQ(session.Shown().StatusText(StatusSlot::Connection), refused);
            EXPECT_TRUE(log.All<Reconnected>().empty());
            // No sign comes when the lock goes; the next look finds the port free.
            holder->release();
        }
        const auto reconnected =
            WaitForEvent<Reconnected>(log, 5s, [](const auto&) { return true; });
        ASSERT_TRUE(reconnected) << "never reconnected";
        if (!holder) {
            EXPECT_LT(std::chrono::steady_clock::now() - returned, 1s);
        }
        EXPECT_EQ(*reconnected, (Reconnected{Rig::kPort, 57600, "n,8,1", link.string()}));
        // (A try the lock refused ends its own reconnect, failed.)
        const auto done = WaitForEvent<SequenceFinished>(log, 10s, [](const auto& f) {
            return f.kind == SequenceKind::Reconnect && f.outcome.ok();
        });
        ASSERT_TRUE(done) << "no reconnect succeeded";
        EXPECT_EQ(session.Shown().Value(Field::Version), "TMX7V2")
            << "refreshed from the new module";
        EXPECT_EQ(session.Shown().StatusText(StatusSlot::Connection),
                  "端口COM6已重新连接,上位机串口格式为57600,n,8,1");
        EXPECT_EQ(session.SendData(std::vector<std::uint8_t>{0x43}), WriteStatus::Queued);
        EXPECT_EQ(second.MalformedCount(), 0u);
    }
}
