#include "protocol/Refresh.h"

#include "protocol/Catalogue.h"
#include "protocol/Frames.h"

#include <cstdio>

namespace tmx7 {

const RefreshStep kRefreshSteps[9] = {
    {CommandCode::Version, 25},      {CommandCode::AirRate, 50},     {CommandCode::SerialBaud, 75},
    {CommandCode::SerialFormat, 85}, {CommandCode::TxPower, 100},    {CommandCode::Frequency, 125},
    {CommandCode::Group, 135},       {CommandCode::SerialMode, 145}, {CommandCode::PowerMode, 170},
};

namespace {

// The value fields in the order the display is blanked.
constexpr int kBlankOrder[] = {1038, 1039, 1043, 1044, 1045, 1046, 1047, 1048, 1049,
                               1080, 1050, 1051, 1052, 1053, 1056, 1057, 1058};
constexpr int kProgressBar = 1099;
constexpr int kReceiveArea = 1000;

} // namespace

Millis RefreshDuration(int hostBaud) {
    return Millis(2000) + 9 * PauseAfterQueryMs(hostBaud) + Millis(500) + Millis(600);
}

bool RefreshParameters(const RefreshContext& ctx) {
    auto wait = [&](Millis d) { return ctx.clock.sleepFor(d, ctx.stop); };
    auto emit = [&](std::vector<ViewUpdate> updates) { ctx.sink.Apply(std::move(updates)); };
    auto query = [&](CommandCode code) {
        const auto frame = MakeQueryFrame(code);
        ctx.shared.Await(code);
        (void)ctx.table.Write(ctx.comPort, frame);
        return PauseAfterQuery(ctx.clock, ctx.baud, ctx.stop);
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

    std::vector<ViewUpdate> blank;
    for (int id : kBlankOrder)
        blank.push_back(SetText{id, kUnknownValue});
    blank.push_back(DeleteTab{1});
    blank.push_back(DeleteTab{1});
    emit(std::move(blank));

    ctx.table.TakeOldest(ctx.comPort);
    if (!wait(Millis(1000)))
        return false;
    emit({SetPane{1, "准备"}});
    ctx.table.TakeOldest(ctx.comPort);
    if (!wait(Millis(1000)))
        return false;

    const std::uint64_t epoch = ctx.shared.BeginNewReceiveEpoch();
    emit({ShowControl{kProgressBar, true}, SetProgress{1}, ClearReceived{epoch},
          SetText{kReceiveArea, ""}});

    for (int i = 0; i < 8; ++i) {
        if (!query(kRefreshSteps[i].code))
            return false;
        emit({SetProgress{kRefreshSteps[i].progressAfter}});
    }
    if (!wait(Millis(500)))
        return false;
    emit({SetProgress{180}});
    if (!query(kRefreshSteps[8].code))
        return false;
    emit({SetProgress{kRefreshSteps[8].progressAfter}, SetPane{1, "刷新参数完成."},
          ShowControl{kProgressBar, false}});

    for (int pos : {190, 210, 230}) {
        if (!wait(Millis(200)))
            return false;
        emit({SetProgress{pos}});
    }

    char port[16];
    std::snprintf(port, sizeof port, "COM%d", ctx.comPort);
    ctx.shared.With([&](DecoderState& s) {
        s.params.portName = port;
        return 0;
    });
    emit({SelectTab{0}});
    return true;
}

} // namespace tmx7
