#pragma once
// One serial port object: exclusive open, configuration, a monitor worker
// that watches line events, reads of what is queued and writes.
//
// The port table builds every object with kFlagMonitor | kFlagOverlapped and
// that is the only combination implemented. The monitor worker sleeps in
// poll() on the device and an eventfd, so StopWorkers() always wakes it and
// joins it; no thread is ever killed. The device is closed only after the
// monitor has been joined. One mutex per object serialises Write, Close and
// (re)opening, so a write can never reach a closed or reused descriptor.

#include "platform/SerialDevice.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tmx7 {

class CCommPort {
public:
    static constexpr std::uint32_t kFlagMonitor = 0x01;
    static constexpr std::uint32_t kFlagOverlapped = 0x02;

    // Line events (bit values as the port table's callers know them).
    static constexpr std::uint32_t kEvRxChar = 0x0001;
    static constexpr std::uint32_t kEvRxFlag = 0x0002;
    static constexpr std::uint32_t kEvTxEmpty = 0x0004;
    static constexpr std::uint32_t kEvCts = 0x0008;
    static constexpr std::uint32_t kEvDsr = 0x0010;
    static constexpr std::uint32_t kEvRlsd = 0x0020;
    static constexpr std::uint32_t kEvBreak = 0x0040;
    static constexpr std::uint32_t kEvErr = 0x0080;
    static constexpr std::uint32_t kEvRing = 0x0100;
    static constexpr std::uint32_t kEventMask = 0x1FD;

    // Notification numbers: first user message (1024) plus 618..631.
    static constexpr unsigned kMsgReceive = 1642;
    static constexpr unsigned kMsgCts = 1643;
    static constexpr unsigned kMsgDsr = 1644;
    static constexpr unsigned kMsgRing = 1645;
    static constexpr unsigned kMsgRlsd = 1646;
    static constexpr unsigned kMsgBreak = 1647;
    static constexpr unsigned kMsgTxEmpty = 1648;
    static constexpr unsigned kMsgError = 1649;
    static constexpr unsigned kMsgRxFlag = 1650;

    // Driver queue request; a tty's queues are fixed by its driver, so the
    // request is recorded and succeeds.
    static constexpr std::uint32_t kQueueBytes = 4096;

    // Time-out record, kept as data. The write total constant of 10 s is
    // not used as the write deadline: the table writes from the window
    // thread, and a stalled line must not freeze the window for 10 s.
    struct Timeouts {
        std::uint32_t readInterval = 0;
        std::uint32_t readTotalMultiplier = 0;
        std::uint32_t readTotalConstant = 0;
        std::uint32_t writeTotalMultiplier = 0;
        std::uint32_t writeTotalConstant = 0;
    };

    // A tty accepts a write at once unless its output queue (several KB) is
    // full, which means the line has stalled; 200 ms lets a queue that is
    // merely busy take a short frame and bounds the caller's wait otherwise.
    static constexpr std::chrono::milliseconds kWriteDeadline{200};

    // Pause of the monitor worker after a receive event while bytes are
    // still queued, so a full queue costs 100 wake-ups a second, not a spin.
    static constexpr int kReceivePauseMs = 10;

    enum class LineResult { Applied, Refused, Unreadable };

    explicit CCommPort(std::uint32_t flags = kFlagMonitor | kFlagOverlapped);
    virtual ~CCommPort();
    CCommPort(const CCommPort&) = delete;
    CCommPort& operator=(const CCommPort&) = delete;

    virtual void Close(int waitMs);
    virtual bool OpenDevice();
    virtual bool ConfigureDevice();
    // No receiver in this program; a subclass may listen.
    virtual void PostEvent(unsigned message, long value, bool post);
    virtual void HandleReceive();
    virtual void HandleDsr();
    virtual void HandleCts();
    virtual void HandleBreak();
    virtual void HandleTxEmpty();
    virtual void HandleError();
    virtual void HandleRing();
    virtual void HandleRlsd();
    virtual void HandleRxFlag();
    virtual void DispatchEvents(std::uint32_t events);

    bool StartWorkers(std::uint32_t extraFlags = 0);
    // Wakes and joins the monitor worker. `waitMs` is kept for callers'
    // sake; the worker always wakes within a poll() return, so it is joined
    // without a limit rather than abandoned.
    bool StopWorkers(int waitMs);

    // Time-out 0 (the only one used): the queued bytes, up to `size`.
    int Read(std::uint8_t* buffer, int size, int timeoutMs);
    // Bytes the driver accepted before the write deadline.
    int Write(const std::uint8_t* bytes, int count);
    // The same, but only while the object still serves port `expectedPort`:
    // a writer that looked the port up just before the object was reopened
    // for another number sends nothing instead of reaching the wrong line.
    int WriteIfPort(int expectedPort, const std::uint8_t* bytes, int count);
    // Bytes written but not yet sent by the driver (TIOCOUTQ); nothing when
    // the device is closed or the driver cannot tell. A pty has no
    // transmitter and always reports 0.
    std::optional<std::size_t> OutputBacklog() const;
    // Waits until the driver's output queue is empty, at most `limit`. Closing
    // the port discards unsent output, so a last command must drain first.
    // False when the queue did not empty in time or the port is not open.
    bool Drain(std::chrono::milliseconds limit);

    // Baud, 8 data bits, parity and stop bits on the open device.
    LineResult SetLineSettings(int baud, LineFormat format);

    // Sleeps until input is queued, `wakeFd` fires, the line hangs up or
    // the time passes (-1: no limit).
    WaitResult WaitInput(int timeoutMs, int wakeFd) const;

    void SetPortNumber(int n);
    int PortNumber() const;
    void SetDeviceName(std::string path) { m_deviceName = std::move(path); }
    const std::string& DeviceName() const { return m_deviceName; }

    std::uint32_t Flags() const { return m_flags; }
    bool IsOpen() const { return m_device.isOpen(); }
    bool IsLost() const { return m_device.lost(); }
    bool HasWorker() const { return m_monitor.joinable(); }
    const Timeouts& GetTimeouts() const { return m_timeouts; }
    std::uint32_t QueueIn() const { return m_queueIn; }
    std::uint32_t QueueOut() const { return m_queueOut; }
    const SerialDevice& Device() const { return m_device; }

    // The most recent failure of an open, configure or write, as errno.
    SerialResult LastError() const;

private:
    void WatchEvents();
    void CloseLocked();
    bool StopWorkersLocked();
    void Wake();
    void DrainWake();
    long ModemBit(int tiocmBit) const;

    std::uint32_t m_flags;
    int m_portNumber = -1;
    std::string m_deviceName;
    Timeouts m_timeouts;
    std::uint32_t m_queueIn = 0;
    std::uint32_t m_queueOut = 0;
    std::atomic<bool> m_run{false};
    std::uint32_t m_eventMask = kEventMask;
    std::uint32_t m_receiveThreshold = 0;
    int m_wakeFd = -1;
    std::thread m_monitor;
    SerialDevice m_device;
    LineErrors m_lastErrors; // monitor worker only
    LineErrors m_errorDelta; // monitor worker only
    int WriteLocked(const std::uint8_t* bytes, int count);
    mutable std::mutex m_ioMutex;
    mutable std::mutex m_errorMutex;
    SerialResult m_lastError;
    void SetLastError(SerialResult r);
};

} // namespace tmx7
