// The termios backend on pseudo-terminal pairs: raw bytes, line settings,
// exclusive open and why an open failed. How it writes, waits and meets a
// hang-up is seen through the port table (port_table_test).

#include "integration/pty_pair.h"
#include "platform/SerialDevice.h"
#include "platform/SerialDiagnosis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <spawn.h>
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
    dev.close();
    const termios after = pty.slaveSettings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
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

// Another process, ordinary user or root, against a holder of either kind,
// and a device the ordinary user may not open.
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

    // A device nobody may not open: permission, and what to do about it.
    {
        char folder[] = "/tmp/tmx7_perm_XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        ASSERT_EQ(chmod(folder, 0755), 0);
        const std::string path = std::string(folder) + "/ttyS9";
        FILE* f = fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        fclose(f);
        ASSERT_EQ(chmod(path.c_str(), 0600), 0);
        const std::string want = "没有权限打开" + path +
                                 "：请将用户nobody加入dialout组（sudo usermod -aG dialout "
                                 "nobody），然后重新登录";
        const int rc = finish(startAsNobody([&] {
            SerialDevice d;
            const SerialResult r = d.open(path);
            return r.error == SerialError::Permission && OpenFailureReason(path, r) == want ? 0 : 1;
        }));
        EXPECT_EQ(rc, 0) << "nobody was not told: " << want;
        unlink(path.c_str());
        rmdir(folder);
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

TEST(SerialDevice, OpenFailuresCarryTheirErrnoAndSayWhy) {
    char folder[] = "/tmp/tmx7_open_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string plain = std::string(folder) + "/ttyUSB0";
    FILE* f = fopen(plain.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    struct Case {
        std::string path;
        SerialError error;
        std::string reason;
    };
    const Case cases[] = {
        {"/dev/tmx7-no-such-device", SerialError::NotFound,
         "设备/dev/tmx7-no-such-device不存在，请检查串口适配器是否已插好"},
        {"/dev/null", SerialError::NotATty, "/dev/null不是串口设备"},
        {plain, SerialError::NotATty, plain + "不是串口设备"},
    };
    SerialDevice dev;
    for (const Case& c : cases) {
        const auto r = dev.open(c.path);
        EXPECT_EQ(r.error, c.error) << c.path;
        EXPECT_NE(r.sysErrno, 0) << c.path;
        EXPECT_EQ(OpenFailureReason(c.path, r), c.reason);
    }
    EXPECT_FALSE(dev.isOpen());
    std::uint8_t b = 0;
    EXPECT_EQ(dev.read(&b, 1).status.error, SerialError::Closed);
    EXPECT_EQ(dev.write(&b, 1).status.error, SerialError::Closed);
    EXPECT_EQ(dev.purge(true, true).error, SerialError::Closed);
    EXPECT_TRUE(dev.wait(true, 0us, nullptr).failed);
    EXPECT_FALSE(dev.outputQueued());
    unlink(plain.c_str());
    rmdir(folder);
}

TEST(SerialDevice, TheDoctorNamesAGrabberHoldingThePortAndWhatToDo) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const std::string path = pty.slavePath();
    // A program called ModemManager with the port open, as the real one has
    // it while it probes a new port (a copy of sleep under that name).
    char folder[] = "/tmp/tmx7_doctor_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string program = std::string(folder) + "/ModemManager";
    std::filesystem::copy_file("/bin/sleep", program);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, path.c_str(), O_RDWR | O_NOCTTY, 0);
    const char* argv[] = {"ModemManager", "30", nullptr};
    pid_t grabber = -1;
    ASSERT_EQ(posix_spawn(&grabber, program.c_str(), &files, nullptr,
                          const_cast<char* const*>(argv), environ),
              0);
    posix_spawn_file_actions_destroy(&files);
    const std::string pid = std::to_string(grabber);
    const Finding held{Finding::Level::Problem,
                       path + ": held by ModemManager (PID " + pid +
                           "), which probes every new serial port for a modem, writing AT "
                           "commands to it; tell it to leave the adapter alone (a udev rule "
                           "setting ENV{ID_MM_DEVICE_IGNORE}=\"1\") or stop it (systemctl stop "
                           "ModemManager)"};
    std::vector<Finding> port;
    for (int i = 0; i < 400; ++i) { // until it has opened the port
        port = ExaminePort(path);
        if (std::find(port.begin(), port.end(), held) != port.end())
            break;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_NE(std::find(port.begin(), port.end(), held), port.end());
    EXPECT_EQ(port.back(), (Finding{Finding::Level::Ok, path + ": opens and can be locked"}))
        << "it holds no lock";
    const auto system = ExamineSystem();
    const Finding running{Finding::Level::Note,
                          "ModemManager is running (PID " + pid +
                              "): it probes every new serial port for a modem, writing AT "
                              "commands to it"};
    EXPECT_NE(std::find(system.begin(), system.end(), running), system.end());
    kill(grabber, SIGTERM);
    waitpid(grabber, nullptr, 0);
    std::filesystem::remove_all(folder);

    const auto missing = ExaminePort("/dev/tmx7-no-such-device");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].text, "/dev/tmx7-no-such-device: 设备/dev/tmx7-no-such-device不存在，"
                               "请检查串口适配器是否已插好");
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
