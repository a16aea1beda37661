// Port table logic that needs no device: formats, poll intervals, the slot
// store (ordering, wrap, all-full refill) and lookups on unknown numbers.

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

TEST(PollInterval, FormulaForOfferedRatesAndNonPositive) {
    const std::map<int, int> expected = {{1200, 174},  {2400, 84},    {4800, 42},   {9600, 18},
                                         {19200, 6},   {38400, 100},  {57600, 100}, {0, 100},
                                         {-9600, 100}, {115200, 100}, {300, 696}};
    for (const auto& [baud, ms] : expected)
        EXPECT_EQ(PollIntervalMs(baud), ms) << "baud " << baud;
}

TEST(LineFormatStrings, TwelveAcceptedEverythingElseRefused) {
    struct Row {
        const char* text;
        Parity parity;
        int stop;
    };
    const Row accepted[] = {
        {"n,8,1", Parity::None, 1}, {"N,8,1", Parity::None, 1}, {"n,8,2", Parity::None, 2},
        {"N,8,2", Parity::None, 2}, {"o,8,1", Parity::Odd, 1},  {"O,8,1", Parity::Odd, 1},
        {"o,8,2", Parity::Odd, 2},  {"O,8,2", Parity::Odd, 2},  {"e,8,1", Parity::Even, 1},
        {"E,8,1", Parity::Even, 1}, {"e,8,2", Parity::Even, 2}, {"E,8,2", Parity::Even, 2},
    };
    for (const Row& r : accepted) {
        LineFormat f{Parity::Even, 2};
        ASSERT_TRUE(ParseLineFormat(r.text, f)) << r.text;
        EXPECT_EQ(f.parity, r.parity) << r.text;
        EXPECT_EQ(f.stopBits, r.stop) << r.text;
    }
    for (const char* bad : {"n,8,1 ", " n,8,1", "n,7,1", "n81", "n,8,3", "m,8,1", "", "n,8,1\n",
                            "n;8;1", "n,8,1,", "N,8,1.5"}) {
        LineFormat f;
        EXPECT_FALSE(ParseLineFormat(bad, f)) << '"' << bad << '"';
    }
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
