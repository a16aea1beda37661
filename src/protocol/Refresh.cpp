#include "protocol/Refresh.h"

#include "protocol/Fields.h"
#include "protocol/Frames.h"

#include <cstdio>

namespace tmx7 {

const RefreshStep kRefreshSteps[9] = {
    {CommandCode::Version, 25},      {CommandCode::AirRate, 50},     {CommandCode::SerialBaud, 75},
    {CommandCode::SerialFormat, 85}, {CommandCode::TxPower, 100},    {CommandCode::Frequency, 125},
    {CommandCode::Group, 135},       {CommandCode::SerialMode, 145}, {CommandCode::PowerMode, 170},
};

Outcome RefreshParameters(const RefreshContext& ctx) {
    Outcome outcome;
    auto wait = [&](Millis d) { return ctx.clock.sleepFor(d, ctx.stop); };
    auto post = [&](std::vector<Event> events) { ctx.sink.Post(std::move(events)); };
    auto query = [&](CommandCode code) {
        ctx.shared.Await(code);
        const WriteStatus status = ctx.table.Write(ctx.comPort, MakeQueryFrame(code));
        if (status != WriteStatus::Queued) {
            post({WriteFailed{ctx.comPort, status, code}});
            if (status != WriteStatus::Refused) {
                outcome.kind = OutcomeKind::PortLost;
                return false;
            }
            outcome.kind = OutcomeKind::WriteRefused;
        }
        return PauseAfterQuery(ctx.clock, ctx.baud, ctx.stop);
    };
    auto ended = [&] {
        if (outcome.kind != OutcomeKind::PortLost)
            outcome.kind = OutcomeKind::Stopped;
        post({ProgressShown{false}});
        return outcome;
    };

    // A refresh starts from a clean slate: no extra pages, and the serial
    // format halves forgotten, so a stray packet afterwards cannot show (or
    // export) the previous module's settings as if they had just been read.
    ctx.shared.With([](DecoderState& s) {
        s.passiveTab = false;
        s.saveTab = false;
        ResetSerialHalves(s);
        return 0;
    });
    ctx.shared.ClearAwaited();

    std::vector<Event> blank;
    for (Field f : BlankOrder())
        blank.push_back(ValueShown{f, kUnknownValue});
    blank.push_back(PageShown{Page::PowerSaving, false});
    blank.push_back(PageShown{Page::Passive, false});
    post(std::move(blank));

    ctx.table.TakeOldest(ctx.comPort);
    if (!wait(Millis(1000)))
        return ended();
    post({Status{StatusSlot::Activity, "准备"}});
    ctx.table.TakeOldest(ctx.comPort);
    if (!wait(Millis(1000)))
        return ended();

    const std::uint64_t epoch = ctx.shared.BeginNewReceiveEpoch();
    post({ProgressShown{true}, Progress{1}, ReceiveCleared{epoch}});

    for (int i = 0; i < 8; ++i) {
        if (!query(kRefreshSteps[i].code))
            return ended();
        post({Progress{kRefreshSteps[i].progressAfter}});
    }
    if (!wait(Millis(500)))
        return ended();
    post({Progress{180}});
    if (!query(kRefreshSteps[8].code))
        return ended();
    post({Progress{kRefreshSteps[8].progressAfter}, Status{StatusSlot::Activity, "刷新参数完成."},
          ProgressShown{false}});

    for (int pos : {190, 210, 230}) {
        if (!wait(Millis(200)))
            return ended();
        post({Progress{pos}});
    }

    char port[16];
    std::snprintf(port, sizeof port, "COM%d", ctx.comPort);
    ctx.shared.With([&](DecoderState& s) {
        s.params.portName = port;
        return 0;
    });
    post({PageSelected{Page::General}});
    return outcome;
}

} // namespace tmx7
