// The termios backend on pseudo-terminal pairs.

#include "integration/pty_pair.h"
#include "platform/SerialDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <grp.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tmx7;
using namespace tmx7::testing;
using namespace std::chrono_literals;

namespace {

const std::vector<std::uint8_t> kAwkward = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0xFF, 0x0A, 0x03, 0x1C};

std::vector<std::uint8_t> readAll(SerialDevice& d, std::size_t want) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (out.size() < want && std::chrono::steady_clock::now() < end) {
        if (!d.wait(false, 100ms, nullptr).readable)
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

    const auto w = dev.write(kAwkward.data(), kAwkward.size());
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
    const Row rows[] = {{1200, B1200, {Parity::None, 1}},
                        {19200, B19200, {Parity::Odd, 2}},
                        {57600, B57600, {Parity::Even, 1}}};
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

TEST(SerialDevice, ExclusiveWithinThisProcess) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice first;
    ASSERT_TRUE(first.open(pty.slavePath()));
    SerialDevice second;
    const auto r = second.open(pty.slavePath());
    EXPECT_EQ(r.error, SerialError::Busy);
    EXPECT_NE(r.sysErrno, 0);
    EXPECT_FALSE(second.isOpen());
    first.close();
    EXPECT_TRUE(second.open(pty.slavePath())) << "the lock outlived the close";
}

namespace {

constexpr uid_t kNobody = 65534;

// Starts `body` in a child process as the ordinary user nobody; its result
// is the child's exit code (finish()), 99 when the switch of user failed.
template <typename Body> pid_t startAsNobody(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(99);
        _exit(body());
    }
    return child;
}

int finish(pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

// Another process, ordinary user or root, against a holder of either kind.
TEST(SerialDevice, ExclusiveAcrossProcessesForAnOrdinaryUserAndRoot) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as the ordinary user nobody; run the suite as root";
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(chown(pty.slavePath().c_str(), kNobody, kNobody), 0);

    // Held by root: nobody is turned away.
    {
        SerialDevice held;
        ASSERT_TRUE(held.open(pty.slavePath()));
        const int rc = finish(startAsNobody([&] {
            SerialDevice d;
            return d.open(pty.slavePath()).error == SerialError::Busy ? 0 : 1;
        }));
        EXPECT_EQ(rc, 0) << "an ordinary user opened a held device (99: no user switch)";
    }

    // Held by nobody: root is turned away, and gets it once nobody lets go.
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = startAsNobody([&] {
        SerialDevice d;
        const char ok = d.open(pty.slavePath()) ? 1 : 0;
        if (write(ready[1], &ok, 1) != 1)
            return 2;
        char go;
        return read(release[0], &go, 1) == 1 ? 0 : 3;
    });
    ASSERT_GT(holder, 0);
    char opened = 0;
    ASSERT_EQ(read(ready[0], &opened, 1), 1);
    EXPECT_EQ(opened, 1) << "nobody could not open a device it owns";
    SerialDevice root;
    EXPECT_EQ(root.open(pty.slavePath()).error, SerialError::Busy);
    const char go = 1;
    ASSERT_EQ(write(release[1], &go, 1), 1);
    EXPECT_EQ(finish(holder), 0);
    EXPECT_TRUE(root.open(pty.slavePath())) << "the lock outlived its holder";
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
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
    EXPECT_EQ(dev.write(&b, 1).status.error, SerialError::Closed);
    EXPECT_EQ(dev.purge(true, true).error, SerialError::Closed);
    EXPECT_TRUE(dev.wait(true, 0us, nullptr).failed);
    EXPECT_FALSE(dev.outputQueued());
}

TEST(SerialDevice, WriteTakesWhatTheDriverTakesAndNeverWaits) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice dev;
    ASSERT_TRUE(dev.open(pty.slavePath()));
    // The peer reads nothing, so the pty's buffers fill and the driver
    // takes only part of it; the rest is the caller's to keep. A pty frees
    // room in steps as its buffers move on, so write until it stays full.
    std::vector<std::uint8_t> big(512 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    std::size_t written = 0;
    auto slowest = std::chrono::steady_clock::duration::zero();
    for (int i = 0; i < 100; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto w = dev.write(big.data() + written, big.size() - written);
        slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
        ASSERT_TRUE(w.status.ok());
        written += w.written;
        if (w.written == 0 && !dev.wait(true, 20ms, nullptr).writable)
            break;
    }
    EXPECT_LT(slowest, 50ms);
    EXPECT_GT(written, 0u);
    ASSERT_LT(written, big.size());
    const auto full = dev.write(big.data() + written, 1);
    EXPECT_TRUE(full.status.ok());
    EXPECT_EQ(full.written, 0u) << "a full driver takes nothing and says so";
    const auto got = pty.receive(big.size(), 500ms);
    ASSERT_EQ(got.size(), written) << "the reported count differs from what arrived";
    EXPECT_TRUE(std::equal(got.begin(), got.end(), big.begin()));
    EXPECT_TRUE(dev.wait(true, 1s, nullptr).writable) << "room again once the peer has read";
}

TEST(SerialDevice, WaitEndsOnTheWakeSignal) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice dev;
    ASSERT_TRUE(dev.open(pty.slavePath()));
    WakeSignal wake;
    ASSERT_TRUE(wake.valid());
    std::thread waker([&] {
        std::this_thread::sleep_for(20ms);
        wake.notify();
    });
    const auto start = std::chrono::steady_clock::now();
    const Readiness r = dev.wait(false, SerialDevice::kNoLimit, &wake);
    waker.join();
    EXPECT_TRUE(r.woken);
    EXPECT_FALSE(r.readable);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    wake.clear();
    EXPECT_TRUE(dev.wait(false, 10ms, &wake).timedOut()) << "clear() forgets the notice";
}

TEST(SerialDevice, HangUpIsReportedNotSpunOn) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialDevice dev;
    ASSERT_TRUE(dev.open(pty.slavePath()));
    std::uint8_t buf[16];
    EXPECT_EQ(dev.read(buf, sizeof buf).count, 0u);
    EXPECT_FALSE(dev.lost()) << "an empty queue is not a hang-up";
    EXPECT_TRUE(dev.wait(false, 20ms, nullptr).timedOut());
    pty.hangUp();
    EXPECT_TRUE(dev.wait(false, 1s, nullptr).hungUp);
    EXPECT_EQ(dev.read(buf, sizeof buf).count, 0u);
    EXPECT_TRUE(dev.lost());
    const std::uint8_t b = 1;
    const auto w = dev.write(&b, 1);
    EXPECT_EQ(w.written, 0u);
    EXPECT_FALSE(w.status.ok());
    dev.close();
    EXPECT_FALSE(dev.isOpen());
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
