// The simulated module's protocol engine, driven without a pty: what keeps the
// other tests honest. Its audit must flag malformed frames, or every "no
// malformed frame" check elsewhere passes by default; its faults must really
// happen, or a test of a late or bundled answer proves nothing. (Its answers
// and stored values are read back by every test that talks to it.) Frames are
// written out byte by byte: the simulator shares no frame builder with the
// tool, so a shared mistake cannot cancel out.

#include "sim/ProtocolEngine.h"

#include <gtest/gtest.h>

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
        {"cut-off preamble", {0x1F, 0x2F, 0x3F, 0x4F, 0x5F}, Defect::WrongLength},
        {"unknown code", Cmd({0x99, 0x03}), Defect::UnknownCode},
        {"bad access byte", Cmd({0xFC, 0x02}), Defect::BadAccessByte},
        {"version set", Cmd({0xEC, 0x01, 0x31}), Defect::NotSettable},
        {"calibration query", Cmd({0xFA, 0x03}), Defect::NotQueryable},
        {"passive write, short data",
         {0x24, 0x30, 0x30, 0x57, 0x00, 0x03, 0x41, 0x42, 0x0D},
         Defect::BadPassiveLength,
         1},
        {"passive read without CR", {0x24, 0x30, 0x30, 0x52, 0x00}, Defect::BadPassiveLength, 1},
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

} // namespace
