// The simulated module's protocol engine, driven without a pty. Frames are
// written out byte by byte here on purpose: the simulator must not share frame
// builders with the tool, or a shared mistake would cancel out.

#include "sim/ProtocolEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace tmx7;
using namespace tmx7::sim;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kPre = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F};

Bytes Cmd(std::initializer_list<std::uint8_t> tail) {
    Bytes b = kPre;
    b.insert(b.end(), tail);
    return b;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Harness {
    ProtocolEngine engine;
    TimePoint t = TimePoint{} + 1000s;
    HostLine host{9600, 1, false, std::nullopt};

    explicit Harness(ModuleState s = {}) : engine(std::move(s)) {}

    void Feed(const Bytes& b) { engine.Feed(b.data(), b.size(), t, host); }
    // Everything sent back within `wait` after the bytes went in, one entry per packet.
    std::vector<Bytes> Exchange(const Bytes& in, Millis wait = 50ms) {
        Feed(in);
        return Advance(wait);
    }
    std::vector<Bytes> Advance(Millis d) {
        t += d;
        std::vector<Bytes> out;
        for (auto& p : engine.TakeDue(t))
            out.push_back(std::move(p.bytes));
        return out;
    }
    AuditedFrame LastFrame() const { return engine.Audit().Frames().back(); }
};

TEST(SimQuery, EveryQueryableCodeAnswersWithItsValueBytes) {
    struct Row {
        std::uint8_t code;
        Bytes values;
    };
    const Row rows[] = {
        {0xEC, {'T', 'M', 'X', '7', 'V', '1'}},
        {0xFC, {0x06}},
        {0xF2, {0x06}},
        {0xAB, {0x00}},
        {0xFB, {0x07}},
        {0xFF, {0x00, 0x00, 0x08, 0x00, 0x00, 0x00}},
        {0xE7, {0x00}},
        {0xF8, {0x00}},
        {0xE2, {0x30, 0x30}},
        {0xA5, {0x00}},
        {0xA4, {0x01}},
        {0xA3, {0x00, 0x00}},
        {0xA1, {0x00, 0x01}},
        {0xE1, {0x01, 0x02, 0x10, 0x01}},
    };
    Harness h;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << int(row.code));
        const auto out = h.Exchange(Cmd({row.code, 0x03}));
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], Cat(Cmd({row.code, 0x03}), row.values));
        EXPECT_EQ(h.LastFrame().kind, FrameKind::Query);
    }
    EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
}

TEST(SimSet, StoresTheValueAndAnswersWithIt) {
    struct Row {
        std::uint8_t code;
        Bytes values;
        std::function<bool(const ModuleState&)> stored;
    };
    const Row rows[] = {
        {0xFC, {0x03}, [](auto& s) { return s.airRate == 0x03; }},
        {0xF2, {0x09}, [](auto& s) { return s.serialBaud == 0x09; }},
        {0xAB, {0x02}, [](auto& s) { return s.serialFormat == 0x02; }},
        {0xFB, {0x03}, [](auto& s) { return s.txPower == 0x03; }},
        {0xFF, {0x00, 0x00, 0x10, 0x00, 0x00, 0x00}, [](auto& s) { return s.channel == 0x10; }},
        {0xE7, {0xFF}, [](auto& s) { return s.group == 0xFF; }},
        {0xF8, {0x02}, [](auto& s) { return s.serialMode == 0x02; }},
        {0xE2,
         {0x31, 0x41},
         [](auto& s) {
             return s.passiveAddr == std::array<std::uint8_t, 2>{0x31, 0x41};
         }},
        {0xA5, {0x01}, [](auto& s) { return s.powerMode == 0x01; }},
        {0xA4, {0xFA}, [](auto& s) { return s.sleepPeriodHalf == 0xFA; }},
        {0xA3,
         {0x12, 0x34},
         [](auto& s) {
             return s.saveAddr == std::array<std::uint8_t, 2>{0x12, 0x34};
         }},
        {0xA1,
         {0xFF, 0xFF},
         [](auto& s) {
             return s.wakeDelay == std::array<std::uint8_t, 2>{0xFF, 0xFF};
         }},
        {0xFA,
         {0x12, 0x34},
         [](auto& s) {
             return s.freqCalibration == std::array<std::uint8_t, 2>{0x12, 0x34};
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << int(row.code));
        Harness h;
        Bytes set = Cat(Cmd({row.code, 0x01}), row.values);
        const auto answer = Cat(Cmd({row.code, 0x03}), row.values);
        const auto out = h.Exchange(set);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], answer);
        EXPECT_TRUE(row.stored(h.engine.State()));
        EXPECT_EQ(h.LastFrame().kind, FrameKind::Set);
        EXPECT_FALSE(h.LastFrame().valueRejected);
        // Read back, at the module's possibly new line.
        h.host.baud = ModuleLine(h.engine.State()).baud;
        h.host.stopBits = ModuleLine(h.engine.State()).stopBits;
        if (row.code != 0xFA) {
            const auto again = h.Exchange(Cmd({row.code, 0x03}));
            ASSERT_EQ(again.size(), 1u);
            EXPECT_EQ(again[0], answer);
        }
        EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
    }
}

TEST(SimSet, ValuesOutsideTheTablesLeaveTheModuleAsItWas) {
    const Bytes sets[] = {
        Cmd({0xFC, 0x01, 0x0A}),
        Cmd({0xF2, 0x01, 0x02}),
        Cmd({0xAB, 0x01, 0x01}),
        Cmd({0xFB, 0x01, 0x08}),
        Cmd({0xF8, 0x01, 0x03}),
        Cmd({0xA5, 0x01, 0x02}),
        Cmd({0xFF, 0x01, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00}),
        Cmd({0xFF, 0x01, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00}),
    };
    for (const auto& set : sets) {
        Harness h;
        const ModuleState before = h.engine.State();
        const auto out = h.Exchange(set);
        ASSERT_EQ(out.size(), 1u);
        // The answer carries the value still held.
        const auto query = h.Exchange(Cmd({set[8], 0x03}));
        ASSERT_EQ(query.size(), 1u);
        EXPECT_EQ(out[0], query[0]);
        EXPECT_EQ(h.engine.State().serialBaud, before.serialBaud);
        EXPECT_EQ(h.engine.State().channel, before.channel);
        EXPECT_TRUE(h.engine.Audit().Frames()[0].valueRejected);
        EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
    }
}

TEST(SimProbe, AnswersThirteenBytesWithItsFormatCode) {
    for (std::uint8_t format : {0x00, 0x02, 0x03, 0x04, 0x05, 0x06}) {
        ModuleState s;
        s.serialFormat = format;
        Harness h(s);
        const auto line = ModuleLine(s);
        h.host.stopBits = line.stopBits;
        h.host.parityOdd = line.parity == Parity::Odd;
        const auto out = h.Exchange(Cmd({0xFE}));
        ASSERT_EQ(out.size(), 1u) << int(format);
        EXPECT_EQ(out[0], Cmd({0xFD, 0x03, 0x00, 0x00, format}));
        EXPECT_EQ(h.LastFrame().kind, FrameKind::Probe);
    }
}

TEST(SimShort, ZeroOneZeroOneAndSignalStrength) {
    Harness h;
    EXPECT_TRUE(h.Exchange(Cmd({0xA9})).empty());
    EXPECT_TRUE(h.engine.State().transmitting0101);
    EXPECT_TRUE(h.Exchange(Cmd({0xA8})).empty());
    EXPECT_FALSE(h.engine.State().transmitting0101);
    h.engine.State().signalStrength = 0x3C;
    const auto out = h.Exchange(Cmd({0xF7}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], Cmd({0xF7, 0x03, 0x3C}));
    EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
}

TEST(SimLine, AnswersOnlyWhenTheHostLineMatches) {
    struct Row {
        const char* what;
        std::uint8_t moduleFormat;
        HostLine host;
        bool answers;
    };
    const Row rows[] = {
        {"same", 0x00, {9600, 1, false, {}}, true},
        {"other baud", 0x00, {4800, 1, false, {}}, false},
        // A UART checks only the first stop bit, in either direction.
        {"host two stop bits, module one", 0x00, {9600, 2, false, {}}, true},
        {"host one stop bit, module two", 0x02, {9600, 1, false, {}}, true},
        {"odd module, host none", 0x03, {9600, 1, false, Parity::None}, false},
        {"host odd", 0x00, {9600, 1, true, {}}, false},
        {"even module, pty cannot tell", 0x05, {9600, 1, false, {}}, true},
        {"even module, host said none", 0x05, {9600, 1, false, Parity::None}, false},
        {"even module, host said even", 0x05, {9600, 1, false, Parity::Even}, true},
        {"odd two stop, host odd one stop", 0x04, {9600, 1, true, {}}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ModuleState s;
        s.serialFormat = row.moduleFormat;
        Harness h(s);
        h.host = row.host;
        EXPECT_EQ(h.Exchange(Cmd({0xFE})).size(), row.answers ? 1u : 0u);
        EXPECT_EQ(h.Exchange({'a', 'b'}).size(), row.answers ? 1u : 0u);
        EXPECT_EQ(h.engine.Audit().Frames()[0].lineMatched, row.answers);
        // A probe at the wrong speed is a normal part of auto-detection.
        EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
    }
}

TEST(SimLine, NewBaudAppliesFromTheNextExchange) {
    Harness h;
    const auto out = h.Exchange(Cmd({0xF2, 0x01, 0x09}));
    ASSERT_EQ(out.size(), 1u) << "the acknowledgement goes out on the old line";
    EXPECT_EQ(h.engine.State().serialBaud, 0x09);
    EXPECT_TRUE(h.Exchange(Cmd({0xF2, 0x03})).empty());
    h.host.baud = 57600;
    EXPECT_EQ(h.Exchange(Cmd({0xF2, 0x03})).size(), 1u);
}

TEST(SimAudit, FlagsMalformedFramesAndActsOnNone) {
    struct Row {
        const char* what;
        Bytes bytes;
        Defect defect;
        std::uint8_t mode = 0;
    };
    const Row rows[] = {
        {"preamble and code only", Cmd({0xFC}), Defect::WrongLength},
        {"set one value byte short", Cmd({0xE2, 0x01, 0x30}), Defect::WrongLength},
        {"set one value byte long", Cmd({0xE2, 0x01, 0x30, 0x30, 0x30}), Defect::WrongLength},
        {"empty group set", Cmd({0xE7, 0x01}), Defect::WrongLength},
        {"cut-off preamble", {0x1F, 0x2F, 0x3F, 0x4F, 0x5F}, Defect::WrongLength},
        {"unknown code", Cmd({0x99, 0x03}), Defect::UnknownCode},
        {"bad access byte", Cmd({0xFC, 0x02}), Defect::BadAccessByte},
        {"version set", Cmd({0xEC, 0x01, 0x31}), Defect::NotSettable},
        {"calibration query", Cmd({0xFA, 0x03}), Defect::NotQueryable},
        {"passive write, short data",
         {0x24, 0x30, 0x30, 0x57, 0x00, 0x03, 0x41, 0x42, 0x0D},
         Defect::BadPassiveLength,
         1},
        {"passive write, low part FF",
         {0x24, 0x30, 0x30, 0x57, 0x00, 0xFF, 0x0D},
         Defect::BadPassiveLength,
         1},
        {"passive read without CR", {0x24, 0x30, 0x30, 0x52, 0x00}, Defect::BadPassiveLength, 1},
        {"passive frame cut", {0x24, 0x30, 0x30}, Defect::BadPassiveLength, 1},
        {"passive unknown op", {0x24, 0x30, 0x30, 0x58, 0x0D}, Defect::UnknownCode, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ModuleState s;
        s.serialMode = row.mode;
        Harness h(s);
        const ModuleState before = h.engine.State();
        EXPECT_TRUE(h.Exchange(row.bytes).empty()) << "a malformed frame is not acted on";
        EXPECT_EQ(h.engine.Audit().MalformedCount(), 1u);
        ASSERT_EQ(h.engine.Audit().Frames().size(), 1u);
        EXPECT_EQ(h.LastFrame().defect, row.defect) << DefectName(h.LastFrame().defect);
        EXPECT_EQ(h.LastFrame().bytes, row.bytes);
        EXPECT_EQ(h.engine.State().passiveAddr, before.passiveAddr);
        EXPECT_TRUE(h.engine.State().passiveMemory.empty());
    }
}

TEST(SimAudit, CutsBurstsAtSilenceAndSeveralFramesInOneBurst) {
    Harness h;
    // Two queries in one read: two frames, two answers, nothing malformed.
    const auto both = h.Exchange(Cat(Cmd({0xFC, 0x03}), Cmd({0xE7, 0x03})));
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[1], Cmd({0xE7, 0x03, 0x00}));
    // A frame arriving in two reads within the gap is still one frame.
    const Bytes q = Cmd({0xFB, 0x03});
    h.Feed(Bytes(q.begin(), q.begin() + 4));
    h.t += 2ms;
    const auto joined = h.Exchange(Bytes(q.begin() + 4, q.end()));
    EXPECT_EQ(joined.size(), 1u);
    EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
    // The same halves with a long silence between them: two broken pieces.
    h.Feed(Bytes(q.begin(), q.begin() + 6));
    h.Advance(100ms);
    h.Exchange(Bytes(q.begin() + 6, q.end()));
    EXPECT_EQ(h.engine.Audit().MalformedCount(), 1u);
    EXPECT_EQ(h.engine.Audit().FrameCount(), 5u);
    // Received bytes are all recorded with their arrival times.
    std::size_t total = 0;
    for (const auto& c : h.engine.Audit().Chunks())
        total += c.bytes.size();
    EXPECT_EQ(total, 20u + 10u + 10u);
}

TEST(SimMode, ActiveAndModbusEchoDataPassiveDoesNot) {
    const Bytes data = {0x41, 0x42, 0x43, 0x1F, 0x2F, 0x00};
    for (std::uint8_t mode : {0x00, 0x02}) {
        ModuleState s;
        s.serialMode = mode;
        Harness h(s);
        const auto out = h.Exchange(data);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], data);
        EXPECT_EQ(h.LastFrame().kind, FrameKind::Data);
    }
    ModuleState s;
    s.serialMode = 0x01;
    Harness h(s);
    EXPECT_TRUE(h.Exchange(data).empty());
    EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
}

TEST(SimPassive, WriteReadAndCheckMemoryForItsOwnAddress) {
    ModuleState s;
    s.serialMode = 0x01;
    Harness h(s);
    EXPECT_TRUE(h.Exchange({0x24, 0x30, 0x30, 0x57, 0x00, 0x02, 0x41, 0x42, 0x0D}).empty());
    EXPECT_EQ(h.LastFrame().kind, FrameKind::PassiveWrite);
    EXPECT_EQ(h.engine.State().passiveMemory, (Bytes{0x41, 0x42}));

    auto out = h.Exchange({0x24, 0x30, 0x30, 0x52, 0x0D});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], (Bytes{0x24, 0x30, 0x30, 0x52, 0x00, 0x02, 0x41, 0x42, 0x0D}));
    out = h.Exchange({0x24, 0x30, 0x30, 0x57, 0x00, 0x00, 0x0D});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(h.LastFrame().kind, FrameKind::PassiveCheck);
    EXPECT_EQ(out[0], (Bytes{0x24, 0x30, 0x30, 0x57, 0x00, 0x02, 0x0D}));

    // Another module's address: audited, not malformed, not served.
    EXPECT_TRUE(h.Exchange({0x24, 0x31, 0x41, 0x57, 0x00, 0x01, 0x55, 0x0D}).empty());
    EXPECT_TRUE(h.LastFrame().otherAddress);
    EXPECT_TRUE(h.Exchange({0x24, 0x31, 0x41, 0x52, 0x0D}).empty());
    EXPECT_EQ(h.engine.State().passiveMemory.size(), 2u);
    EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u);
}

TEST(SimPassive, BaseTwoFiftyFiveLengthField) {
    struct Row {
        std::size_t n;
        std::uint8_t hi, lo;
    };
    for (const auto& row :
         {Row{254, 0x00, 0xFE}, Row{255, 0x01, 0x00}, Row{256, 0x01, 0x01}, Row{300, 0x01, 0x2D}}) {
        ModuleState s;
        s.serialMode = 0x01;
        Harness h(s);
        Bytes frame = {0x24, 0x30, 0x30, 0x57, row.hi, row.lo};
        for (std::size_t k = 0; k < row.n; ++k)
            frame.push_back(static_cast<std::uint8_t>(k));
        frame.push_back(0x0D);
        EXPECT_TRUE(h.Exchange(frame).empty());
        EXPECT_EQ(h.engine.Audit().MalformedCount(), 0u) << row.n;
        EXPECT_EQ(h.engine.State().passiveMemory.size(), row.n);
        const auto out = h.Exchange({0x24, 0x30, 0x30, 0x52, 0x0D});
        ASSERT_EQ(out.size(), 1u);
        ASSERT_EQ(out[0].size(), row.n + 7);
        EXPECT_EQ(out[0][4], row.hi);
        EXPECT_EQ(out[0][5], row.lo);
    }
}

TEST(SimFault, SilenceGarbageLateAndSplit) {
    const Bytes query = Cmd({0xFC, 0x03});
    const Bytes answer = Cmd({0xFC, 0x03, 0x06});
    {
        Harness h;
        h.engine.Faults().silence = true;
        EXPECT_TRUE(h.Exchange(query).empty());
        EXPECT_TRUE(h.Exchange({0x41}).empty());
        h.engine.Faults().silence = false; // toggled mid-run
        EXPECT_EQ(h.Exchange(query).size(), 1u);
    }
    {
        Harness h;
        h.engine.Faults().garbage = true;
        const auto out = h.Exchange(query);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].size(), answer.size());
        EXPECT_NE(out[0], answer);
        EXPECT_EQ(std::count(out[0].begin(), out[0].end(), 0x1F), 0);
    }
    {
        Harness h;
        h.engine.Faults().lateBy = 800ms;
        EXPECT_TRUE(h.Exchange(query).empty());
        EXPECT_TRUE(h.Advance(700ms).empty());
        const auto out = h.Advance(100ms);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], answer);
    }
    {
        Harness h;
        h.engine.Faults().split = true;
        h.engine.Faults().splitGap = 300ms;
        const auto first = h.Exchange(query);
        ASSERT_EQ(first.size(), 1u);
        ASSERT_TRUE(h.engine.NextDeadline().has_value());
        EXPECT_GE(*h.engine.NextDeadline() - h.t, 250ms);
        const auto second = h.Advance(300ms);
        ASSERT_EQ(second.size(), 1u);
        EXPECT_EQ(Cat(first[0], second[0]), answer);
    }
}

TEST(SimFault, SetRepliesProbeCodeAndBundledAnswers) {
    {
        Harness h;
        h.engine.Faults().setReply = SetReply::Silent;
        EXPECT_TRUE(h.Exchange(Cmd({0xE7, 0x01, 0x05})).empty());
        EXPECT_EQ(h.engine.State().group, 0x05) << "stored even when the answer is withheld";
        h.engine.Faults().setReply = SetReply::Garbage;
        const auto out = h.Exchange(Cmd({0xE7, 0x01, 0x06}));
        ASSERT_EQ(out.size(), 1u);
        EXPECT_NE(out[0], Cmd({0xE7, 0x03, 0x06}));
    }
    {
        Harness h;
        h.engine.Faults().probeFormatCode = 0x01;
        const auto out = h.Exchange(Cmd({0xFE}));
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].size(), 13u);
        EXPECT_EQ(out[0][12], 0x01);
    }
    {
        Harness h;
        h.engine.Faults().bundleWindow = 500ms;
        EXPECT_TRUE(h.Exchange(Cmd({0xFC, 0x03}), 200ms).empty());
        EXPECT_TRUE(h.Exchange(Cmd({0xE7, 0x03}), 200ms).empty());
        const auto out = h.Advance(150ms);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], Cat(Cmd({0xFC, 0x03, 0x06}), Cmd({0xE7, 0x03, 0x00})));
    }
}

} // namespace
