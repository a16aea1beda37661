#include "link/CommPort.h"

#include <algorithm>
#include <cerrno>

namespace tmx7 {

namespace {

using Steady = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

// A frame that has started leaving gets this long beyond twice its own line
// time to finish when the port stops; a line that takes longer has stalled.
constexpr Millis kFinishMargin{200};
// The same for the driver's queue before the device is closed.
constexpr Millis kDrainMargin{50};
// How often a stop or a drain looks at the driver's queue, which tells no one
// when it empties.
constexpr Millis kDriverQueueLook{2};
// Characters a UART's transmit FIFO holds beyond the driver's count.
constexpr int kUartFifo = 16;

} // namespace

CCommPort::CCommPort() = default;

CCommPort::~CCommPort() {
    RequestStop();
    Join();
    Close();
}

SerialResult CCommPort::OpenDevice(const std::string& path) {
    std::lock_guard lock(m_deviceMutex);
    m_device.close();
    SerialResult r = m_device.open(path);
    if (!r)
        return r;
    // Whatever the line held before this opening is no answer to us.
    r = m_device.purge(true, true);
    if (!r)
        m_device.close();
    return r;
}

CCommPort::LineResult CCommPort::SetLineSettings(int baud, LineFormat format) {
    if (!m_device.settingsReadable())
        return LineResult::Unreadable;
    return m_device.configure(baud, format) ? LineResult::Applied : LineResult::Refused;
}

bool CCommPort::Start(Micros gap, Clock& clock, PortReceiver& receiver) {
    if (m_thread.joinable() || !m_device.isOpen() || !m_wake.valid())
        return false;
    m_gap = gap;
    m_clock = &clock;
    m_receiver = &receiver;
    m_stop.store(false, std::memory_order_release);
    m_wake.clear();
    {
        std::lock_guard lock(m_queueMutex);
        m_head = 0;
        m_queued = 0;
        m_frameLengths.clear();
        m_frontWritten = 0;
        m_accepting = true;
    }
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        std::lock_guard lock(m_queueMutex);
        m_accepting = false;
        return false;
    }
    return true;
}

void CCommPort::RequestStop() {
    {
        std::lock_guard lock(m_queueMutex);
        m_accepting = false;
    }
    m_queueEmptied.notify_all();
    m_stop.store(true, std::memory_order_release);
    m_wake.notify();
}

void CCommPort::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

void CCommPort::Close() {
    std::lock_guard lock(m_deviceMutex);
    m_device.close();
}

bool CCommPort::IsOpen() const {
    return m_device.isOpen() && !m_device.lost();
}

WriteStatus CCommPort::Write(std::span<const std::uint8_t> frame) {
    bool wasEmpty;
    {
        std::lock_guard lock(m_queueMutex);
        if (!m_accepting || m_device.lost())
            return WriteStatus::PortLost;
        if (frame.empty())
            return WriteStatus::Queued;
        if (frame.size() > kOutboundBytes - m_queued)
            return WriteStatus::Refused;
        // The thread reads only the first m_queued bytes from m_head on, so
        // the space behind them is ours while the lock is held.
        const std::size_t tail = (m_head + m_queued) % kOutboundBytes;
        const std::size_t first = std::min(frame.size(), kOutboundBytes - tail);
        std::copy_n(frame.begin(), first, m_ring.begin() + static_cast<std::ptrdiff_t>(tail));
        std::copy(frame.begin() + static_cast<std::ptrdiff_t>(first), frame.end(), m_ring.begin());
        wasEmpty = m_queued == 0;
        m_queued += frame.size();
        m_frameLengths.push_back(static_cast<std::uint16_t>(frame.size()));
    }
    // A thread with output queued already waits for the driver's room; one
    // without must be told that there is something to send.
    if (wasEmpty)
        m_wake.notify();
    return WriteStatus::Queued;
}

std::optional<std::size_t> CCommPort::Backlog() const {
    std::optional<std::size_t> driver;
    {
        std::lock_guard lock(m_deviceMutex);
        driver = m_device.outputQueued();
    }
    if (!driver)
        return std::nullopt;
    std::lock_guard lock(m_queueMutex);
    return *driver + m_queued;
}

Micros CCommPort::ByteTime() const {
    // Start bit, 8 data bits, parity and 2 stop bits at most.
    const int baud = m_device.requestedBaud() > 0 ? m_device.requestedBaud() : 1200;
    return Micros(12'000'000 / baud);
}

bool CCommPort::Drain(Millis limit, Clock& clock) {
    const TimePoint end = clock.now() + limit;
    {
        std::unique_lock lock(m_queueMutex);
        m_queueEmptied.wait_for(lock, limit, [this] { return m_queued == 0 || !m_accepting; });
        if (m_queued != 0 || !m_accepting)
            return false;
    }
    for (;;) {
        std::optional<std::size_t> driver;
        {
            std::lock_guard lock(m_deviceMutex);
            driver = m_device.outputQueued();
        }
        if (!driver)
            return false;
        if (*driver == 0)
            break;
        if (clock.now() >= end)
            return false;
        clock.sleepFor(kDriverQueueLook);
    }
    // The driver counts only its own queue; a UART still holds up to a FIFO.
    const auto fifo = std::chrono::ceil<Millis>(ByteTime() * kUartFifo * 10 / 12);
    const auto left = std::chrono::duration_cast<Millis>(end - clock.now());
    clock.sleepFor(std::clamp(left, Millis(0), fifo));
    return true;
}

bool CCommPort::WriteQueued(std::size_t limit, SerialResult& why) {
    for (;;) {
        std::size_t head;
        std::size_t count;
        {
            std::lock_guard lock(m_queueMutex);
            head = m_head;
            count = std::min({m_queued, kOutboundBytes - m_head, limit});
        }
        if (count == 0)
            return true;
        const WriteResult w = m_device.write(m_ring.data() + head, count);
        bool emptied = false;
        {
            std::lock_guard lock(m_queueMutex);
            m_head = (m_head + w.written) % kOutboundBytes;
            m_queued -= w.written;
            m_frontWritten += w.written;
            while (!m_frameLengths.empty() && m_frontWritten >= m_frameLengths.front()) {
                m_frontWritten -= m_frameLengths.front();
                m_frameLengths.pop_front();
            }
            emptied = m_queued == 0;
        }
        if (emptied)
            m_queueEmptied.notify_all();
        limit -= w.written;
        if (!w.status) {
            why = w.status;
            return false;
        }
        if (w.written < count)
            return true; // the driver is full; the rest waits for its room
    }
}

std::size_t CCommPort::StartedFrameRest() const {
    std::lock_guard lock(m_queueMutex);
    if (m_frameLengths.empty() || m_frontWritten == 0)
        return 0;
    return m_frameLengths.front() - m_frontWritten;
}

void CCommPort::DropQueue() {
    {
        std::lock_guard lock(m_queueMutex);
        m_head = 0;
        m_queued = 0;
        m_frameLengths.clear();
        m_frontWritten = 0;
        m_accepting = false;
    }
    m_queueEmptied.notify_all();
}

bool CCommPort::ReadQueued(PacketCutter& cutter, SerialResult& why) {
    std::array<std::uint8_t, 1024> buffer;
    const auto now = Steady::now();
    for (;;) {
        const ReadResult r = m_device.read(buffer.data(), buffer.size());
        if (r.count > 0) {
            cutter.Feed(std::span<const std::uint8_t>(buffer.data(), r.count), now);
            continue;
        }
        if (!r.status) {
            why = r.status;
            return false;
        }
        return true;
    }
}

void CCommPort::FinishStartedFrame(PacketCutter& cutter) {
    std::size_t rest = StartedFrameRest();
    if (rest == 0)
        return;
    const auto end = Steady::now() + kFinishMargin + 2 * static_cast<long>(rest) * ByteTime();
    SerialResult why;
    while ((rest = StartedFrameRest()) > 0) {
        const auto left = std::chrono::ceil<Micros>(end - Steady::now());
        if (left.count() <= 0)
            return;
        const Readiness r = m_device.wait(true, left, nullptr);
        if (r.hungUp || r.failed)
            return;
        // Answers keep arriving meanwhile; they still become packets.
        if (r.readable && !ReadQueued(cutter, why))
            return;
        if (r.writable && !WriteQueued(rest, why))
            return;
    }
}

void CCommPort::LetDriverEmpty() {
    auto queued = m_device.outputQueued();
    if (!queued || *queued == 0)
        return;
    const auto limit =
        kDrainMargin + std::chrono::ceil<Millis>(2 * static_cast<long>(*queued) * ByteTime());
    const TimePoint end = m_clock->now() + limit;
    while (queued && *queued > 0 && m_clock->now() < end) {
        m_clock->sleepFor(kDriverQueueLook);
        queued = m_device.outputQueued();
    }
}

void CCommPort::Run() {
    PacketCutter cutter(m_gap,
                        [this](std::span<const std::uint8_t> p) { m_receiver->OnPacket(p); });
    SerialResult why;
    bool lost = false;
    while (!m_stop.load(std::memory_order_acquire)) {
        bool wantOutput;
        {
            std::lock_guard lock(m_queueMutex);
            wantOutput = m_queued > 0;
        }
        // Idle: sleep until something happens. Collecting: until the
        // silence that ends the packet, counted from the last arrival.
        Micros timeout = SerialDevice::kNoLimit;
        if (const auto deadline = cutter.Deadline())
            timeout = std::max(Micros(0), std::chrono::ceil<Micros>(*deadline - Steady::now()));
        const Readiness r = m_device.wait(wantOutput, timeout, &m_wake);
        if (r.woken)
            m_wake.clear();
        if ((r.readable || r.hungUp) && !ReadQueued(cutter, why)) {
            lost = true;
            break;
        }
        if (r.hungUp || r.failed) {
            why = {SerialError::Lost, EIO};
            lost = true;
            break;
        }
        // Not only on POLLOUT: a pty reports it only once a good deal of
        // room is free, and takes part of a frame well before that.
        if ((r.writable || r.woken) && !WriteQueued(kOutboundBytes, why)) {
            lost = true;
            break;
        }
        cutter.Expire(Steady::now());
    }

    if (lost) {
        DropQueue();
        // Bytes that did arrive are still a packet; a vanished line posts
        // nothing beyond them.
        if (cutter.Collected() > 0)
            cutter.Flush();
        Close();
        m_receiver->OnLost(why);
        return;
    }
    FinishStartedFrame(cutter);
    DropQueue();
    LetDriverEmpty();
    // A stop ends the collection and posts what was collected, even nothing.
    cutter.Flush();
    Close();
}

} // namespace tmx7
