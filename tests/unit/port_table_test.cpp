// Port table logic that needs no device: formats, poll intervals, packet
// cutting in virtual time, the packet store (ordering, wrap, all-full refill)
// and numbers that nothing runs.

#include "link/PacketCutter.h"
#include "link/PortTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

using namespace tmx7;

namespace {

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
    const std::pair<const char*, LineFormat> accepted[] = {
        {"N,8,1", {Parity::None, 1}}, {"o,8,2", {Parity::Odd, 2}}, {"e,8,1", {Parity::Even, 1}}};
    for (const auto& [text, format] : accepted) {
        LineFormat f{Parity::Odd, 1};
        ASSERT_TRUE(ParseLineFormat(text, f)) << text;
        EXPECT_EQ(f, format) << text;
    }
    for (const char* bad : {"n,8,1 ", " n,8,1", "n,7,1", "n81", "n,8,3", "m,8,1", "", "N,8,1.5"}) {
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
        : cutter(std::chrono::milliseconds(gapMs),
                 [this](std::span<const std::uint8_t> p, Time at) {
                     packets.emplace_back(p.begin(), p.end());
                     firstBytes.push_back(at);
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
    std::vector<Time> firstBytes; // when each packet's first byte arrived
    PacketCutter cutter;
};

// 9600 baud, 10 bits a byte.
constexpr microseconds kByte9600{1042};

} // namespace

TEST(PacketCutter, SilenceIsCountedFromTheLastByte) {
    const struct {
        const char* name;
        int gapMs;
        microseconds pace;  // between the bytes of a trickle of 3
        microseconds pause; // between two such trickles
        std::vector<std::size_t> sizes;
    } cases[] = {
        {"9600: a pause shorter than the gap", 18, kByte9600, microseconds(16'900), {6}},
        {"9600: a pause of the whole gap", 18, kByte9600, microseconds(18'000), {3, 3}},
        {"1200: bytes 170 ms apart", 174, microseconds(170'000), microseconds(170'000), {6}},
    };
    for (const auto& c : cases) {
        CutterRig rig(c.gapMs);
        rig.trickle(3, c.pace, 0x10);
        // The pause runs from the third byte; the next lands one pace later.
        rig.advance(c.pause - c.pace);
        rig.trickle(3, c.pace, 0x13);
        EXPECT_EQ(rig.packets.size(), c.sizes.size() - 1) << c.name << ": cut too early";
        rig.advance(std::chrono::milliseconds(c.gapMs));
        std::vector<std::size_t> sizes;
        for (const auto& p : rig.packets)
            sizes.push_back(p.size());
        EXPECT_EQ(sizes, c.sizes) << c.name;
    }
}

TEST(PacketStore, TakesOldestFirstAndEmptiesSlots) {
    using Bytes = std::vector<std::uint8_t>;
    PacketStore store;
    EXPECT_FALSE(store.TakeOldest());
    const Bytes a{1, 2, 3}, b{4}, c{9, 9};
    EXPECT_EQ(store.Post(a.data(), 3), 1);
    EXPECT_EQ(store.Post(b.data(), 1), 2);
    EXPECT_EQ(store.Post(nullptr, 0), 3); // a stop on an idle line posts an empty packet
    const auto first = store.TakeOldest();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, a);
    EXPECT_EQ(first->sequence, 1);
    // Slot 0 is free again: the next packet lands there, yet is newer.
    EXPECT_EQ(store.Post(c.data(), 2), 4);
    EXPECT_EQ(store.TakeOldest()->bytes, b);
    EXPECT_EQ(store.TakeOldest()->bytes, Bytes{});
    EXPECT_EQ(store.TakeOldest()->bytes, c);
    EXPECT_FALSE(store.TakeOldest());
    EXPECT_EQ(store.Untaken(), 0);
}

TEST(PacketStore, StampsWrapAfter49999ButOrderSurvivesTheWrap) {
    PacketStore store;
    std::uint8_t b = 0;
    for (int i = 0; i < 49990; ++i) {
        store.Post(&b, 1);
        ASSERT_TRUE(store.TakeOldest());
    }
    // 20 left untaken across the wrap: stamps 49991..49999, then 1..11.
    for (b = 0; b < 20; ++b)
        store.Post(&b, 1);
    for (int i = 0; i < 20; ++i) {
        const auto p = store.TakeOldest();
        ASSERT_TRUE(p) << i;
        EXPECT_EQ(p->bytes[0], i) << "taken out of posting order across the wrap";
        EXPECT_EQ(p->sequence, i < 9 ? 49991 + i : i - 8);
    }
}

TEST(PacketStore, OneHundredSlotsAndWhenAllAreFullSlotZerosPacketIsLost) {
    PacketStore store;
    for (std::uint8_t b = 0; b <= 100; ++b)
        store.Post(&b, 1);
    EXPECT_EQ(store.Untaken(), 100);
    // Packet 0 is lost; 1..99 come out in order, then the late one (100).
    for (int i = 1; i <= 100; ++i)
        EXPECT_EQ(store.TakeOldest().value().bytes[0], i);
    EXPECT_FALSE(store.TakeOldest());
}

TEST(PacketStore, ATakerNeverSeesHalfAPacket) {
    PacketStore store;
    std::atomic<bool> done{false};
    std::atomic<int> taken{0};
    std::thread taker([&] {
        while (!done.load()) {
            // Every packet is one byte value repeated, 100 + value times.
            if (auto p = store.TakeOldest()) {
                ASSERT_EQ(p->bytes.size(), 100u + p->bytes[0]);
                ASSERT_EQ(std::count(p->bytes.begin(), p->bytes.end(), p->bytes[0]),
                          static_cast<long>(p->bytes.size()))
                    << "packet mixed from two postings";
                ++taken;
            }
        }
    });
    std::array<std::uint8_t, kPacketBytes> buf;
    // Refills of a full store included; a hard stop should the taker never get going.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (int i = 0; (i < 20000 || taken < 2000) && std::chrono::steady_clock::now() < limit; ++i) {
        buf.fill(static_cast<std::uint8_t>(i % 200));
        store.Post(buf.data(), 100 + i % 200);
    }
    done = true;
    taker.join();
    EXPECT_GE(taken.load(), 2000);
}

TEST(PortTableLookup, UnknownNumbersAndRefusedOpens) {
    auto dir = emptyDirectory();
    CPortTable table(dir);
    std::vector<std::string> messages;
    table.SetMessageHandler([&](const std::string& m) { messages.push_back(m); });
    const std::uint8_t b[] = {1, 2};
    EXPECT_EQ(table.Write(3, b), WriteStatus::NoPort);
    EXPECT_FALSE(table.Stop(3));
    EXPECT_FALSE(table.TakeOldest(3));
    EXPECT_FALSE(table.IsOpen(3));
    EXPECT_FALSE(table.Backlog(3));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(table.Drain(3, std::chrono::milliseconds(500)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100))
        << "no wait for a port that is not there";

    // Unknown format: 0, no message, nothing recorded.
    EXPECT_EQ(table.Open(3, 9600, "n,8,1 "), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(table.Write(3, b), WriteStatus::NoPort);

    // Out of range and unmapped numbers: -1 with the number in the message.
    EXPECT_EQ(table.Open(0, 9600, "n,8,1"), -1);
    EXPECT_EQ(table.Open(1025, 9600, "N,8,1"), -1);
    EXPECT_EQ(table.Open(7, 19200, "e,8,2"), -1);
    EXPECT_EQ(messages, (std::vector<std::string>{"COM0打开失败！\n串口号须在1到1024之间",
                                                  "COM1025打开失败！\n串口号须在1到1024之间",
                                                  "COM7打开失败！\n没有与COM7对应的串口设备"}));

    // A failed open still records the number: lookups find the closed entry.
    EXPECT_EQ(table.Write(7, b), WriteStatus::PortLost);
    EXPECT_FALSE(table.IsOpen(7));
    EXPECT_TRUE(table.Stop(7));
}
