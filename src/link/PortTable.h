#pragma once
// The port table: up to 10 open ports, each with one thread that cuts the
// incoming bytes into packets at silence gaps and sends the frames written
// to it, and up to 100 untaken packets per port for the rest of the program.
//
// Packet boundaries: a packet ends when, after at least one byte, the line
// has been silent for one poll interval; a packet that reaches 524 bytes is
// posted at once and collection goes on in the next one. A port's thread
// sleeps until bytes arrive or a frame is to be sent, so an idle line costs
// no wake-ups, and so does a reader waiting in WaitForPost.

#include "link/CommPort.h"
#include "platform/Clock.h"
#include "platform/PortDirectory.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tmx7 {

inline constexpr int kPortEntries = 10;
inline constexpr int kPacketSlots = 100;
inline constexpr int kSequenceLimit = 50000; // stamps run 1..49999

// Silence that ends a packet: trunc(1000/baud * 35) * 6 ms, or 100 ms when
// that comes out below 1 ms or the baud is not positive.
int PollIntervalMs(int baud);

// The twelve accepted strings: "n,8,1" ... "E,8,2", compared whole.
bool ParseLineFormat(const std::string& fmt, LineFormat& out);

struct PacketSlot {
    int length = 0;
    std::array<std::uint8_t, kPacketBytes> data{};
    bool full = false;
    int sequence = 0;        // 0 = empty, else 1..49999 as stamped
    std::uint64_t order = 0; // posting order; never wraps
};

struct Packet {
    int sequence = 0;
    std::vector<std::uint8_t> bytes;
};

// The 100 slots of one port. Posting and taking each hold the store's lock
// only for one slot copy, so a taker never sees half a packet.
class PacketStore {
public:
    // Stores one packet in the first free slot, or over slot 0 when all
    // are full (slot 0's packet is then lost). Returns its stamp.
    int Post(const std::uint8_t* bytes, int length);
    // The packet posted earliest among the untaken ones.
    std::optional<Packet> TakeOldest();
    int NextSequence() const;
    int Untaken() const;

private:
    mutable std::mutex m_mutex;
    std::array<PacketSlot, kPacketSlots> m_slots{};
    int m_nextSequence = 1;
    std::uint64_t m_nextOrder = 1;
};

// Told by a port's own thread; implementations must not block, and must not
// call CPortTable::Open from within (the entry's thread is the caller).
class PortEvents {
public:
    virtual ~PortEvents() = default;
    // A packet was posted to the slots of `port`.
    virtual void PacketPosted(int port) = 0;
    // The device of `port` hung up or failed; its entry no longer runs and
    // the number can be opened again. Told once per loss; never for a Stop.
    virtual void PortLost(int port, SerialResult why) = 0;
};

class CPortTable;

struct PortEntry final : PortReceiver {
    PortEntry();
    PortEntry(const PortEntry&) = delete;
    PortEntry& operator=(const PortEntry&) = delete;

    void OnPacket(std::span<const std::uint8_t> packet) override;
    void OnLost(SerialResult why) override;

    std::atomic<bool> running{false};
    PacketStore packets; // not "slots": Qt reserves that word as a macro
    int portNumber;      // guarded by the table lock
    int pollInterval = 100;
    std::string format;
    int baud = 0;
    CPortTable* table = nullptr;
    int threadPort = 0; // the number the running thread serves
    CCommPort port;
};

class CPortTable {
public:
    explicit CPortTable(PortDirectory& directory = PortDirectory::System(),
                        Clock& clock = RealClock());
    ~CPortTable();
    CPortTable(const CPortTable&) = delete;
    CPortTable& operator=(const CPortTable&) = delete;

    // 1 opened; 0 refused (unknown format, all entries busy, settings
    // unreadable) without a message; -1 could not be opened, with the
    // message "COM<n>打开失败！".
    int Open(int port, int baud, const std::string& format);
    // Hands one whole frame to the port's queue and returns at once; the
    // frame is never cut. Every caller looks at the result.
    [[nodiscard]] WriteStatus Write(int port, std::span<const std::uint8_t> frame);
    std::optional<std::vector<std::uint8_t>> TakeOldest(int port);
    // The same, with the packet's sequence stamp.
    std::optional<Packet> TakePacket(int port);
    // Waits, at most `limit`, until what was written to the port has left:
    // the port's queue and the driver's are empty and the time of a UART FIFO
    // (16 characters) has passed. Stop drops frames that have not started,
    // so a last command drains first. False when nothing with that number
    // runs or the queues did not empty in time.
    bool Drain(int port, Millis limit);
    // Returns at once; the port's thread finishes a frame that has started
    // leaving, posts what it collected and closes the device.
    bool Stop(int port);
    void SetMessageHandler(std::function<void(const std::string&)> handler);
    // Packet and loss notices; nullptr detaches. Not owned; it must outlive
    // the table or be detached first.
    void SetEvents(PortEvents* events);
    // An entry with that number is running and its device is open and has
    // not hung up.
    bool IsOpen(int port) const;
    // Poll interval recorded for the entry of that number; nothing if none.
    std::optional<int> PollInterval(int port) const;
    // Bytes written to that port and not yet on the line: its queue and
    // the driver's. Nothing when no entry has that number or its device is
    // closed. A sender that must not pile up output checks it first.
    std::optional<std::size_t> Backlog(int port) const;

    // For a reader that sleeps until there may be a packet: read PostCount,
    // look for packets, and if there were none, WaitForPost with the count
    // read. Packets of every port count, and so do Open and Stop. Returns
    // the count at wake-up.
    std::uint64_t PostCount() const;
    std::uint64_t WaitForPost(std::uint64_t seen, const StopSignal& stop);
    // Makes every WaitForPost look at its stop signal (and the count) again.
    void WakeWaiters();

private:
    friend struct PortEntry;
    PortEntry* FindLocked(int port) const;
    void Fail(int port);
    void NotePosted(int port);
    void NoteLost(PortEntry& entry, SerialResult why);

    PortDirectory& m_directory;
    Clock& m_clock;
    mutable std::mutex m_tableMutex;
    std::mutex m_openMutex; // one Open at a time; never held by port threads
    std::mutex m_handlerMutex;
    std::function<void(const std::string&)> m_handler;
    std::atomic<PortEvents*> m_events{nullptr};
    mutable std::mutex m_postMutex;
    std::condition_variable m_posted;
    std::uint64_t m_postCount = 0;
    std::array<PortEntry, kPortEntries> m_entries;
};

} // namespace tmx7
