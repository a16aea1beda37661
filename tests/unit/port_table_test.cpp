// Port table logic that needs no device: formats, poll intervals, packet
// cutting in virtual time, the slot store (ordering, wrap, all-full refill)
// and lookups on unknown numbers.

#include "link/PacketCutter.h"
#include "link/PortTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

using namespace tmx7;

namespace {

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> v) {
    std::vector<std::uint8_t> out;
    for (int b : v)
        out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

PortDirectory emptyDirectory() {
    PortDirectory::Options o;
    o.sysfsTtyRoot = "/nonexistent/tty";
    o.getenv = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    return PortDirectory(o);
}

} // namespace

TEST(PollInterval, TruncationAndTheFloorOf100) {
    // 19200: 1.82 ms truncates to 1, so 6; 38400: 0.91 truncates to 0, so 100.
    const std::map<int, int> expected = {
        {1200, 174}, {19200, 6}, {38400, 100}, {0, 100}, {-9600, 100}};
    for (const auto& [baud, ms] : expected)
        EXPECT_EQ(PollIntervalMs(baud), ms) << "baud " << baud;
}

TEST(LineFormatStrings, CaseOfParityIsFreeEverythingElseExact) {
    struct Row {
        const char* text;
        Parity parity;
        int stop;
    };
    const Row accepted[] = {{"N,8,1", Parity::None, 1},
                            {"o,8,2", Parity::Odd, 2},
                            {"E,8,1", Parity::Even, 1},
                            {"e,8,2", Parity::Even, 2}};
    for (const Row& r : accepted) {
        LineFormat f{Parity::Odd, 2};
        ASSERT_TRUE(ParseLineFormat(r.text, f)) << r.text;
        EXPECT_EQ(f, (LineFormat{r.parity, r.stop})) << r.text;
    }
    for (const char* bad : {"n,8,1 ", " n,8,1", "n,7,1", "n81", "n,8,3", "m,8,1", "", "n,8,1\n",
                            "n;8;1", "n,8,1,", "N,8,1.5"}) {
        LineFormat f;
        EXPECT_FALSE(ParseLineFormat(bad, f)) << '"' << bad << '"';
    }
}

// --- packet cutting, bytes arriving one by one at line pace --------------

namespace {

using Time = PacketCutter::Time;
using std::chrono::microseconds;

struct CutterRig {
    explicit CutterRig(int gapMs)
        : cutter(std::chrono::milliseconds(gapMs), [this](std::span<const std::uint8_t> p) {
              packets.emplace_back(p.begin(), p.end());
          }) {}

    // One byte every `pace`, as a UART delivers them, with the cutter's
    // deadline honoured in between the way the port's thread honours it.
    void trickle(std::size_t count, microseconds pace, std::uint8_t first = 0) {
        for (std::size_t i = 0; i < count; ++i) {
            advance(pace);
            const std::uint8_t b = static_cast<std::uint8_t>(first + i);
            cutter.Feed(std::span<const std::uint8_t>(&b, 1), now);
        }
    }
    void advance(microseconds d) {
        const Time target = now + d;
        while (auto deadline = cutter.Deadline()) {
            if (*deadline > target)
                break;
            now = *deadline;
            cutter.Expire(now);
        }
        now = target;
        cutter.Expire(now);
    }

    Time now{};
    std::vector<std::vector<std::uint8_t>> packets;
    PacketCutter cutter;
};

// 9600 baud, 10 bits a byte.
constexpr microseconds kByte9600{1042};

} // namespace

TEST(PacketCutter, BytesAtLinePaceAreCutAt524AndAfterTheFullSilence) {
    CutterRig rig(18);
    rig.trickle(1000, kByte9600);
    ASSERT_EQ(rig.packets.size(), 1u) << "the 524th byte ends a packet at once";
    EXPECT_EQ(rig.packets[0].size(), 524u);
    EXPECT_EQ(rig.packets[0].back(), static_cast<std::uint8_t>(523));
    rig.advance(std::chrono::milliseconds(17));
    EXPECT_EQ(rig.packets.size(), 1u) << "17 ms of silence is not yet 18";
    rig.advance(std::chrono::milliseconds(1));
    ASSERT_EQ(rig.packets.size(), 2u);
    EXPECT_EQ(rig.packets[1].size(), 476u);
    EXPECT_EQ(rig.packets[1].front(), static_cast<std::uint8_t>(524));

    // Exactly 524 bytes leave no empty packet behind.
    rig.trickle(524, kByte9600);
    rig.advance(std::chrono::seconds(1));
    ASSERT_EQ(rig.packets.size(), 3u);
    EXPECT_EQ(rig.packets[2].size(), 524u);
    EXPECT_FALSE(rig.cutter.Deadline());
}

TEST(PacketCutter, SilenceIsCountedFromTheLastByte) {
    struct Case {
        const char* name;
        int gapMs;
        microseconds pace;  // between the bytes of a trickle of 3
        microseconds pause; // between two such trickles
        std::size_t packets;
    };
    const Case cases[] = {
        {"9600: pause shorter than the gap keeps one packet", 18, kByte9600, microseconds(16'900),
         1},
        {"9600: a pause of the whole gap splits", 18, kByte9600, microseconds(18'000), 2},
        {"1200: bytes 170 ms apart stay one packet", 174, microseconds(170'000),
         microseconds(170'000), 1},
    };
    for (const Case& c : cases) {
        CutterRig rig(c.gapMs);
        rig.trickle(3, c.pace, 0x10);
        // The pause runs from the third byte; the next lands one pace later.
        rig.advance(c.pause - c.pace);
        rig.trickle(3, c.pace, 0x20);
        EXPECT_EQ(rig.packets.size(), c.packets - 1) << c.name << ": cut too early";
        rig.advance(std::chrono::milliseconds(c.gapMs));
        ASSERT_EQ(rig.packets.size(), c.packets) << c.name;
        if (c.packets == 2) {
            EXPECT_EQ(rig.packets[0], (std::vector<std::uint8_t>{0x10, 0x11, 0x12})) << c.name;
            EXPECT_EQ(rig.packets[1], (std::vector<std::uint8_t>{0x20, 0x21, 0x22})) << c.name;
        } else {
            EXPECT_EQ(rig.packets[0].size(), 6u) << c.name;
        }
    }
}

TEST(PacketCutter, FlushPostsWhatWasCollectedEvenNothing) {
    CutterRig rig(18);
    rig.cutter.Flush();
    rig.trickle(2, kByte9600, 7);
    rig.cutter.Flush();
    ASSERT_EQ(rig.packets.size(), 2u);
    EXPECT_TRUE(rig.packets[0].empty());
    EXPECT_EQ(rig.packets[1], (std::vector<std::uint8_t>{7, 8}));
    EXPECT_FALSE(rig.cutter.Deadline());
}

TEST(PacketStore, TakesOldestFirstAndEmptiesSlots) {
    PacketStore store;
    EXPECT_FALSE(store.TakeOldest());
    const auto a = bytesOf({1, 2, 3});
    const auto b = bytesOf({4});
    EXPECT_EQ(store.Post(a.data(), 3), 1);
    EXPECT_EQ(store.Post(b.data(), 1), 2);
    EXPECT_EQ(store.Post(nullptr, 0), 3); // a stop on an idle line posts an empty packet
    auto p = store.TakeOldest();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->bytes, a);
    EXPECT_EQ(p->sequence, 1);
    // Slot 0 is free again: the next packet lands there, yet is newer.
    const auto c = bytesOf({9, 9});
    EXPECT_EQ(store.Post(c.data(), 2), 4);
    EXPECT_EQ(store.TakeOldest()->bytes, b);
    auto empty = store.TakeOldest();
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->bytes.empty());
    EXPECT_EQ(store.TakeOldest()->bytes, c);
    EXPECT_FALSE(store.TakeOldest());
    EXPECT_EQ(store.Untaken(), 0);
}

TEST(PacketStore, StampsWrapAfter49999ButOrderSurvivesTheWrap) {
    PacketStore store;
    std::uint8_t b = 0;
    // 49990 packets posted and taken, then 20 more left untaken across the wrap.
    for (int i = 0; i < 49990; ++i) {
        store.Post(&b, 1);
        ASSERT_TRUE(store.TakeOldest());
    }
    EXPECT_EQ(store.NextSequence(), 49991);
    for (int i = 0; i < 20; ++i) {
        b = static_cast<std::uint8_t>(i);
        store.Post(&b, 1);
    }
    EXPECT_EQ(store.NextSequence(), 12); // 49991..49999, then 1..11
    for (int i = 0; i < 20; ++i) {
        auto p = store.TakeOldest();
        ASSERT_TRUE(p) << i;
        EXPECT_EQ(p->bytes[0], i) << "taken out of posting order across the wrap";
        EXPECT_EQ(p->sequence, i < 9 ? 49991 + i : i - 8);
    }
}

TEST(PacketStore, AllFullOverwritesSlotZerosPacket) {
    PacketStore store;
    for (int i = 0; i < kPacketSlots; ++i) {
        const std::uint8_t b = static_cast<std::uint8_t>(i);
        store.Post(&b, 1);
    }
    EXPECT_EQ(store.Untaken(), kPacketSlots);
    const std::uint8_t late = 0xEE;
    store.Post(&late, 1);
    EXPECT_EQ(store.Untaken(), kPacketSlots);
    // Packet 0 is lost; 1..99 come out in order, then the late one.
    for (int i = 1; i < kPacketSlots; ++i)
        EXPECT_EQ(store.TakeOldest()->bytes[0], i);
    EXPECT_EQ(store.TakeOldest()->bytes[0], 0xEE);
    EXPECT_FALSE(store.TakeOldest());
}

TEST(PacketStore, RefillUnderConcurrentTakesNeverMixesPackets) {
    PacketStore store;
    std::atomic<bool> done{false};
    std::atomic<int> taken{0};
    std::thread taker([&] {
        while (!done.load()) {
            if (auto p = store.TakeOldest()) {
                // Every packet is one byte value repeated; its length encodes it.
                ASSERT_FALSE(p->bytes.empty());
                const std::uint8_t v = p->bytes[0];
                EXPECT_EQ(p->bytes.size(), 100u + v);
                for (std::uint8_t x : p->bytes)
                    ASSERT_EQ(x, v) << "packet mixed from two postings";
                ++taken;
            }
        }
    });
    std::array<std::uint8_t, kPacketBytes> buf;
    // Post until the taker has competed for a good while (refills of a full
    // store included), with a hard stop should it never get going.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (int i = 0; (i < 20000 || taken.load() < 2000) && std::chrono::steady_clock::now() < limit;
         ++i) {
        const std::uint8_t v = static_cast<std::uint8_t>(i % 200);
        buf.fill(v);
        store.Post(buf.data(), 100 + v);
    }
    done = true;
    taker.join();
    int rest = 0;
    while (store.TakeOldest())
        ++rest;
    EXPECT_GE(taken.load(), 2000);
    EXPECT_LE(rest, kPacketSlots);
}

TEST(PortTableLookup, UnknownNumbersAndBadArguments) {
    auto dir = emptyDirectory();
    CPortTable table(dir);
    std::vector<std::string> messages;
    table.SetMessageHandler([&](const std::string& m) { messages.push_back(m); });
    const std::uint8_t b[] = {1, 2};
    EXPECT_EQ(table.Write(3, b), WriteStatus::NoPort);
    EXPECT_FALSE(table.Stop(3));
    EXPECT_FALSE(table.TakeOldest(3));
    EXPECT_FALSE(table.IsOpen(3));

    // Unknown format: 0, no message, nothing recorded.
    EXPECT_EQ(table.Open(3, 9600, "n,8,1 "), 0);
    EXPECT_EQ(table.Open(3, 9600, "n,7,1"), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table.Write(3, b), WriteStatus::NoPort);

    // Out of range and unmapped numbers: -1 with the number in the message.
    EXPECT_EQ(table.Open(0, 9600, "n,8,1"), -1);
    EXPECT_EQ(table.Open(1025, 9600, "N,8,1"), -1);
    EXPECT_EQ(table.Open(7, 19200, "e,8,2"), -1);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "COM0打开失败！");
    EXPECT_EQ(messages[1], "COM1025打开失败！");
    EXPECT_EQ(messages[2], "COM7打开失败！");

    // A failed open still records the number: lookups find the closed entry.
    EXPECT_EQ(table.Write(7, b), WriteStatus::PortLost);
    EXPECT_EQ(table.PollInterval(7), 6);
    EXPECT_FALSE(table.IsOpen(7));
    EXPECT_FALSE(table.TakeOldest(7));
    EXPECT_TRUE(table.Stop(7));
}
