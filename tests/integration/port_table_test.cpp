// The port table on pseudo-terminal pairs: packet cutting, whole frames out,
// line settings, hang-ups, quick reopen and teardown.

#include "integration/pty_pair.h"
#include "integration/sim_harness.h"
#include "link/PortTable.h"
#include "protocol/Frames.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <memory>
#include <thread>

using namespace tmx7;
using namespace tmx7::testing;
using namespace std::chrono_literals;

namespace {

class PortTableOnPty : public ::testing::Test {
protected:
    PortTableOnPty() {
        PortDirectory::Options o;
        o.sysfsTtyRoot = "/nonexistent/tty";
        o.getenv = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
        directory = std::make_unique<PortDirectory>(o);
        table = std::make_unique<CPortTable>(*directory);
        table->SetMessageHandler([this](const std::string& m) {
            std::lock_guard lock(mutex);
            messages.push_back(m);
        });
    }

    // A fresh pty registered as COM<n>.
    PtyPair& attach(int n) {
        auto& p = ptys.emplace_back(std::make_unique<PtyPair>());
        EXPECT_TRUE(p->ok());
        directory->Map(n, p->slavePath());
        return *p;
    }

    std::optional<std::vector<std::uint8_t>> waitPacket(int port,
                                                        std::chrono::milliseconds limit = 2s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (auto p = table->TakeOldest(port))
                return p;
            std::this_thread::sleep_for(1ms);
        }
        return std::nullopt;
    }

    std::vector<std::string> takeMessages() {
        std::lock_guard lock(mutex);
        return std::exchange(messages, {});
    }

    std::unique_ptr<PortDirectory> directory;
    std::vector<std::unique_ptr<PtyPair>> ptys;
    std::unique_ptr<CPortTable> table;
    std::mutex mutex;
    std::vector<std::string> messages;
};

// Threads of this process.
int threadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

struct RecordedEvents : PortEvents {
    void PacketPosted(int port) override {
        std::lock_guard lock(mutex);
        posted.push_back(port);
    }
    void PortLost(int port, SerialResult why) override {
        std::lock_guard lock(mutex);
        lost.push_back({port, why.error});
    }
    std::vector<std::pair<int, SerialError>> losses() {
        std::lock_guard lock(mutex);
        return lost;
    }
    std::mutex mutex;
    std::vector<int> posted;
    std::vector<std::pair<int, SerialError>> lost;
};

// `count` frames of `size` bytes, frame i filled with the value i.
std::vector<std::vector<std::uint8_t>> numberedFrames(int count, std::size_t size) {
    std::vector<std::vector<std::uint8_t>> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(size, static_cast<std::uint8_t>(i));
    return out;
}

// True when `got` is frames 0, 1, 2 ... of `size` bytes each, every one whole.
::testing::AssertionResult wholeFrames(const std::vector<std::uint8_t>& got, std::size_t size) {
    if (got.size() % size != 0)
        return ::testing::AssertionFailure() << got.size() << " bytes: a frame was cut";
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != static_cast<std::uint8_t>(i / size))
            return ::testing::AssertionFailure() << "byte " << i << " is " << int(got[i]);
    return ::testing::AssertionSuccess();
}

std::vector<std::uint8_t> pattern(std::size_t n, int seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 13);
    return v;
}

} // namespace

TEST_F(PortTableOnPty, BytesTricklingInOneByOneAreCutAt524AndAtTheSilence) {
    auto& pty = attach(15);
    // 4800 baud: 2.1 ms a byte on the line, 42 ms of silence ends a packet.
    ASSERT_EQ(table->Open(15, 4800, "n,8,1"), 1);
    const auto bytes = pattern(530, 3);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(2083) * i);
        ASSERT_TRUE(pty.send({bytes[i]}));
    }
    const auto a = waitPacket(15);
    const auto b = waitPacket(15);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), 524u);
    EXPECT_TRUE(std::equal(a->begin(), a->end(), bytes.begin()));
    EXPECT_EQ(*b, std::vector<std::uint8_t>(bytes.begin() + 524, bytes.end()));
    EXPECT_FALSE(table->TakeOldest(15));
}

TEST_F(PortTableOnPty, BytesPassUnchangedBothWaysAndSettingsReachTheLine) {
    auto& pty = attach(5);
    ASSERT_EQ(table->Open(5, 1200, "o,8,2"), 1);
    const termios t = pty.slaveSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B1200));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    const std::vector<std::uint8_t> awkward = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0xFF};
    EXPECT_EQ(table->Write(5, awkward), WriteStatus::Queued);
    EXPECT_EQ(pty.receive(6, 1s), awkward);
    ASSERT_TRUE(pty.send(awkward));
    EXPECT_EQ(waitPacket(5), awkward);
    EXPECT_TRUE(pty.receive(1, 50ms).empty()) << "echo";
}

TEST_F(PortTableOnPty, SecondOpenOfAHeldPortFailsAndFirstKeepsWorking) {
    auto& pty = attach(6);
    ASSERT_EQ(table->Open(6, 9600, "n,8,1"), 1);
    EXPECT_EQ(table->Open(6, 9600, "n,8,1"), -1);
    CPortTable other(*directory);
    std::string otherMessage;
    other.SetMessageHandler([&](const std::string& m) { otherMessage = m; });
    EXPECT_EQ(other.Open(6, 9600, "n,8,1"), -1) << "the device itself is exclusive";
    EXPECT_EQ(otherMessage, "COM6打开失败！");
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"COM6打开失败！"});
    ASSERT_TRUE(pty.send({7, 7}));
    EXPECT_EQ(waitPacket(6), (std::vector<std::uint8_t>{7, 7}));
}

TEST_F(PortTableOnPty, EleventhOpenIsRefusedQuietly) {
    for (int n = 1; n <= kPortEntries; ++n) {
        attach(20 + n);
        ASSERT_EQ(table->Open(20 + n, 57600, "n,8,1"), 1) << n;
    }
    attach(40);
    EXPECT_EQ(table->Open(40, 57600, "n,8,1"), 0);
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_TRUE(table->Stop(21));
    EXPECT_EQ(table->Open(40, 57600, "n,8,1"), 1);
}

TEST_F(PortTableOnPty, StopPostsWhatWasCollectedEvenNothing) {
    attach(7);
    ASSERT_EQ(table->Open(7, 9600, "n,8,1"), 1);
    EXPECT_TRUE(table->Stop(7));
    const auto p = waitPacket(7);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->empty());
    EXPECT_FALSE(table->IsOpen(7));
    // Stopped entries still answer lookups; a write is refused as to a lost port.
    const std::uint8_t b = 1;
    EXPECT_EQ(table->Write(7, {&b, 1}), WriteStatus::PortLost);
}

TEST_F(PortTableOnPty, StopThenOpenAtOnceKeepsTheNewDeviceWorking) {
    for (int round = 0; round < 5; ++round) {
        auto& pty = attach(8);
        ASSERT_EQ(table->Open(8, 19200, "n,8,1"), 1) << round;
        EXPECT_TRUE(table->Stop(8));
        auto& next = attach(8);
        ASSERT_EQ(table->Open(8, 19200, "n,8,1"), 1) << round;
        // The old worker must not have closed the new device.
        std::this_thread::sleep_for(20ms);
        EXPECT_TRUE(table->IsOpen(8));
        while (auto p = table->TakeOldest(8))
            EXPECT_TRUE(p->empty()); // the stopped worker's empty packet
        ASSERT_TRUE(next.send({0xA5, static_cast<std::uint8_t>(round)}));
        EXPECT_EQ(waitPacket(8),
                  (std::vector<std::uint8_t>{0xA5, static_cast<std::uint8_t>(round)}));
        const std::uint8_t out[] = {0x5A};
        EXPECT_EQ(table->Write(8, out), WriteStatus::Queued);
        EXPECT_EQ(next.receive(1, 1s), std::vector<std::uint8_t>{0x5A});
        EXPECT_TRUE(pty.receive(1, 20ms).empty());
        EXPECT_TRUE(table->Stop(8));
    }
}

TEST_F(PortTableOnPty, HangUpIsToldOnceAndTheNumberReopensAtOnce) {
    RecordedEvents events;
    table->SetEvents(&events);
    auto& pty = attach(9);
    ASSERT_EQ(table->Open(9, 57600, "n,8,1"), 1);
    ASSERT_TRUE(pty.send({1, 2, 3}));
    EXPECT_EQ(waitPacket(9, 2s), (std::vector<std::uint8_t>{1, 2, 3}));
    pty.hangUp();
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (events.losses().empty() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(events.losses().size(), 1u);
    EXPECT_EQ(events.losses()[0], std::make_pair(9, SerialError::Lost));
    // Told at the moment the entry stopped running: nothing to press first.
    EXPECT_FALSE(table->IsOpen(9));
    const std::uint8_t b[] = {1};
    EXPECT_EQ(table->Write(9, b), WriteStatus::PortLost);
    const auto cpu0 = processCpuTime();
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(processCpuTime() - cpu0, 30ms) << "busy loop after the hang-up";

    auto& again = attach(9);
    ASSERT_EQ(table->Open(9, 57600, "n,8,1"), 1) << "the number is free again at once";
    ASSERT_TRUE(again.send({4, 5}));
    EXPECT_EQ(waitPacket(9, 2s), (std::vector<std::uint8_t>{4, 5}));
    table->Stop(9);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(events.losses().size(), 1u) << "a stop is no loss";
    table->SetEvents(nullptr);
}

TEST_F(PortTableOnPty, AReaderSleepsUntilAPacketIsPosted) {
    auto& pty = attach(20);
    ASSERT_EQ(table->Open(20, 9600, "n,8,1"), 1);
    StopSignal stop;
    std::atomic<int> wakeups{0};
    std::atomic<int> packets{0};
    std::thread reader([&] {
        while (!stop.requested()) {
            const std::uint64_t seen = table->PostCount();
            if (table->TakeOldest(20)) {
                ++packets;
                continue;
            }
            table->WaitForPost(seen, stop);
            ++wakeups;
        }
    });
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(wakeups.load(), 0) << "woke while the line was silent";
    ASSERT_TRUE(pty.send({0x42}));
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (packets.load() == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(packets.load(), 1);
    EXPECT_EQ(wakeups.load(), 1);
    stop.request();
    table->WakeWaiters();
    reader.join();
}

TEST_F(PortTableOnPty, OneThreadPerOpenPort) {
    attach(16);
    attach(17);
    const int before = threadCount();
    ASSERT_EQ(table->Open(16, 9600, "n,8,1"), 1);
    EXPECT_EQ(threadCount(), before + 1);
    ASSERT_EQ(table->Open(17, 9600, "n,8,1"), 1);
    EXPECT_EQ(threadCount(), before + 2);
    table->Stop(16);
    table->Stop(17);
    table.reset();
    EXPECT_EQ(threadCount(), before) << "every port's thread is joined";
}

TEST_F(PortTableOnPty, AFullQueueRefusesWholeFramesAndWritesNeverWait) {
    auto& pty = attach(18);
    ASSERT_EQ(table->Open(18, 57600, "n,8,1"), 1);
    // The peer reads nothing: the pty fills, then the port's queue. Frames
    // are numbered by the order they were queued in.
    std::size_t queued = 0;
    int refusedInARow = 0;
    auto slowest = std::chrono::steady_clock::duration::zero();
    while (refusedInARow < 3 && queued < 200) {
        const std::vector<std::uint8_t> frame(300, static_cast<std::uint8_t>(queued));
        const auto t0 = std::chrono::steady_clock::now();
        const WriteStatus w = table->Write(18, frame);
        slowest = std::max(slowest, std::chrono::steady_clock::now() - t0);
        if (w == WriteStatus::Queued) {
            ++queued;
            refusedInARow = 0;
        } else {
            ASSERT_EQ(w, WriteStatus::Refused);
            ++refusedInARow;
            std::this_thread::sleep_for(5ms); // time for the port to move what it can
        }
    }
    ASSERT_EQ(refusedInARow, 3) << "the stalled line never filled the queue";
    EXPECT_LT(slowest, 20ms) << "a write waited for the line";
    const auto cpu0 = processCpuTime();
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(processCpuTime() - cpu0, 30ms) << "the port spins on a full line";
    EXPECT_GT(table->Backlog(18).value_or(0), CCommPort::kOutboundBytes - 300)
        << "the queue counts in the backlog";
    // Once the peer reads, every queued frame arrives whole and nothing else.
    auto got = pty.receive(queued * 300, 2s);
    const auto extra = pty.receive(1, 30ms);
    got.insert(got.end(), extra.begin(), extra.end());
    EXPECT_EQ(got.size(), queued * 300);
    EXPECT_TRUE(wholeFrames(got, 300));
    const std::vector<std::uint8_t> one(300, 1);
    EXPECT_EQ(table->Write(18, one), WriteStatus::Queued) << "room again";
    const std::vector<std::uint8_t> tooBig(CCommPort::kOutboundBytes + 1);
    EXPECT_EQ(table->Write(18, tooBig), WriteStatus::Refused) << "larger than the queue";
}

TEST_F(PortTableOnPty, StopFinishesAFrameThatHasStartedAndDropsTheRest) {
    // Frames of 4000 bytes into a stalled pty, which takes some 12 to 17 KiB
    // in pieces of its own choosing: the frame that does not fit is mostly
    // held back after a part of it, sometimes whole. Each try checks what it
    // got; the test wants to have seen a started frame at least once.
    bool sawStarted = false;
    for (int attempt = 0; attempt < 8 && !sawStarted; ++attempt) {
        const int number = 40 + attempt;
        auto& pty = attach(number);
        ASSERT_EQ(table->Open(number, 57600, "n,8,1"), 1);
        std::vector<std::vector<std::uint8_t>> sent;
        std::size_t held = 0;
        for (int i = 0; i < 8 && held == 0; ++i) {
            sent.emplace_back(4000, static_cast<std::uint8_t>(i));
            ASSERT_EQ(table->Write(number, sent.back()), WriteStatus::Queued);
            // Until the port has handed over what the pty takes.
            std::this_thread::sleep_for(20ms);
            held = table->Backlog(number).value_or(0);
        }
        ASSERT_GT(held, 0u) << "the pty never filled";
        const bool started = held % 4000 != 0;
        sawStarted = sawStarted || started;
        // Two short frames behind, which cannot have started at the stop.
        sent.emplace_back(40, 0xA1);
        ASSERT_EQ(table->Write(number, sent.back()), WriteStatus::Queued);
        sent.emplace_back(40, 0xA2);
        ASSERT_EQ(table->Write(number, sent.back()), WriteStatus::Queued);
        EXPECT_TRUE(table->Stop(number));
        std::this_thread::sleep_for(30ms); // the line is still stalled when the stop comes

        // What must arrive: every big frame, but the last one only if it had started.
        std::vector<std::uint8_t> expected;
        for (std::size_t i = 0; i + 2 < sent.size(); ++i)
            if (i + 3 < sent.size() || started)
                expected.insert(expected.end(), sent[i].begin(), sent[i].end());
        auto got = pty.receive(expected.size(), 1500ms);
        const auto end = std::chrono::steady_clock::now() + 2s;
        while (table->Backlog(number) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(1ms); // until the device is closed
        const auto extra = pty.receive(100, 30ms);
        got.insert(got.end(), extra.begin(), extra.end());
        EXPECT_EQ(got.size(), expected.size())
            << (started ? "the started frame was cut, or" : "") << " a frame that had not "
            << "started went out (try " << attempt << ")";
        EXPECT_TRUE(got == expected) << "try " << attempt;
    }
    EXPECT_TRUE(sawStarted) << "in 8 tries the pty never took part of a frame";
}

TEST_F(PortTableOnPty, DestroyRightAfterStopAndWithPortsRunning) {
    attach(10);
    attach(11);
    auto& pty = attach(12);
    ASSERT_EQ(table->Open(10, 9600, "n,8,1"), 1);
    ASSERT_EQ(table->Open(11, 1200, "n,8,1"), 1);
    ASSERT_EQ(table->Open(12, 2400, "n,8,1"), 1);
    ASSERT_TRUE(pty.send(pattern(300, 1))); // mid-packet at teardown
    EXPECT_TRUE(table->Stop(10));
    const auto start = std::chrono::steady_clock::now();
    table.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // Every device was closed: a fresh opener gets each of them.
    for (const auto& p : ptys) {
        SerialDevice d;
        EXPECT_TRUE(d.open(p->slavePath())) << p->slavePath();
    }
}

TEST_F(PortTableOnPty, ConcurrentWritersAndTakersWhileReopening) {
    auto& pty = attach(13);
    ASSERT_EQ(table->Open(13, 19200, "n,8,1"), 1);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const std::uint8_t b[] = {1, 2, 3, 4};
        while (!done)
            (void)table->Write(13, b);
    });
    std::thread taker([&] {
        while (!done)
            table->TakeOldest(13);
    });
    std::thread drainer([&] {
        while (!done)
            pty.receive(4096, 5ms);
    });
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(table->Stop(13));
        EXPECT_EQ(table->Open(13, 19200, "n,8,1"), 1);
    }
    done = true;
    writer.join();
    taker.join();
    drainer.join();
    EXPECT_TRUE(table->IsOpen(13));
}

TEST_F(PortTableOnPty, BacklogIsKnownOnlyForAnOpenEntry) {
    EXPECT_FALSE(table->Backlog(6).has_value()) << "no entry";
    auto& pty = attach(6);
    ASSERT_EQ(table->Open(6, 9600, "n,8,1"), 1);
    const std::vector<std::uint8_t> frame(64, 0x55);
    ASSERT_EQ(table->Write(6, {frame.data(), 64}), WriteStatus::Queued);
    // Until the port's thread has handed the frame on, it is backlog; a pty
    // has no transmitter, so after that nothing is (a UART would report what
    // its queue still holds).
    const auto backlog = table->Backlog(6);
    ASSERT_TRUE(backlog.has_value());
    EXPECT_LE(*backlog, 64u);
    EXPECT_EQ(pty.receive(64, 1s), frame);
    EXPECT_EQ(table->Backlog(6), 0u);
    EXPECT_FALSE(table->Backlog(7).has_value()) << "other number";
    ASSERT_TRUE(table->Stop(6));
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (table->Backlog(6).has_value() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(table->Backlog(6).has_value()) << "closed device";
}

// A module that stops reading its line while set commands keep coming: the
// line and then the port's queue fill up, further frames are refused whole,
// and once the module reads again every frame it finds is whole. Sets of
// 11, 12 and 16 bytes leave the queue's last room at any size, so a frame
// cut to fit it would show.
TEST(StalledModule, RefusedSetsNeverReachItAndQueuedOnesArriveWhole) {
    SimHarness h;
    h.simulator.SetPacing(false);
    auto faults = h.simulator.Faults();
    faults.stall = true;
    h.simulator.SetFaults(faults);
    ASSERT_EQ(h.table.Open(SimHarness::kPort, 9600, "n,8,1"), 1);

    int queued = 0;
    int refused = 0;
    for (int i = 0; i < 4000 && refused < 20; ++i) {
        const auto frame = i % 3 == 0   ? MakeTxPowerSet(i % 8)
                           : i % 3 == 1 ? MakeWakeDelaySetFromText("0.3")
                                        : MakeFrequencySet(i % 17);
        ASSERT_TRUE(frame);
        const WriteStatus w = h.table.Write(SimHarness::kPort, *frame);
        ASSERT_TRUE(w == WriteStatus::Queued || w == WriteStatus::Refused);
        (w == WriteStatus::Queued ? queued : refused)++;
        if (i % 64 == 0)
            std::this_thread::sleep_for(1ms); // the port moves what the pty takes
    }
    ASSERT_EQ(refused, 20) << "the stalled line never filled";

    faults.stall = false;
    h.simulator.SetFaults(faults);
    ASSERT_TRUE(h.table.Drain(SimHarness::kPort, 5s));
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (h.simulator.FrameCount() < static_cast<std::size_t>(queued) &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(h.simulator.FrameCount(), static_cast<std::size_t>(queued));
    EXPECT_EQ(h.simulator.MalformedCount(), 0u);
}
