#include "settings/Download.h"

#include "protocol/Catalogue.h"
#include "settings/SetCommands.h"

#include <array>

namespace tmx7 {

namespace {

constexpr Millis kShortPause{1000};
constexpr Millis kLongPause{2000};

struct Builder {
    DownloadPlan plan;

    void Step(std::optional<Frame> frame, Millis pause, int progress) {
        if (frame)
            plan.steps.push_back({std::move(*frame), pause, progress});
        else
            plan.steps.push_back({{}, Millis(0), progress});
    }

    // Frequency, air rate and power change the radio part; the module is
    // given four or three two-second pauses, the bar moving after each.
    void Stretched(std::optional<Frame> frame, std::span<const int> positions) {
        if (!frame)
            return; // neither pauses nor progress: the bar stays where it was
        for (std::size_t i = 0; i < positions.size(); ++i)
            plan.steps.push_back({i == 0 ? std::move(*frame) : Frame{}, kLongPause, positions[i]});
    }
};

} // namespace

std::optional<int> WakeDelayCountFromText(std::string_view decimal) {
    const auto t = ParseDecimalTenths(decimal);
    // floor(floor(10v) / 3) == floor(10v / 3): the count of whole 0.3 s steps.
    if (!t || t->tenths / 3 > 0xFFFF)
        return std::nullopt;
    return static_cast<int>(t->tenths / 3);
}

DownloadPlan BuildDownload(const ParamSet& p) {
    Builder b;
    b.Step(std::nullopt, Millis(0), 1);

    b.Step(MakeGroupSet(p.group), kShortPause, 10);

    const auto powerMode = CodeForText(kPowerModeTexts, p.powerMode);
    b.Step(powerMode ? MakePowerModeSet(*powerMode) : std::nullopt, kShortPause, 20);

    const auto serialMode = CodeForText(kSerialModeTexts, p.serialMode);
    b.Step(serialMode ? MakeSerialModeSet(*serialMode) : std::nullopt, kShortPause, -1);
    // The passive address matters only to a passive module; the module needs
    // longer to take it.
    if (serialMode == 1)
        b.Step(MakePassiveAddrSetFromPairs(p.passiveAddr), kLongPause, -1);
    b.Step(std::nullopt, Millis(0), 30);

    b.Step(MakeSaveAddrSetFromPairs(p.saveAddr), kShortPause, 70);
    b.Step(MakeSleepPeriodSetFromText(p.sleepPeriod), kShortPause, 90);

    const auto wakeCount = WakeDelayCountFromText(p.wakeDelay);
    b.Step(wakeCount ? MakeWakeDelaySet(*wakeCount) : std::nullopt, kShortPause, 110);

    static constexpr std::array<int, 4> kFrequencyPositions = {120, 130, 140, 145};
    static constexpr std::array<int, 4> kAirRatePositions = {150, 160, 170, 180};
    static constexpr std::array<int, 3> kPowerPositions = {200, 210, 230};

    const auto channel = CodeForText(kFrequencyTexts, p.frequency);
    b.Stretched(channel ? MakeFrequencySet(*channel) : std::nullopt, kFrequencyPositions);
    const auto rate = CodeForText(kAirRateTexts, p.airRate);
    b.Stretched(rate ? MakeAirRateSet(*rate) : std::nullopt, kAirRatePositions);
    // powerLevel comes from the import only; -1 ("not set") and any other
    // level outside 0..7 write nothing.
    b.Stretched(MakeTxPowerSet(p.powerLevel), kPowerPositions);
    return b.plan;
}

std::vector<Frame> DownloadFrames(const DownloadPlan& plan) {
    std::vector<Frame> out;
    for (const auto& s : plan.steps)
        if (!s.frame.empty())
            out.push_back(s.frame);
    return out;
}

Millis TotalPause(const DownloadPlan& plan) {
    Millis total{0};
    for (const auto& s : plan.steps)
        total += s.pause;
    return total;
}

Outcome RunDownload(const DownloadPlan& plan, CPortTable& table, int port, Clock& clock,
                    EventSink& sink, StopSignal* stop) {
    Outcome outcome;
    for (const auto& s : plan.steps)
        outcome.stepsTotal += s.frame.empty() ? 0 : 1;
    sink.Post({ProgressShown{true}});
    for (const auto& s : plan.steps) {
        if (!s.frame.empty()) {
            const WriteStatus status = table.Write(port, s.frame);
            if (status == WriteStatus::Queued) {
                ++outcome.stepsDone;
            } else {
                sink.Post({WriteFailed{port, status, static_cast<CommandCode>(s.frame[8])}});
                outcome.kind = status == WriteStatus::Refused ? OutcomeKind::WriteRefused
                                                              : OutcomeKind::PortLost;
                if (status != WriteStatus::Refused)
                    break;
            }
        }
        if (s.pause.count() > 0 && !clock.sleepFor(s.pause, stop)) {
            if (outcome.kind != OutcomeKind::PortLost)
                outcome.kind = OutcomeKind::Stopped;
            break;
        }
        if (s.progress >= 0)
            sink.Post({Progress{s.progress}});
    }
    std::vector<Event> end{ProgressShown{false}};
    if (outcome.kind == OutcomeKind::Completed || outcome.kind == OutcomeKind::WriteRefused)
        end.push_back(Status{StatusSlot::Activity, std::string(kDownloadDoneText)});
    sink.Post(std::move(end));
    return outcome;
}

} // namespace tmx7
