// Packets decoded per second on a mix recorded from a refresh, the follow-up
// queries of a power-saving passive module, echoed queries and test data of
// the standard sizes (20, 48, 192 bytes and a full 524-byte packet). The
// decoder must keep far ahead of the line: at 57600 baud with the smallest
// silence gap a port delivers well under 1000 packets per second.
#include "protocol/Decoder.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Answer(tmx7::CommandCode code, std::initializer_list<std::uint8_t> value) {
    Bytes out;
    for (std::uint8_t b : tmx7::AnswerHeader(code))
        out.push_back(b);
    for (std::uint8_t b : value)
        out.push_back(b);
    return out;
}

std::vector<Bytes> RecordedMix() {
    using namespace tmx7;
    std::vector<Bytes> mix = {
        Answer(CmdVersion, {'T', 'M', 'X', '7', '0', '1'}),
        Answer(CmdAirRate, {0x06}),
        Answer(CmdSerialBaud, {0x06}),
        Answer(CmdSerialFormat, {0x00}),
        Answer(CmdTxPower, {0x07}),
        Answer(CmdFrequency, {0, 0, 0x08, 0, 0, 0}),
        Answer(CmdGroup, {0x05}),
        Answer(CmdSerialMode, {0x01}),
        Answer(CmdPowerMode, {0x01}),
        Answer(CmdPassiveAddr, {0x30, 0x30}),
        Answer(CmdWakeDelay, {0x00, 0x01}),
        Answer(CmdSaveAddr, {0x00, 0x00}),
        Answer(CmdSleepPeriod, {0x01}),
        Answer(CmdAddrParams, {0x01, 0x02, 0x03, 0x01}),
    };
    // An echoed query followed by its answer, and a burst of answers.
    const auto query = tmx7::MakeQueryFrame(CmdGroup);
    Bytes echo(query.begin(), query.end());
    const Bytes group = Answer(CmdGroup, {0x05});
    echo.insert(echo.end(), group.begin(), group.end());
    mix.push_back(echo);
    Bytes burst;
    for (std::size_t i = 0; i < 9; ++i)
        burst.insert(burst.end(), mix[i].begin(), mix[i].end());
    mix.push_back(burst);
    // Test data: the module echoes what the user sends.
    std::mt19937 rng(7);
    for (std::size_t size : {20u, 48u, 192u, 524u, 20u, 48u, 192u, 524u}) {
        Bytes data(size);
        for (auto& b : data)
            b = static_cast<std::uint8_t>(rng());
        mix.push_back(data);
    }
    return mix;
}

void BM_DecodeRecordedMix(benchmark::State& bench) {
    const std::vector<Bytes> mix = RecordedMix();
    tmx7::DecoderState state;
    std::vector<tmx7::Event> updates;
    std::vector<tmx7::CommandCode> followUps;
    std::int64_t packets = 0;
    for (auto _ : bench) {
        for (const Bytes& p : mix) {
            updates.clear();
            followUps.clear();
            tmx7::DecodePacketInto(p.data(), p.size(), state, updates, followUps);
            benchmark::DoNotOptimize(updates.data());
        }
        packets += static_cast<std::int64_t>(mix.size());
        // The refresh clears the page flags between rounds.
        state.saveTab = state.passiveTab = false;
    }
    bench.SetItemsProcessed(packets);
}
BENCHMARK(BM_DecodeRecordedMix);

// The pure form the decoder thread calls: copies the state in and out.
void BM_DecodePacketPure(benchmark::State& bench) {
    const std::vector<Bytes> mix = RecordedMix();
    tmx7::DecoderState state;
    std::int64_t packets = 0;
    for (auto _ : bench) {
        for (const Bytes& p : mix) {
            tmx7::DecodeResult r = tmx7::DecodePacket(p.data(), p.size(), state);
            state = std::move(r.state);
            benchmark::DoNotOptimize(r.events.data());
        }
        packets += static_cast<std::int64_t>(mix.size());
    }
    bench.SetItemsProcessed(packets);
}
BENCHMARK(BM_DecodePacketPure);

} // namespace

BENCHMARK_MAIN();
