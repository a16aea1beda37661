#include "link/PortTable.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <iostream>
#include <thread>

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

PortEntry::PortEntry() : portNumber(kNoPort) {}

void PortEntry::OnPacket(std::span<const std::uint8_t> packet) {
    packets.Post(packet.data(), static_cast<int>(packet.size()));
    table->NotePosted(threadPort);
}

void PortEntry::OnLost(SerialResult why) {
    table->NoteLost(*this, why);
}

// --- CPortTable ----------------------------------------------------------

CPortTable::CPortTable(PortDirectory& directory, Clock& clock)
    : m_directory(directory), m_clock(clock) {
    for (PortEntry& e : m_entries)
        e.table = this;
}

CPortTable::~CPortTable() {
    // Ask every port to stop first, then wait for all: the waits overlap.
    for (PortEntry& e : m_entries) {
        e.running.store(false, std::memory_order_release);
        e.port.RequestStop();
    }
    for (PortEntry& e : m_entries)
        e.port.Join();
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

void CPortTable::NotePosted(int port) {
    {
        std::lock_guard lock(m_postMutex);
        ++m_postCount;
    }
    m_posted.notify_all();
    if (PortEvents* events = m_events.load(std::memory_order_acquire))
        events->PacketPosted(port);
}

void CPortTable::NoteLost(PortEntry& entry, SerialResult why) {
    // A Stop that came first has cleared the flag already: that is no loss.
    if (!entry.running.exchange(false, std::memory_order_acq_rel))
        return;
    if (PortEvents* events = m_events.load(std::memory_order_acquire))
        events->PortLost(entry.threadPort, why);
    WakeWaiters();
}

std::uint64_t CPortTable::PostCount() const {
    std::lock_guard lock(m_postMutex);
    return m_postCount;
}

std::uint64_t CPortTable::WaitForPost(std::uint64_t seen, const StopSignal& stop) {
    std::unique_lock lock(m_postMutex);
    m_posted.wait(lock, [&] { return m_postCount != seen || stop.requested(); });
    return m_postCount;
}

void CPortTable::WakeWaiters() {
    {
        // Taken so that a waiter between its look at the stop signal and its
        // sleep cannot miss this.
        std::lock_guard lock(m_postMutex);
        ++m_postCount;
    }
    m_posted.notify_all();
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
        // packets stay reachable and its old thread is the one we join. An
        // entry whose thread is the caller (a loss notice reopening) cannot
        // be joined and is passed over.
        auto usable = [](PortEntry& e) {
            return !e.running.load(std::memory_order_acquire) && !e.port.IsCurrentThread();
        };
        for (PortEntry& e : m_entries)
            if (usable(e) && e.portNumber == port) {
                entry = &e;
                break;
            }
        if (entry == nullptr)
            for (PortEntry& e : m_entries)
                if (usable(e)) {
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

    // A thread stopped a moment ago may still be finishing a frame and
    // closing the device; it must be gone before the entry's port object is
    // opened again, or it would close the new device.
    entry->port.Join();

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
    if (!cp.OpenDevice(*path)) {
        Fail(port);
        return -1;
    }
    // A device that refuses the line settings is not reported (a pty, for
    // one, ignores the parity); only unreadable settings refuse the open.
    if (cp.SetLineSettings(baud, lineFormat) == CCommPort::LineResult::Unreadable) {
        cp.Close();
        return 0;
    }
    entry->threadPort = port;
    if (!cp.Start(std::chrono::milliseconds(entry->pollInterval), m_clock, *entry)) {
        cp.Close();
        Fail(port);
        return -1;
    }
    entry->running.store(true, std::memory_order_release);
    // A reader waiting for packets may be waiting on this number already.
    WakeWaiters();
    return 1;
}

WriteStatus CPortTable::Write(int port, std::span<const std::uint8_t> frame) {
    // Queuing never waits, so it is done under the table lock: an entry
    // reopened for another number in between cannot receive the frame.
    std::lock_guard lock(m_tableMutex);
    PortEntry* e = FindLocked(port);
    if (e == nullptr)
        return WriteStatus::NoPort;
    if (!e->running.load(std::memory_order_acquire))
        return WriteStatus::PortLost;
    return e->port.Write(frame);
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
    e->port.RequestStop();
    return true;
}

bool CPortTable::Drain(int port, Millis limit) {
    PortEntry* e;
    {
        std::lock_guard lock(m_tableMutex);
        e = FindLocked(port);
        if (e == nullptr || !e->running.load(std::memory_order_acquire))
            return false;
    }
    return e->port.Drain(limit, m_clock);
}

bool CPortTable::IsOpen(int port) const {
    std::lock_guard lock(m_tableMutex);
    const PortEntry* e = FindLocked(port);
    return e != nullptr && e->running.load(std::memory_order_acquire) && e->port.IsOpen();
}

std::optional<std::size_t> CPortTable::Backlog(int port) const {
    std::lock_guard lock(m_tableMutex);
    const PortEntry* e = FindLocked(port);
    if (e == nullptr)
        return std::nullopt;
    return e->port.Backlog();
}

std::optional<int> CPortTable::PollInterval(int port) const {
    std::lock_guard lock(m_tableMutex);
    const PortEntry* e = FindLocked(port);
    if (e == nullptr)
        return std::nullopt;
    return e->pollInterval;
}

} // namespace tmx7
