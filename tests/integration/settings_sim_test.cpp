// Set commands, production functions and the download against the simulated
// module over a pty: the module must hold exactly what was set, and it must
// never see a malformed frame.

#include "link/PortTable.h"
#include "protocol/Decoder.h"
#include "protocol/ParamFile.h"
#include "settings/DialogModels.h"
#include "settings/Download.h"
#include "settings/ParamTransfer.h"
#include "settings/Production.h"
#include "settings/SetCommands.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

using namespace tmx7;
using namespace tmx7::sim;
using namespace std::chrono_literals;

namespace {

// Virtual time for the long waits, with a short real pause at each one so
// that frames reach the module as separate bursts and in order.
class CompressedClock : public VirtualClock {
public:
    bool sleepFor(Millis d, StopSignal* stop = nullptr) override {
        RealClock().sleepFor(std::min(d, Millis(40)), stop);
        return VirtualClock::sleepFor(d, stop);
    }
};

struct Module {
    explicit Module(ModuleState state = {}) {
        SimulatorOptions o;
        o.state = std::move(state);
        o.pace = false;
        sim = std::make_unique<Simulator>(o);
    }
    std::unique_ptr<Simulator> sim;
};

class SettingsOnSim : public ::testing::Test {
protected:
    SettingsOnSim() {
        PortDirectory::Options o;
        o.sysfsTtyRoot = "/nonexistent/tty";
        o.getenv = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
        directory = std::make_unique<PortDirectory>(o);
        table = std::make_unique<CPortTable>(*directory);
    }

    // Starts a module and opens it as COM<port> at its own line settings.
    Simulator& Attach(int port, ModuleState state = {}) {
        auto& m = modules.emplace_back(std::make_unique<Module>(std::move(state)));
        EXPECT_TRUE(m->sim->Start()) << m->sim->LastError();
        directory->Map(port, m->sim->SlavePath());
        EXPECT_EQ(table->Open(port, 9600, "n,8,1"), 1);
        return *m->sim;
    }

    // Takes packets until one decodes into a text for `controlId`.
    std::optional<std::string> AwaitDisplay(int port, int controlId, Millis limit = 2000ms) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            auto packet = table->TakeOldest(port);
            if (!packet) {
                std::this_thread::sleep_for(2ms);
                continue;
            }
            std::vector<ViewUpdate> updates;
            std::vector<CommandCode> followUps;
            DecodePacketInto(packet->data(), packet->size(), decoder, updates, followUps);
            for (const auto& u : updates)
                if (const auto* t = std::get_if<SetText>(&u); t && t->controlId == controlId)
                    return t->text;
        }
        return std::nullopt;
    }

    // Reads every parameter of the module on `port` into a display map the
    // way the window shows them.
    std::map<int, std::string> ReadDisplay(int port) {
        std::map<int, std::string> display;
        decoder = {};
        for (const auto& row : kCommands) {
            if (!IsQueryable(row.code))
                continue;
            const QueryFrame q = MakeQueryFrame(row.code);
            (void)table->Write(port, q);
            const auto end = std::chrono::steady_clock::now() + 2000ms;
            bool answered = false;
            while (!answered && std::chrono::steady_clock::now() < end) {
                auto packet = table->TakeOldest(port);
                if (!packet) {
                    std::this_thread::sleep_for(2ms);
                    continue;
                }
                std::vector<ViewUpdate> updates;
                std::vector<CommandCode> followUps;
                DecodePacketInto(packet->data(), packet->size(), decoder, updates, followUps);
                for (const auto& u : updates)
                    if (const auto* t = std::get_if<SetText>(&u)) {
                        display[t->controlId] = t->text;
                        answered = true;
                    }
            }
            EXPECT_TRUE(answered) << row.name;
        }
        return display;
    }

    std::unique_ptr<PortDirectory> directory;
    std::unique_ptr<CPortTable> table;
    std::vector<std::unique_ptr<Module>> modules;
    DecoderState decoder;
    CompressedClock clock;
    RecordingSink sink;
};

struct SetCase {
    const char* name;
    std::function<SetPlan()> plan;
    std::function<bool(const ModuleState&)> holds;
    int controlId;
    const char* shown;
};

TEST_F(SettingsOnSim, EachSetCommandChangesTheModuleExactly) {
    Simulator& sim = Attach(21);
    const SetCase cases[] = {
        {"passive mode", [] { return PlanModeCommand(MenuCommand::PassiveMode); },
         [](const ModuleState& s) { return s.serialMode == 1; }, 1043, "被动模式"},
        {"modbus via dialog", [] { return PlanSerialMode(ChoiceOf(kSerialModeButtons, 1023)); },
         [](const ModuleState& s) { return s.serialMode == 2; }, 1043, "MODBUS"},
        {"power saving", [] { return PlanPowerMode(2); },
         [](const ModuleState& s) { return s.powerMode == 1; }, 1044, "省电模式"},
        {"frequency 17", [] { return PlanSetFrequency(ChoiceOf(kFrequencyButtons, 1051)); },
         [](const ModuleState& s) { return s.channel == 0x10; }, 1038, "435.000MHz"},
        {"sleep 500",
         [] {
             SleepPeriodModel m;
             for (int i = 0; i < 249; ++i)
                 m.Scroll().Apply(ScrollRequest::LineUp);
             EXPECT_FALSE(m.Ok());
             return PlanSetSleepPeriod(m.Choice(), m.Value());
         },
         [](const ModuleState& s) { return s.sleepPeriodHalf == 0xFA; }, 1045, "500"},
        {"save address 123", [] { return PlanSetSaveAddress(CheckSaveAddr("123").value); },
         [](const ModuleState& s) {
             return s.saveAddr == std::array<std::uint8_t, 2>{0x01, 0x23};
         },
         1053, "01 23"},
        {"wake delay 4369 steps",
         [] {
             WakeDelayModel m;
             m.Scroll().position = 4369;
             return PlanSetWakeDelay(m.Count());
         },
         [](const ModuleState& s) {
             return s.wakeDelay == std::array<std::uint8_t, 2>{0x11, 0x11};
         },
         1046, "1310.7"},
        {"passive address 1A",
         [] {
             PassiveAddrModel m;
             for (int i = 0; i < 0x1A; ++i)
                 m.Scroll().Apply(ScrollRequest::LineUp);
             return PlanSetPassiveAddress(m.Text());
         },
         [](const ModuleState& s) {
             return s.passiveAddr == std::array<std::uint8_t, 2>{0x31, 0x41};
         },
         1052, "31 41"},
        {"group 7", [] { return PlanSetGroup(CheckGroup("7").value); },
         [](const ModuleState& s) { return s.group == 0x07; }, 1080, "07"},
        {"power 3", [] { return PlanSetWireless(2, 3, 0); },
         [](const ModuleState& s) { return s.txPower == 3; }, 1058, "3"},
        {"air rate 57600", [] { return PlanSetWireless(3, 0, 6); },
         [](const ModuleState& s) { return s.airRate == 0x09; }, 1049, "57600bps"},
    };
    std::size_t malformed = 0;
    for (const auto& c : cases) {
        sim.ClearAudit();
        const auto r = RunSetPlan(c.plan(), *table, 21, clock, sink);
        EXPECT_TRUE(r.written) << c.name;
        EXPECT_TRUE(r.refresh) << c.name;
        ASSERT_TRUE(sim.WaitForFrames(1, 2000ms)) << c.name;
        // The module's reply carries the value it now holds.
        EXPECT_EQ(AwaitDisplay(21, c.controlId), std::optional<std::string>(c.shown)) << c.name;
        EXPECT_TRUE(c.holds(sim.State())) << c.name;
        const auto frames = sim.Frames();
        ASSERT_EQ(frames.size(), 1u) << c.name;
        EXPECT_FALSE(frames[0].valueRejected) << c.name;
        malformed += sim.MalformedCount();
    }
    EXPECT_EQ(malformed, 0u);
}

TEST_F(SettingsOnSim, SerialFormatChangeReachesTheModuleAndAdvisesRestart) {
    Simulator& sim = Attach(22);
    const auto choice = SerialFormatConfirm(kSerialFormatOkLeft, 1); // n.8.2
    const auto r =
        RunSetPlan(PlanSetSerialFormat(choice.result, choice.index), *table, 22, clock, sink);
    EXPECT_TRUE(r.restartAdvice);
    EXPECT_FALSE(r.refresh);
    ASSERT_TRUE(sim.WaitForFrames(1, 2000ms));
    EXPECT_EQ(sim.State().serialFormat, 0x02);

    // No row selected: nothing reaches the module.
    sim.ClearAudit();
    const auto none = SerialFormatConfirm(kSerialFormatOkRight, -1);
    const auto r2 =
        RunSetPlan(PlanSetSerialFormat(none.result, none.index), *table, 22, clock, sink);
    EXPECT_FALSE(r2.written);
    EXPECT_FALSE(r2.restartAdvice);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(sim.FrameCount(), 0u);
    EXPECT_EQ(sim.MalformedCount(), 0u);
}

TEST_F(SettingsOnSim, ProductionFunctions) {
    Simulator& sim = Attach(23);
    CProductionMode production;
    ASSERT_TRUE(production.Transmit0101(*table, 23, sink));
    ASSERT_TRUE(sim.WaitForFrames(1, 2000ms));
    EXPECT_TRUE(sim.State().transmitting0101);
    EXPECT_TRUE(production.IndicatorShown());
    EXPECT_EQ(sink.Updates().back(), ViewUpdate(ShowControl{1137, true}));

    ASSERT_TRUE(production.StopTransmit0101(*table, 23, sink));
    ASSERT_TRUE(sim.WaitForFrames(2, 2000ms));
    EXPECT_FALSE(sim.State().transmitting0101);
    EXPECT_FALSE(production.IndicatorShown());

    EXPECT_TRUE(production.Calibrate(*table, 23, "12", "34").written);
    ASSERT_TRUE(sim.WaitForFrames(3, 2000ms));
    EXPECT_EQ(sim.State().freqCalibration, (std::array<std::uint8_t, 2>{0x12, 0x34}));
    EXPECT_TRUE(production.Calibrate(*table, 23, "1G", "34").message);

    EXPECT_TRUE(production.SignalStrength(*table, 23));
    ASSERT_TRUE(sim.WaitForFrames(4, 2000ms));
    EXPECT_EQ(sim.FrameCount(), 4u); // the refused calibration sent nothing
    EXPECT_EQ(sim.MalformedCount(), 0u);

    // A port that hung up: the write fails and the indicator stays as it was.
    sim.HangUp();
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (table->IsOpen(23) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(production.Transmit0101(*table, 23, sink));
    EXPECT_FALSE(production.IndicatorShown());
}

ModuleState Configured() {
    ModuleState s;
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
    return s;
}

// The fields a download carries.
void ExpectSameDownloadable(const ModuleState& a, const ModuleState& b) {
    EXPECT_EQ(a.airRate, b.airRate);
    EXPECT_EQ(a.txPower, b.txPower);
    EXPECT_EQ(a.channel, b.channel);
    EXPECT_EQ(a.group, b.group);
    EXPECT_EQ(a.serialMode, b.serialMode);
    EXPECT_EQ(a.passiveAddr, b.passiveAddr);
    EXPECT_EQ(a.powerMode, b.powerMode);
    EXPECT_EQ(a.sleepPeriodHalf, b.sleepPeriodHalf);
    EXPECT_EQ(a.saveAddr, b.saveAddr);
    EXPECT_EQ(a.wakeDelay, b.wakeDelay);
}

TEST_F(SettingsOnSim, ExportImportDownloadCopiesOneModuleIntoAnother) {
    Simulator& first = Attach(24, Configured());
    Simulator& second = Attach(25);

    const auto display = ReadDisplay(24);
    ParamSet shown;
    shown.portName = "COM24";
    shown = ParamsFromDisplay(
        [&](int id) {
            auto it = display.find(id);
            return it == display.end() ? std::string(kUnknownValue) : it->second;
        },
        shown);
    const auto dir =
        std::filesystem::temp_directory_path() / ("tmx7_settings_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "tmx7peizhi.tm7").string();
    ASSERT_TRUE(ExportParamFile(shown, path).status);

    ParamSet params; // the window's set, as it stands before the import
    params.version = "old";
    const std::string status = ImportIntoParams(params, ImportParamFile(path));
    EXPECT_NE(status.find(path.substr(path.size() - 14)), std::string::npos);
    EXPECT_TRUE(params.version.empty());

    const DownloadPlan plan = BuildDownload(params);
    EXPECT_EQ(TotalPause(plan), 30000ms); // every value present, passive mode
    EXPECT_TRUE(RunDownload(plan, *table, 25, clock, sink));
    EXPECT_EQ(clock.totalSlept(), 30000ms);
    ASSERT_TRUE(second.WaitForFrames(DownloadFrames(plan).size(), 3000ms));
    ExpectSameDownloadable(second.State(), first.State());
    EXPECT_EQ(first.MalformedCount(), 0u);
    EXPECT_EQ(second.MalformedCount(), 0u);
    for (const auto& f : second.Frames())
        EXPECT_FALSE(f.valueRejected);
    std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove_all(dir);
}

TEST_F(SettingsOnSim, AnswersDuringTheDownloadDoNotChangeItsFrames) {
    // The module starts different from the set, and answers every set with
    // the value it now holds; a decoder keeps rewriting the live set from
    // those answers while the download runs.
    Simulator& sim = Attach(26, Configured());
    ParamSet live;
    live.group = "1";
    live.powerMode = "普通模式";
    live.serialMode = "主动模式";
    live.passiveAddr = "30 30";
    live.saveAddr = "00 00";
    live.sleepPeriod = "4";
    live.wakeDelay = "0.6";
    live.frequency = "433.000MHz";
    live.airRate = "9600bps";
    live.powerLevel = 5;

    std::mutex mutex;
    DecoderState state;
    state.params = live;
    const DownloadPlan plan = BuildDownload(live); // the snapshot
    std::atomic<bool> done{false};
    std::atomic<int> decodedTexts{0};
    std::thread decoderThread([&] {
        while (!done.load()) {
            auto packet = table->TakeOldest(26);
            if (!packet) {
                std::this_thread::sleep_for(2ms);
                continue;
            }
            std::lock_guard lock(mutex);
            std::vector<ViewUpdate> updates;
            std::vector<CommandCode> followUps;
            DecodePacketInto(packet->data(), packet->size(), state, updates, followUps);
            for (const auto& u : updates)
                decodedTexts += std::holds_alternative<SetText>(u);
        }
    });
    EXPECT_TRUE(RunDownload(plan, *table, 26, clock, sink));
    const auto expected = DownloadFrames(plan);
    ASSERT_TRUE(sim.WaitForFrames(expected.size(), 3000ms));
    std::this_thread::sleep_for(100ms);
    done = true;
    decoderThread.join();

    std::vector<Frame> received;
    for (const auto& f : sim.Frames())
        received.push_back(f.bytes);
    EXPECT_EQ(received, expected);
    EXPECT_GT(decodedTexts.load(), 0);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(state.params.group, "01"); // the live set did change under it
    }
    EXPECT_EQ(sim.State().group, 0x01);
    EXPECT_EQ(sim.State().txPower, 5);
    EXPECT_EQ(sim.MalformedCount(), 0u);
}

} // namespace
