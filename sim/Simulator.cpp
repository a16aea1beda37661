#include "sim/Simulator.h"

#include "platform/SerialTermios.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace tmx7::sim {

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

int BaudFromSpeed(speed_t speed) {
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

speed_t SpeedFromBaud(int baud) {
    const speed_t speed = SpeedForBaud(baud);
    return speed == B0 ? B9600 : speed;
}

Micros ByteTime(const LineSettings& line) {
    const int baud = line.baud > 0 ? line.baud : 9600;
    return Micros(static_cast<long long>(line.BitsPerByte()) * 1'000'000 / baud);
}

TimePoint After(TimePoint t, Micros byteTime, std::size_t bytes) {
    return t + std::chrono::duration_cast<TimePoint::duration>(byteTime *
                                                               static_cast<long long>(bytes));
}

int PollTimeout(std::optional<TimePoint> deadline, TimePoint now, Millis cap) {
    if (!deadline)
        return static_cast<int>(cap.count());
    if (*deadline <= now)
        return 0;
    const auto wait = std::chrono::ceil<Millis>(*deadline - now);
    return static_cast<int>(std::min(wait, cap).count());
}

} // namespace

Simulator::Simulator(SimulatorOptions options)
    : m_options(std::move(options)), m_engine(m_options.state), m_pace(m_options.pace) {
    m_engine.Faults() = m_options.faults;
    m_engine.SetMinGap(m_options.minGap);
}

Simulator::~Simulator() {
    Stop();
}

bool Simulator::Start() {
    if (Running())
        return true;
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        m_error = errno;
        return false;
    }
    char name[128] = {};
    if (ptsname_r(master, name, sizeof name) != 0) {
        m_error = errno;
        close(master);
        close(slave);
        return false;
    }
    // Start the slave raw at the module's own line, so a host that opens it
    // without configuring sees no echo or line editing of the answers.
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        const LineSettings line = ModuleLine(m_options.state);
        cfsetispeed(&tio, SpeedFromBaud(line.baud));
        cfsetospeed(&tio, SpeedFromBaud(line.baud));
        if (line.stopBits == 2)
            tio.c_cflag |= CSTOPB;
        tcsetattr(slave, TCSANOW, &tio);
    }
    // The slave is not kept open here: the host's open and close must show
    // on the master as they would on a real line.
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wake < 0) {
        m_error = errno;
        close(master);
        return false;
    }
    m_master = master;
    m_slavePath = name;
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void Simulator::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        Wake();
        m_thread.join();
    }
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
    if (m_wake >= 0) {
        close(m_wake);
        m_wake = -1;
    }
}

void Simulator::Wake() {
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = write(m_wake, &one, sizeof one);
    }
}

ModuleState Simulator::State() const {
    std::lock_guard lock(m_mutex);
    return m_engine.State();
}

void Simulator::SetState(const ModuleState& state) {
    std::lock_guard lock(m_mutex);
    m_engine.State() = state;
}

FaultConfig Simulator::Faults() const {
    std::lock_guard lock(m_mutex);
    return m_engine.Faults();
}

void Simulator::SetFaults(const FaultConfig& faults) {
    {
        std::lock_guard lock(m_mutex);
        m_engine.Faults() = faults;
    }
    Wake();
}

void Simulator::SetPacing(bool on) {
    std::lock_guard lock(m_mutex);
    m_pace = on;
}

void Simulator::SetHostParity(std::optional<Parity> parity) {
    std::lock_guard lock(m_mutex);
    m_hostParity = parity;
}

void Simulator::HangUp() {
    m_hangUpRequested = true;
    if (!Running()) {
        DoHangUp();
        return;
    }
    Wake();
    // Returns once the master is closed, so callers can rely on it.
    std::unique_lock lock(m_mutex);
    m_framesCv.wait_for(lock, std::chrono::seconds(2), [this] { return m_hungUp.load(); });
}

std::vector<AuditedFrame> Simulator::Frames() const {
    std::lock_guard lock(m_mutex);
    return m_engine.Audit().Frames();
}

std::vector<ReceivedChunk> Simulator::ReceivedChunks() const {
    std::lock_guard lock(m_mutex);
    return m_engine.Audit().Chunks();
}

std::size_t Simulator::FrameCount() const {
    std::lock_guard lock(m_mutex);
    return m_engine.Audit().FrameCount();
}

std::size_t Simulator::MalformedCount() const {
    std::lock_guard lock(m_mutex);
    return m_engine.Audit().MalformedCount();
}

void Simulator::ClearAudit() {
    std::lock_guard lock(m_mutex);
    m_engine.Audit().Clear();
}

bool Simulator::WaitForFrames(std::size_t count, Millis timeout) const {
    std::unique_lock lock(m_mutex);
    return m_framesCv.wait_for(lock, timeout,
                               [&] { return m_engine.Audit().FrameCount() >= count; });
}

HostLine Simulator::ReadHostLine() const {
    HostLine host;
    termios tio{};
    // On a pty master, tcgetattr reports the slave's settings: the host's.
    if (tcgetattr(m_master, &tio) == 0) {
        host.baud = BaudFromSpeed(cfgetospeed(&tio));
        host.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
        host.parityOdd = (tio.c_cflag & PARODD) != 0;
    }
    std::lock_guard lock(m_mutex);
    host.parity = m_hostParity;
    return host;
}

void Simulator::ReadInput(TimePoint now) {
    std::uint8_t buf[4096];
    for (;;) {
        const ssize_t n = read(m_master, buf, sizeof buf);
        if (n > 0) {
            const HostLine host = ReadHostLine();
            std::lock_guard lock(m_mutex);
            m_engine.Feed(buf, static_cast<std::size_t>(n), now, host);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO)
            m_slaveOpen = false; // last slave handle closed
        return;
    }
}

std::optional<TimePoint> Simulator::WriteDue(TimePoint now) {
    bool pace;
    {
        std::lock_guard lock(m_mutex);
        pace = m_pace;
        for (auto& packet : m_engine.TakeDue(now))
            m_sending.push_back({std::move(packet), {}, 0});
    }
    while (!m_sending.empty()) {
        auto& s = m_sending.front();
        const auto& bytes = s.packet.bytes;
        if (s.offset == 0 && s.start == TimePoint{})
            s.start = pace ? std::max(now, m_lineFreeAt) : now;
        const Micros byteTime = ByteTime(s.packet.line);
        if (pace) {
            // The whole packet goes out when its last byte would have left a
            // real line. Writing it byte by byte instead would let any delay of
            // this thread open a silence inside the packet, and the host cuts
            // packets at silences.
            const TimePoint end = After(s.start, byteTime, bytes.size());
            if (end > now && s.offset == 0)
                return end;
        }
        while (s.offset < bytes.size()) {
            const ssize_t n = write(m_master, bytes.data() + s.offset, bytes.size() - s.offset);
            if (n > 0) {
                s.offset += static_cast<std::size_t>(n);
                m_bytesSent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return now + Millis(5); // the host is not reading; try again shortly
            // The host went away: what was on the way is lost, as on a real line.
            m_sending.clear();
            return std::nullopt;
        }
        m_lineFreeAt = pace ? After(s.start, byteTime, bytes.size()) : now;
        m_sending.erase(m_sending.begin());
    }
    return std::nullopt;
}

void Simulator::DoHangUp() {
    // Marked before the close, so that a host which sees the hang-up also
    // finds it reported here.
    {
        std::lock_guard lock(m_mutex); // pairs with the wait in HangUp()
        m_hungUp = true;
    }
    m_slaveOpen = false;
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
    m_sending.clear();
    {
        std::lock_guard lock(m_mutex);
        m_engine.DropOutput();
    }
    m_framesCv.notify_all();
}

void Simulator::Run() {
    const Millis idleCap{100};
    bool slaveClosed = true;
    const auto hangUpIfDue = [this] {
        {
            std::lock_guard lock(m_mutex);
            const std::size_t limit = m_engine.Faults().hangUpAfterFrames;
            if (limit > 0 && m_engine.Audit().FrameCount() >= limit)
                m_hangUpRequested = true;
        }
        if (m_hangUpRequested && !m_hungUp)
            DoHangUp();
    };
    while (!m_stop) {
        hangUpIfDue();

        if (m_master < 0) {
            pollfd wake{m_wake, POLLIN, 0};
            poll(&wake, 1, static_cast<int>(idleCap.count()));
            std::uint64_t drained;
            [[maybe_unused]] const auto n = read(m_wake, &drained, sizeof drained);
            continue;
        }

        TimePoint now = Clock::now();
        std::optional<TimePoint> next;
        if (!slaveClosed) {
            next = WriteDue(now);
            std::lock_guard lock(m_mutex);
            const auto engineNext = m_engine.NextDeadline();
            if (engineNext && (!next || *engineNext < *next))
                next = engineNext;
        }
        hangUpIfDue();
        if (m_master < 0)
            continue;
        m_framesCv.notify_all();

        bool stalled;
        {
            std::lock_guard lock(m_mutex);
            stalled = m_engine.Faults().stall;
        }
        // A stalled module leaves its input where it is; asking for POLLIN
        // would only report it again and again.
        pollfd fds[2] = {{m_wake, POLLIN, 0},
                         {m_master, static_cast<short>(stalled ? 0 : POLLIN), 0}};
        // While the slave is closed only the wake-up is watched, for a while.
        const int count = slaveClosed ? 1 : 2;
        const int timeout = slaveClosed ? static_cast<int>(m_options.closedBackoff.count())
                                        : PollTimeout(next, now, idleCap);
        poll(fds, count, timeout);
        if (fds[0].revents & POLLIN) {
            std::uint64_t drained;
            [[maybe_unused]] const auto n = read(m_wake, &drained, sizeof drained);
        }
        if (m_stop || m_hangUpRequested)
            continue;

        if (slaveClosed) {
            pollfd probe{m_master, static_cast<short>(stalled ? 0 : POLLIN), 0};
            poll(&probe, 1, 0);
            fds[1].revents = probe.revents;
        }
        now = Clock::now();
        if (fds[1].revents & POLLIN)
            ReadInput(now);
        const bool hup = (fds[1].revents & POLLHUP) != 0;
        if (hup) {
            // The host closed the port: end its last burst and forget what
            // was still to be sent.
            std::lock_guard lock(m_mutex);
            m_engine.FlushInput(now);
            m_engine.DropOutput();
            m_sending.clear();
        }
        slaveClosed = hup;
        m_slaveOpen = !hup;
    }
    m_framesCv.notify_all();
}

} // namespace tmx7::sim
