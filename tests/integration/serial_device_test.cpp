// The termios backend and the port object on pseudo-terminal pairs.

#include "integration/pty_pair.h"
#include "link/CommPort.h"
#include "platform/SerialDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>

using namespace tmx7;
using namespace tmx7::testing;
using namespace std::chrono_literals;

namespace {

const std::vector<std::uint8_t> kAwkward = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0xFF, 0x0A, 0x03, 0x1C};

std::vector<std::uint8_t> readAll(SerialDevice& d, std::size_t want) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (out.size() < want && std::chrono::steady_clock::now() < end) {
        if (d.waitInput(100, -1) != WaitResult::Readable)
            continue;
        std::uint8_t buf[256];
        const auto r = d.read(buf, sizeof buf);
        out.insert(out.end(), buf, buf + r.count);
    }
    return out;
}

} // namespace

TEST(SerialDevice, AwkwardBytesPassUnchangedBothWays) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice dev;
    ASSERT_TRUE(dev.open(pty.slavePath()));
    ASSERT_TRUE(dev.configure(9600, {Parity::None, 1}));

    const auto w = dev.write(kAwkward.data(), kAwkward.size(), 200ms);
    ASSERT_TRUE(w.status.ok());
    EXPECT_EQ(w.written, kAwkward.size());
    EXPECT_EQ(pty.receive(kAwkward.size(), 1s), kAwkward) << "output was translated";
    EXPECT_TRUE(pty.receive(1, 50ms).empty()) << "extra bytes (CR added?)";

    ASSERT_TRUE(pty.send(kAwkward));
    EXPECT_EQ(readAll(dev, kAwkward.size()), kAwkward) << "input was translated";
    EXPECT_TRUE(pty.receive(1, 50ms).empty()) << "the device echoed the peer's bytes";
}

TEST(SerialDevice, LineSettingsReachThePeerAndAreRestoredOnClose) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const termios before = pty.slaveSettings();
    ASSERT_TRUE(before.c_lflag & ICANON) << "a fresh pty should start cooked";
    SerialDevice dev;
    ASSERT_TRUE(dev.open(pty.slavePath()));
    struct Row {
        int baud;
        speed_t speed;
        LineFormat format;
    };
    const Row rows[] = {{1200, B1200, {Parity::None, 1}},   {2400, B2400, {Parity::Odd, 2}},
                        {4800, B4800, {Parity::Even, 1}},   {9600, B9600, {Parity::Odd, 1}},
                        {19200, B19200, {Parity::None, 2}}, {38400, B38400, {Parity::Even, 2}},
                        {57600, B57600, {Parity::None, 1}}};
    for (const Row& r : rows) {
        ASSERT_TRUE(dev.configure(r.baud, r.format)) << r.baud;
        const termios t = pty.slaveSettings();
        EXPECT_EQ(cfgetospeed(&t), r.speed) << r.baud;
        EXPECT_EQ(cfgetispeed(&t), r.speed) << r.baud;
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, r.format.stopBits == 2) << r.baud;
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 0);
        // The pty drops PARENB; the backend keeps what was asked for.
        EXPECT_EQ(dev.requestedFormat(), r.format);
        EXPECT_EQ(dev.requestedBaud(), r.baud);
    }
    for (int bad : {0, 300, 115200, -9600}) {
        const auto r = dev.configure(bad, {Parity::None, 1});
        EXPECT_EQ(r.error, SerialError::Unsupported) << bad;
        EXPECT_EQ(r.sysErrno, EINVAL);
    }
    EXPECT_EQ(dev.configure(9600, {Parity::None, 3}).error, SerialError::Unsupported);
    EXPECT_EQ(dev.modemLines(), 0);            // a pty has none
    EXPECT_EQ(dev.lineErrors(), LineErrors{}); // and keeps no error counts
    dev.close();
    const termios after = pty.slaveSettings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
}

TEST(SerialDevice, ExclusiveAgainstThisAndOtherProcessesEvenAsRoot) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice first;
    ASSERT_TRUE(first.open(pty.slavePath()));

    SerialDevice second;
    const auto r = second.open(pty.slavePath());
    EXPECT_EQ(r.error, SerialError::Busy);
    EXPECT_NE(r.sysErrno, 0);
    EXPECT_FALSE(second.isOpen());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SerialDevice other;
        const auto rc = other.open(pty.slavePath());
        _exit(rc.error == SerialError::Busy ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "another process opened the held device";

    first.close();
    EXPECT_TRUE(second.open(pty.slavePath())) << "the lock outlived the close";
}

TEST(SerialDevice, OpenFailuresCarryTheirErrno) {
    SerialDevice dev;
    auto r = dev.open("/dev/tmx7-no-such-device");
    EXPECT_EQ(r.error, SerialError::NotFound);
    EXPECT_EQ(r.sysErrno, ENOENT);
    r = dev.open("/dev/null");
    EXPECT_EQ(r.error, SerialError::NotATty);
    EXPECT_FALSE(dev.isOpen());
    std::uint8_t b = 0;
    EXPECT_EQ(dev.read(&b, 1).status.error, SerialError::Closed);
    EXPECT_EQ(dev.write(&b, 1, 10ms).status.error, SerialError::Closed);
    EXPECT_EQ(dev.purge(true, true).error, SerialError::Closed);
}

TEST(SerialDevice, WriteStopsAtItsDeadlineAndCountsOnlyWhatWasQueued) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice dev;
    ASSERT_TRUE(dev.open(pty.slavePath()));
    // The peer reads nothing, so the pty's buffers fill and the write must give up.
    std::vector<std::uint8_t> big(512 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    const auto start = std::chrono::steady_clock::now();
    const auto w = dev.write(big.data(), big.size(), 100ms);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(w.status.error, SerialError::TimedOut);
    EXPECT_EQ(w.status.sysErrno, ETIMEDOUT);
    EXPECT_LT(w.written, big.size());
    EXPECT_GT(w.written, 0u);
    EXPECT_LT(took, 1s);
    const auto got = pty.receive(big.size(), 500ms);
    ASSERT_EQ(got.size(), w.written) << "the reported count differs from what arrived";
    EXPECT_TRUE(std::equal(got.begin(), got.end(), big.begin()));
}

TEST(SerialDevice, HangUpIsReportedNotSpunOn) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice dev;
    ASSERT_TRUE(dev.open(pty.slavePath()));
    std::uint8_t buf[16];
    EXPECT_EQ(dev.read(buf, sizeof buf).count, 0u);
    EXPECT_FALSE(dev.lost()) << "an empty queue is not a hang-up";
    EXPECT_EQ(dev.waitInput(20, -1), WaitResult::TimedOut);
    pty.hangUp();
    EXPECT_EQ(dev.waitInput(1000, -1), WaitResult::HungUp);
    EXPECT_EQ(dev.read(buf, sizeof buf).count, 0u);
    EXPECT_TRUE(dev.lost());
    const std::uint8_t b = 1;
    const auto w = dev.write(&b, 1, 50ms);
    EXPECT_EQ(w.written, 0u);
    EXPECT_FALSE(w.status.ok());
    dev.close();
    EXPECT_FALSE(dev.isOpen());
}

// --- CCommPort ------------------------------------------------------------

namespace {

class RecordingPort : public CCommPort {
public:
    void PostEvent(unsigned message, long value, bool post) override {
        if (message == kMsgReceive && value == 0 && post)
            ++receives;
        else
            ++others;
    }
    std::atomic<int> receives{0};
    std::atomic<int> others{0};
};

} // namespace

TEST(CommPort, OpenConfigureReadWriteClose) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    CCommPort port;
    EXPECT_EQ(port.Flags(), 0x03u);
    EXPECT_EQ(port.PortNumber(), -1);
    std::uint8_t buf[16];
    EXPECT_EQ(port.Read(buf, 4, 0), 0); // closed
    EXPECT_EQ(port.Write(buf, 4), 0);
    EXPECT_FALSE(port.ConfigureDevice());
    port.Close(500); // closed: nothing happens

    port.SetDeviceName(pty.slavePath());
    ASSERT_TRUE(port.OpenDevice());
    ASSERT_TRUE(pty.send({1, 2, 3}));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(port.ConfigureDevice());
    EXPECT_EQ(port.Read(buf, 16, 0), 0) << "configuring purges the input queue";
    EXPECT_EQ(port.QueueIn(), 4096u);
    EXPECT_EQ(port.QueueOut(), 4096u);
    const auto& t = port.GetTimeouts();
    EXPECT_EQ(t.readInterval, 100u);
    EXPECT_EQ(t.readTotalMultiplier, 0u);
    EXPECT_EQ(t.readTotalConstant, 500u);
    EXPECT_EQ(t.writeTotalMultiplier, 1u);
    EXPECT_EQ(t.writeTotalConstant, 10000u);

    ASSERT_TRUE(pty.send({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.Read(buf, 0, 0), 0);
    EXPECT_EQ(port.Read(buf, 4, 0), 4);
    EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(port.Read(buf, 16, 0), 6) << "the rest stayed queued";
    EXPECT_EQ(port.Read(buf, 16, 0), 0);

    EXPECT_EQ(port.Write(kAwkward.data(), 0), 0);
    EXPECT_EQ(port.Write(kAwkward.data(), static_cast<int>(kAwkward.size())),
              static_cast<int>(kAwkward.size()));
    EXPECT_EQ(pty.receive(kAwkward.size(), 1s), kAwkward);

    // Opening again while open closes first and opens anew.
    EXPECT_TRUE(port.OpenDevice());
    CCommPort other;
    other.SetDeviceName(pty.slavePath());
    EXPECT_FALSE(other.OpenDevice()) << "second opener of a held device";
    EXPECT_EQ(other.LastError().error, SerialError::Busy);
    port.Close(1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(other.OpenDevice());
}

TEST(CommPort, MonitorReportsReceiveAndStopsOnRequest) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    RecordingPort port;
    port.SetDeviceName(pty.slavePath());
    ASSERT_TRUE(port.OpenDevice());
    ASSERT_TRUE(port.ConfigureDevice());
    EXPECT_FALSE(port.StopWorkers(500)) << "no worker yet";
    ASSERT_TRUE(port.StartWorkers(0));
    EXPECT_FALSE(port.StartWorkers(0)) << "second start without a stop";
    ASSERT_TRUE(pty.send({0x55}));
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (port.receives.load() == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    EXPECT_GE(port.receives.load(), 1);
    // Unread bytes keep the line readable; the monitor must pause, not spin.
    const auto cpu0 = processCpuTime();
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(processCpuTime() - cpu0, 60ms);
    EXPECT_LE(port.receives.load(), 40);
    EXPECT_EQ(port.others.load(), 0);
    EXPECT_TRUE(port.StopWorkers(500));
    EXPECT_FALSE(port.HasWorker());
    port.DispatchEvents(CCommPort::kEvCts | CCommPort::kEvDsr | CCommPort::kEvRing |
                        CCommPort::kEvRlsd | CCommPort::kEvBreak | CCommPort::kEvErr |
                        CCommPort::kEvTxEmpty);
    EXPECT_EQ(port.others.load(), 7);
    EXPECT_TRUE(port.StartWorkers(0)) << "restartable after a stop";
    port.Close(1);
    EXPECT_FALSE(port.HasWorker()) << "close joins the monitor";
}

TEST(CommPort, MonitorEndsOnHangUpAndCloseStillWorks) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    CCommPort port;
    port.SetDeviceName(pty.slavePath());
    ASSERT_TRUE(port.OpenDevice());
    ASSERT_TRUE(port.StartWorkers(0));
    pty.hangUp();
    std::this_thread::sleep_for(50ms);
    const auto cpu0 = processCpuTime();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(processCpuTime() - cpu0, 60ms) << "busy loop on a vanished device";
    const std::uint8_t b[] = {1, 2, 3};
    EXPECT_EQ(port.Write(b, 3), 0);
    port.Close(1);
    EXPECT_FALSE(port.IsOpen());
}

TEST(RealDevice, OpensConfiguresAndIsExclusive) {
    const char* path = std::getenv("TMX7_TEST_DEVICE");
    if (path == nullptr || *path == '\0')
        GTEST_SKIP() << "set TMX7_TEST_DEVICE=/dev/ttyUSB0 (a module attached) to run";
    SerialDevice dev;
    const auto r = dev.open(path);
    ASSERT_TRUE(r) << "errno " << r.sysErrno;
    for (int baud : {1200, 9600, 57600})
        EXPECT_TRUE(dev.configure(baud, {Parity::Even, 1})) << baud;
    SerialDevice second;
    EXPECT_EQ(second.open(path).error, SerialError::Busy);
    EXPECT_TRUE(dev.purge(true, true));
}
