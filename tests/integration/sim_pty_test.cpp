// The simulated module over a real pty, against a plain termios client.

#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace tmx7;
using namespace tmx7::sim;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;

namespace {

const Bytes kPre = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F};

Bytes Cmd(std::initializer_list<std::uint8_t> tail) {
    Bytes b = kPre;
    b.insert(b.end(), tail);
    return b;
}

speed_t Speed(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 4800:
        return B4800;
    case 57600:
        return B57600;
    default:
        return B9600;
    }
}

class RawClient {
public:
    explicit RawClient(const std::string& path) {
        m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    ~RawClient() { Close(); }
    bool ok() const { return m_fd >= 0; }
    void Close() {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }
    bool Configure(int baud, char parity = 'n', int stopBits = 1) {
        termios tio{};
        if (tcgetattr(m_fd, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~(PARENB | PARODD | CSTOPB);
        if (parity != 'n')
            tio.c_cflag |= PARENB;
        if (parity == 'o')
            tio.c_cflag |= PARODD;
        if (stopBits == 2)
            tio.c_cflag |= CSTOPB;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        cfsetispeed(&tio, Speed(baud));
        cfsetospeed(&tio, Speed(baud));
        return tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }
    bool Write(const Bytes& b) {
        return write(m_fd, b.data(), b.size()) == static_cast<ssize_t>(b.size());
    }
    // Reads until `want` bytes arrived or `timeout` passed.
    Bytes Read(std::size_t want, Millis timeout) {
        Bytes out;
        const auto end = SteadyClock::now() + timeout;
        while (out.size() < want) {
            const auto left = std::chrono::ceil<Millis>(end - SteadyClock::now());
            if (left <= 0ms)
                break;
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            std::uint8_t buf[512];
            const ssize_t n = read(m_fd, buf, sizeof buf);
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
            m_lastByte = SteadyClock::now();
        }
        return out;
    }
    int fd() const { return m_fd; }
    SteadyClock::time_point lastByte() const { return m_lastByte; }

private:
    int m_fd = -1;
    SteadyClock::time_point m_lastByte{};
};

SimulatorOptions Fast() {
    SimulatorOptions o;
    o.pace = false;
    return o;
}

Millis CpuTime() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    const auto us = [](const timeval& t) { return t.tv_sec * 1'000'000LL + t.tv_usec; };
    return Millis((us(ru.ru_utime) + us(ru.ru_stime)) / 1000);
}

TEST(SimPty, ProbeQuerySetAndReadBack) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok());
    ASSERT_TRUE(client.Configure(9600));

    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_EQ(client.Read(13, 1000ms), Cmd({0xFD, 0x03, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(client.Write(Cmd({0xFF, 0x01, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00})));
    EXPECT_EQ(client.Read(16, 1000ms), Cmd({0xFF, 0x03, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(client.Write(Cmd({0xFF, 0x03})));
    EXPECT_EQ(client.Read(16, 1000ms), Cmd({0xFF, 0x03, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00}));
    ASSERT_TRUE(client.Write({0x41, 0x42, 0x43}));
    EXPECT_EQ(client.Read(3, 1000ms), (Bytes{0x41, 0x42, 0x43}));

    EXPECT_TRUE(sim.WaitForFrames(4, 1000ms));
    EXPECT_EQ(sim.State().channel, 0x10);
    EXPECT_EQ(sim.MalformedCount(), 0u);
    const auto frames = sim.Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].kind, FrameKind::Probe);
    EXPECT_EQ(frames[1].kind, FrameKind::Set);
    EXPECT_EQ(frames[3].kind, FrameKind::Data);
    sim.Stop();
    EXPECT_FALSE(sim.Running());
}

TEST(SimPty, WrongBaudOrParityGetNoAnswerStopBitsDoNotMatter) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok());
    ASSERT_TRUE(client.Configure(4800));
    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_TRUE(client.Read(1, 200ms).empty());
    // The frame was seen, at a line the module does not use.
    ASSERT_TRUE(sim.WaitForFrames(1, 500ms));
    EXPECT_FALSE(sim.Frames()[0].lineMatched);

    ASSERT_TRUE(client.Configure(9600, 'n', 2));
    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_EQ(client.Read(13, 1000ms).size(), 13u);
    ASSERT_TRUE(client.Configure(9600, 'n', 1));
    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_EQ(client.Read(13, 1000ms).size(), 13u);
    // Odd parity shows through the pty; even does not and needs the host's word.
    ASSERT_TRUE(client.Configure(9600, 'o', 1));
    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_TRUE(client.Read(1, 200ms).empty());
    ASSERT_TRUE(client.Configure(9600, 'e', 1));
    sim.SetHostParity(Parity::Even);
    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_TRUE(client.Read(1, 200ms).empty());
    EXPECT_EQ(sim.MalformedCount(), 0u);
}

TEST(SimPty, OutputIsPacedAtTheLineByteTime) {
    ModuleState state;
    state.serialBaud = 0x03; // 1200 bit/s: 16 bytes of answer take 133 ms
    SimulatorOptions options;
    options.state = state;
    Simulator sim(options);
    ASSERT_TRUE(sim.Start());
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok());
    ASSERT_TRUE(client.Configure(1200));

    auto start = SteadyClock::now();
    ASSERT_TRUE(client.Write(Cmd({0xEC, 0x03})));
    ASSERT_EQ(client.Read(16, 2000ms).size(), 16u);
    const auto paced = client.lastByte() - start;
    EXPECT_GE(paced, 120ms);
    EXPECT_LT(paced, 600ms);

    sim.SetPacing(false);
    start = SteadyClock::now();
    ASSERT_TRUE(client.Write(Cmd({0xEC, 0x03})));
    ASSERT_EQ(client.Read(16, 2000ms).size(), 16u);
    EXPECT_LT(client.lastByte() - start, 100ms);
}

TEST(SimPty, SplitAnswerArrivesInTwoPiecesWithAGap) {
    Simulator sim(Fast());
    FaultConfig faults;
    faults.split = true;
    faults.splitGap = 250ms;
    sim.SetFaults(faults);
    ASSERT_TRUE(sim.Start());
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok() && client.Configure(9600));
    ASSERT_TRUE(client.Write(Cmd({0xFC, 0x03})));
    const Bytes first = client.Read(11, 150ms);
    EXPECT_EQ(first.size(), 5u);
    const Bytes rest = client.Read(11 - first.size(), 1000ms);
    Bytes all = first;
    all.insert(all.end(), rest.begin(), rest.end());
    EXPECT_EQ(all, Cmd({0xFC, 0x03, 0x06}));
}

TEST(SimPty, PassiveFramesOverThePty) {
    SimulatorOptions options = Fast();
    options.state.serialMode = 0x01;
    Simulator sim(options);
    ASSERT_TRUE(sim.Start());
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok() && client.Configure(9600));
    Bytes write = {0x24, 0x30, 0x30, 0x57, 0x01, 0x2D};
    for (int i = 0; i < 300; ++i)
        write.push_back(static_cast<std::uint8_t>(i));
    write.push_back(0x0D);
    ASSERT_TRUE(client.Write(write));
    ASSERT_TRUE(sim.WaitForFrames(1, 1000ms));
    ASSERT_TRUE(client.Write({0x24, 0x30, 0x30, 0x52, 0x0D}));
    const Bytes read = client.Read(307, 1000ms);
    ASSERT_EQ(read.size(), 307u);
    EXPECT_EQ(Bytes(read.begin() + 6, read.end() - 1), Bytes(write.begin() + 6, write.end() - 1));
    EXPECT_EQ(sim.MalformedCount(), 0u);
}

TEST(SimPty, HangUpReachesTheHost) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok() && client.Configure(9600));
    sim.HangUp();
    pollfd p{client.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_NE(p.revents & (POLLHUP | POLLERR), 0);
    std::uint8_t byte;
    EXPECT_LE(read(client.fd(), &byte, 1), 0);
    EXPECT_TRUE(sim.HungUp());
    sim.Stop();
}

TEST(SimPty, IdlesWithoutSpinningWhileTheSlaveIsClosedAndServesAReopen) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    // Never opened yet: the master reports a hang-up all the time.
    auto cpu = CpuTime();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(CpuTime() - cpu, 60ms);
    {
        RawClient client(sim.SlavePath());
        ASSERT_TRUE(client.ok() && client.Configure(9600));
        ASSERT_TRUE(client.Write(Cmd({0xE7, 0x03})));
        EXPECT_EQ(client.Read(11, 1000ms).size(), 11u);
    }
    // Opened and closed again.
    cpu = CpuTime();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(CpuTime() - cpu, 60ms);
    EXPECT_FALSE(sim.SlaveOpen());
    RawClient again(sim.SlavePath());
    ASSERT_TRUE(again.ok() && again.Configure(9600));
    ASSERT_TRUE(again.Write(Cmd({0xE7, 0x03})));
    EXPECT_EQ(again.Read(11, 1000ms), Cmd({0xE7, 0x03, 0x00}));
}

TEST(SimPty, HangsUpAfterTheConfiguredNumberOfFrames) {
    Simulator sim(Fast());
    FaultConfig faults;
    faults.hangUpAfterFrames = 1;
    sim.SetFaults(faults);
    ASSERT_TRUE(sim.Start());
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok() && client.Configure(9600));
    ASSERT_TRUE(client.Write(Cmd({0xE7, 0x03})));
    const auto end = SteadyClock::now() + 1s;
    while (!sim.HungUp() && SteadyClock::now() < end)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(sim.HungUp());
}

TEST(SimPty, FaultsToggledMidRun) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    RawClient client(sim.SlavePath());
    ASSERT_TRUE(client.ok() && client.Configure(9600));
    FaultConfig faults;
    faults.silence = true;
    sim.SetFaults(faults);
    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_TRUE(client.Read(1, 150ms).empty());
    faults = {};
    faults.probeFormatCode = 0x07;
    sim.SetFaults(faults);
    ASSERT_TRUE(client.Write(Cmd({0xFE})));
    EXPECT_EQ(client.Read(13, 1000ms), Cmd({0xFD, 0x03, 0x00, 0x00, 0x07}));
    faults = {};
    faults.bundleWindow = 150ms;
    sim.SetFaults(faults);
    ASSERT_TRUE(client.Write(Cmd({0xE7, 0x03})));
    std::this_thread::sleep_for(40ms);
    ASSERT_TRUE(client.Write(Cmd({0xF8, 0x03})));
    // One read returns whatever is queued: with the answers bundled, both at once.
    const Bytes first = client.Read(1, 1000ms);
    EXPECT_EQ(first.size(), 22u) << "both answers arrive in one packet";
    EXPECT_EQ(sim.MalformedCount(), 0u);
}

} // namespace
