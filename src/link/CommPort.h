#pragma once
// One serial port: its device, a bounded queue of frames on their way out,
// and the port's one thread. The thread sleeps on the device and a wake-up
// until bytes arrive, the device can take queued output, or someone wants it
// to stop; it cuts what arrives into packets and hands them to its receiver.
//
// A frame is queued whole or refused whole, and the queue is drained in
// order, so the line never carries part of a frame followed by another.
// A stop lets a frame that has started leaving finish first (within a bound
// set by the baud rate), drops frames that have not, and then closes.

#include "link/PacketCutter.h"
#include "platform/Clock.h"
#include "platform/SerialDevice.h"
#include "platform/WakeSignal.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

namespace tmx7 {

// What became of a frame handed to a port. A frame is taken whole or not at
// all: a frame cut short on the line is a malformed command to the module,
// so nothing of a refused frame is ever sent.
enum class WriteStatus : std::uint8_t {
    Queued,   // the whole frame is on its way
    Refused,  // the queue cannot take the whole frame now; nothing was sent
    PortLost, // the port hung up (adapter unplugged) or is not running
    NoPort,   // no entry with that number
};

// Told by the port's thread; implementations must not block for long.
class PortReceiver {
public:
    virtual ~PortReceiver() = default;
    // One packet; empty only for the one a stop posts on an idle line.
    virtual void OnPacket(std::span<const std::uint8_t> packet) = 0;
    // The device hung up or failed. The device is closed already and the
    // thread ends when this returns.
    virtual void OnLost(SerialResult why) = 0;
};

class CCommPort {
public:
    // Room for every frame the tool sends (the longest data frame the send
    // path lets through is 2 KiB) with several behind it.
    static constexpr std::size_t kOutboundBytes = 4096;

    enum class LineResult { Applied, Refused, Unreadable };

    CCommPort();
    ~CCommPort();
    CCommPort(const CCommPort&) = delete;
    CCommPort& operator=(const CCommPort&) = delete;

    // Opens the device exclusively (closing it first if this object had it
    // open) and empties both of its queues.
    [[nodiscard]] SerialResult OpenDevice(const std::string& path);
    // Baud, 8 data bits, parity and stop bits on the open device.
    [[nodiscard]] LineResult SetLineSettings(int baud, LineFormat format);

    // Starts the port's thread on the open device. `gap`: the silence that
    // ends a packet; `clock`: for the short waits while a stop lets the
    // driver's queue empty. False when no thread could be started.
    [[nodiscard]] bool Start(std::chrono::microseconds gap, Clock& clock, PortReceiver& receiver);
    // Asks the thread to end; returns at once. Writes are refused from now on.
    void RequestStop();
    // Waits for the thread to end; harmless without one.
    void Join();
    // Closes the device of a port whose thread never started.
    void Close();

    // Queues the whole frame or nothing of it; never waits for the line.
    [[nodiscard]] WriteStatus Write(std::span<const std::uint8_t> frame);
    // Bytes on their way out: the queue here plus what the driver holds.
    // Nothing when the device is closed.
    std::optional<std::size_t> Backlog() const;
    // Waits until everything written so far has left, at most `limit`:
    // the queue here, the driver's queue, and the time of a UART's FIFO.
    // False when the port is not running or time ran out.
    bool Drain(Millis limit, Clock& clock);

    bool IsOpen() const;
    bool IsLost() const { return m_device.lost(); }
    bool Running() const { return m_thread.joinable(); }
    // Whether the caller is this port's thread (which cannot join itself).
    bool IsCurrentThread() const { return m_thread.get_id() == std::this_thread::get_id(); }
    // The device, for its recorded line settings.
    const SerialDevice& Device() const { return m_device; }

private:
    void Run();
    // Hands queued bytes to the driver, at most `limit` of them; false when
    // the device failed. Sets `why` then.
    bool WriteQueued(std::size_t limit, SerialResult& why);
    std::size_t StartedFrameRest() const;
    // Feeds what the driver has queued to `cutter`; false when the device failed.
    bool ReadQueued(PacketCutter& cutter, SerialResult& why);
    void DropQueue();
    void FinishStartedFrame(PacketCutter& cutter);
    void LetDriverEmpty();
    std::chrono::microseconds ByteTime() const;

    SerialDevice m_device;
    WakeSignal m_wake;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::chrono::microseconds m_gap{100'000};
    Clock* m_clock = nullptr;
    PortReceiver* m_receiver = nullptr;

    // The outbound queue: a ring of bytes and the lengths of the frames in it.
    mutable std::mutex m_queueMutex;
    std::condition_variable m_queueEmptied;
    std::array<std::uint8_t, kOutboundBytes> m_ring{};
    std::size_t m_head = 0;   // first byte not yet handed to the driver
    std::size_t m_queued = 0; // bytes not yet handed to the driver
    std::deque<std::uint16_t> m_frameLengths;
    std::size_t m_frontWritten = 0; // bytes of the first frame already handed over
    bool m_accepting = false;

    // Held while the device is closed and while another thread asks it
    // something, so the question never reaches a closed or reused descriptor.
    mutable std::mutex m_deviceMutex;
};

} // namespace tmx7
