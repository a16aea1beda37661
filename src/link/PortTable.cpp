#include "link/PortTable.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <iostream>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace tmx7 {

namespace {

// Matches no real port: Open records numbers from the caller, including
// out-of-range ones like 0 and -1, so those cannot serve as "never opened".
constexpr int kNoPort = INT_MIN;

struct FormatRow {
    const char* text;
    LineFormat format;
};

constexpr FormatRow kFormats[] = {
    {"n,8,1", {Parity::None, 1}}, {"N,8,1", {Parity::None, 1}}, {"n,8,2", {Parity::None, 2}},
    {"N,8,2", {Parity::None, 2}}, {"o,8,1", {Parity::Odd, 1}},  {"O,8,1", {Parity::Odd, 1}},
    {"o,8,2", {Parity::Odd, 2}},  {"O,8,2", {Parity::Odd, 2}},  {"e,8,1", {Parity::Even, 1}},
    {"E,8,1", {Parity::Even, 1}}, {"e,8,2", {Parity::Even, 2}}, {"E,8,2", {Parity::Even, 2}},
};

void wake(int fd) {
    const std::uint64_t one = 1;
    if (fd >= 0) [[maybe_unused]]
        auto r = ::write(fd, &one, sizeof one);
}

void drain(int fd) {
    std::uint64_t value;
    if (fd >= 0) [[maybe_unused]]
        auto r = ::read(fd, &value, sizeof value);
}

} // namespace

int PollIntervalMs(int baud) {
    if (baud <= 0)
        return 100;
    const double perByte = (1000.0 / baud) * 35.0;
    const int interval = static_cast<int>(perByte) * 6;
    return interval < 1 ? 100 : interval;
}

bool ParseLineFormat(const std::string& fmt, LineFormat& out) {
    for (const FormatRow& row : kFormats) {
        if (fmt == row.text) {
            out = row.format;
            return true;
        }
    }
    return false;
}

// --- PacketStore ---------------------------------------------------------

int PacketStore::Post(const std::uint8_t* bytes, int length) {
    length = std::clamp(length, 0, kPacketBytes);
    std::lock_guard lock(m_mutex);
    auto it =
        std::find_if(m_slots.begin(), m_slots.end(), [](const PacketSlot& s) { return !s.full; });
    PacketSlot& slot = it == m_slots.end() ? m_slots[0] : *it;
    if (length > 0)
        std::copy_n(bytes, length, slot.data.begin());
    slot.length = length;
    slot.full = true;
    slot.sequence = m_nextSequence;
    slot.order = m_nextOrder++;
    const int stamped = m_nextSequence;
    if (++m_nextSequence >= kSequenceLimit)
        m_nextSequence = 1;
    return stamped;
}

std::optional<Packet> PacketStore::TakeOldest() {
    std::lock_guard lock(m_mutex);
    PacketSlot* oldest = nullptr;
    for (PacketSlot& s : m_slots)
        if (s.full && (oldest == nullptr || s.order < oldest->order))
            oldest = &s;
    if (oldest == nullptr)
        return std::nullopt;
    Packet p{oldest->sequence, std::vector<std::uint8_t>(oldest->data.begin(),
                                                         oldest->data.begin() + oldest->length)};
    oldest->length = 0;
    oldest->sequence = 0;
    oldest->full = false;
    oldest->order = 0;
    return p;
}

int PacketStore::NextSequence() const {
    std::lock_guard lock(m_mutex);
    return m_nextSequence;
}

int PacketStore::Untaken() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_slots.begin(), m_slots.end(), [](const PacketSlot& s) { return s.full; }));
}

// --- PortEntry -----------------------------------------------------------

PortEntry::PortEntry() : portNumber(kNoPort) {
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

PortEntry::~PortEntry() {
    if (worker.joinable()) {
        running.store(false, std::memory_order_release);
        wake(wakeFd);
        worker.join();
    }
    if (wakeFd >= 0)
        ::close(wakeFd);
}

// --- CPortTable ----------------------------------------------------------

CPortTable::CPortTable(PortDirectory& directory) : m_directory(directory) {}

CPortTable::~CPortTable() {
    // Stop every worker first, then wait for all: the waits overlap.
    for (PortEntry& e : m_entries) {
        e.running.store(false, std::memory_order_release);
        wake(e.wakeFd);
    }
    for (PortEntry& e : m_entries)
        if (e.worker.joinable())
            e.worker.join();
}

void CPortTable::SetEvents(PortEvents* events) {
    m_events.store(events, std::memory_order_release);
}

void CPortTable::SetMessageHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard lock(m_handlerMutex);
    m_handler = std::move(handler);
}

void CPortTable::Fail(int port) {
    char text[64];
    std::snprintf(text, sizeof text, "COM%d打开失败！", port);
    std::function<void(const std::string&)> handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_handler;
    }
    if (handler)
        handler(text);
    else
        std::cerr << text << '\n';
}

PortEntry* CPortTable::FindLocked(int port) const {
    // A running entry answers for its number before a stopped one that
    // happens to sit at a lower index with the same number recorded.
    PortEntry* stopped = nullptr;
    for (const PortEntry& ce : m_entries) {
        auto& e = const_cast<PortEntry&>(ce);
        if (e.portNumber != port)
            continue;
        if (e.running.load(std::memory_order_acquire))
            return &e;
        if (stopped == nullptr)
            stopped = &e;
    }
    return stopped;
}

int CPortTable::Open(int port, int baud, const std::string& format) {
    LineFormat lineFormat;
    if (!ParseLineFormat(format, lineFormat))
        return 0;

    std::lock_guard openLock(m_openMutex);
    PortEntry* entry = nullptr;
    bool held = false;
    {
        std::lock_guard lock(m_tableMutex);
        for (PortEntry& e : m_entries)
            if (e.running.load(std::memory_order_acquire) && e.portNumber == port)
                held = true;
        // Reuse the entry that last served this number, so its untaken
        // packets stay reachable and its old worker is the one we join.
        for (PortEntry& e : m_entries)
            if (!e.running.load(std::memory_order_acquire) && e.portNumber == port) {
                entry = &e;
                break;
            }
        if (entry == nullptr)
            for (PortEntry& e : m_entries)
                if (!e.running.load(std::memory_order_acquire)) {
                    entry = &e;
                    break;
                }
    }
    if (entry == nullptr)
        return 0;
    if (held) {
        // The number is in use by a running entry; opening the device a
        // second time would fail anyway, and this way no entry is disturbed.
        Fail(port);
        return -1;
    }

    // A worker stopped a moment ago may still be posting its last packet and
    // closing the device; it must be gone before the entry's port object is
    // opened again, or it would close the new device.
    if (entry->worker.joinable())
        entry->worker.join();
    drain(entry->wakeFd);

    {
        std::lock_guard lock(m_tableMutex);
        entry->portNumber = port;
        entry->format = format;
        entry->baud = baud;
        entry->pollInterval = PollIntervalMs(baud);
    }
    if (port < PortDirectory::kMinPort || port > PortDirectory::kMaxPort) {
        Fail(port);
        return -1;
    }
    const auto path = m_directory.PathFor(port);
    if (!path) {
        Fail(port);
        return -1;
    }
    CCommPort& cp = entry->port;
    cp.SetPortNumber(port);
    cp.SetDeviceName(*path);
    if (!cp.OpenDevice()) {
        Fail(port);
        return -1;
    }
    if (!cp.ConfigureDevice() || !cp.StartWorkers(0)) {
        cp.Close(500);
        Fail(port);
        return -1;
    }
    // A device that refuses the line settings is not reported (a pty, for
    // one, ignores the parity); only unreadable settings refuse the open.
    if (cp.SetLineSettings(baud, lineFormat) == CCommPort::LineResult::Unreadable) {
        cp.Close(500);
        return 0;
    }
    entry->running.store(true, std::memory_order_release);
    try {
        entry->worker = std::thread([this, entry] { ReceiveWorker(*entry); });
    } catch (const std::system_error&) {
        entry->running.store(false, std::memory_order_release);
        cp.Close(500);
        Fail(port);
        return -1;
    }
    return 1;
}

void CPortTable::ReceiveWorker(PortEntry& e) {
    std::array<std::uint8_t, kPacketBytes> buffer;
    int received = 0;
    const int interval = e.pollInterval;
    bool lost = false;
    const int number = e.port.PortNumber();
    auto post = [&] {
        e.packets.Post(buffer.data(), received);
        if (PortEvents* events = m_events.load(std::memory_order_acquire))
            events->PacketPosted(number);
    };
    auto drainQueue = [&] {
        for (;;) {
            const int n = e.port.Read(buffer.data() + received, kPacketBytes - received, 0);
            if (n <= 0)
                return;
            received += n;
            if (received == kPacketBytes) {
                post();
                received = 0;
            }
        }
    };
    while (e.running.load(std::memory_order_acquire)) {
        // Idle: sleep until the first byte. Collecting: the silence timer
        // restarts with every arrival.
        const WaitResult w = e.port.WaitInput(received > 0 ? interval : -1, e.wakeFd);
        if (w == WaitResult::Woken)
            continue;
        if (w == WaitResult::TimedOut) {
            if (received > 0)
                post();
            received = 0;
            continue;
        }
        if (w == WaitResult::Readable || w == WaitResult::HungUp) {
            drainQueue();
            if (w == WaitResult::HungUp || e.port.IsLost()) {
                lost = true;
                break;
            }
            continue;
        }
        lost = true;
        break;
    }
    // A stop ends the collection and posts what was collected, even
    // nothing; a vanished device only posts bytes that did arrive.
    if (received > 0 || !lost)
        post();
    e.port.Close(1);
    if (lost && e.running.exchange(false, std::memory_order_acq_rel)) {
        if (PortEvents* events = m_events.load(std::memory_order_acquire))
            events->PortLost(number, {SerialError::Lost, 0});
    }
}

WriteStatus CPortTable::Write(int port, std::span<const std::uint8_t> frame) {
    PortEntry* e;
    {
        std::lock_guard lock(m_tableMutex);
        e = FindLocked(port);
    }
    if (e == nullptr)
        return WriteStatus::NoPort;
    if (!e->running.load(std::memory_order_acquire) || e->port.IsLost())
        return WriteStatus::PortLost;
    if (frame.empty())
        return WriteStatus::Queued;
    // Outside the table lock: a write may wait for room on a busy line.
    const int n = e->port.WriteIfPort(port, frame.data(), static_cast<int>(frame.size()));
    if (n == static_cast<int>(frame.size()))
        return WriteStatus::Queued;
    if (e->port.IsLost())
        return WriteStatus::PortLost;
    return WriteStatus::Refused;
}

std::optional<Packet> CPortTable::TakePacket(int port) {
    std::lock_guard lock(m_tableMutex);
    PortEntry* e = FindLocked(port);
    if (e == nullptr)
        return std::nullopt;
    return e->packets.TakeOldest();
}

std::optional<std::vector<std::uint8_t>> CPortTable::TakeOldest(int port) {
    auto p = TakePacket(port);
    if (!p)
        return std::nullopt;
    return std::move(p->bytes);
}

bool CPortTable::Stop(int port) {
    std::lock_guard lock(m_tableMutex);
    PortEntry* e = FindLocked(port);
    if (e == nullptr)
        return false;
    e->running.store(false, std::memory_order_release);
    wake(e->wakeFd);
    return true;
}

bool CPortTable::Drain(int port, Millis limit) {
    PortEntry* e;
    int baud;
    {
        std::lock_guard lock(m_tableMutex);
        e = FindLocked(port);
        if (e == nullptr || !e->running.load(std::memory_order_acquire))
            return false;
        baud = e->baud;
    }
    const auto start = std::chrono::steady_clock::now();
    if (!e->port.Drain(limit))
        return false;
    // The driver counts only its own queue; a UART still holds up to a FIFO.
    const auto fifo = Millis(baud > 0 ? (16 * 10 * 1000 + baud - 1) / baud : 0);
    const auto left =
        limit - std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start);
    std::this_thread::sleep_for(std::min(fifo, std::max(left, Millis(0))));
    return true;
}

bool CPortTable::IsOpen(int port) const {
    std::lock_guard lock(m_tableMutex);
    const PortEntry* e = FindLocked(port);
    return e != nullptr && e->running.load(std::memory_order_acquire) && e->port.IsOpen() &&
           !e->port.IsLost();
}

std::optional<std::size_t> CPortTable::Backlog(int port) const {
    const PortEntry* e;
    {
        std::lock_guard lock(m_tableMutex);
        e = FindLocked(port);
    }
    if (e == nullptr || e->port.PortNumber() != port)
        return std::nullopt;
    return e->port.OutputBacklog();
}

std::optional<int> CPortTable::PollInterval(int port) const {
    std::lock_guard lock(m_tableMutex);
    const PortEntry* e = FindLocked(port);
    if (e == nullptr)
        return std::nullopt;
    return e->pollInterval;
}

} // namespace tmx7
