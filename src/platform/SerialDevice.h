#pragma once
// One serial device opened exclusively and driven in raw mode.
//
// Nothing here blocks: read() hands back what the driver has queued, write()
// gives the driver what it takes at once, and wait() is the single place a
// thread sleeps on the line (on the device and a WakeSignal, so a stop always
// gets through). Failures are returned, never thrown. The operating system's
// part lives behind this interface; this header names none of its types.

#include "platform/WakeSignal.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tmx7 {

enum class Parity { None, Odd, Even };

// Parity and stop bits of one serial format; data bits are always 8.
struct LineFormat {
    Parity parity = Parity::None;
    int stopBits = 1;
    bool operator==(const LineFormat&) const = default;
};

enum class SerialError {
    None,
    NotFound,    // ENOENT, ENODEV, ENXIO
    Busy,        // someone else holds the device (flock or TIOCEXCL)
    Permission,  // EACCES, EPERM: usually a missing dialout group
    NotATty,     // the path is not a terminal device
    Unsupported, // baud rate or format outside what this tool drives
    Closed,      // operation on a closed device
    Lost,        // the device hung up (unplugged, pty peer gone)
    Io,          // anything else; see the errno
};

struct [[nodiscard]] SerialResult {
    SerialError error = SerialError::None;
    int sysErrno = 0;
    bool ok() const { return error == SerialError::None; }
    explicit operator bool() const { return ok(); }
};

struct [[nodiscard]] ReadResult {
    std::size_t count = 0;
    SerialResult status;
};

struct [[nodiscard]] WriteResult {
    std::size_t written = 0; // bytes the driver took; the rest is the caller's
    SerialResult status;
};

// Cumulative line error counters; all zero where the driver keeps none, as
// on pseudo-terminals.
struct LineErrors {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int bufferOverrun = 0;
    bool operator==(const LineErrors&) const = default;
};

// What ended a wait. Several can hold at once.
struct [[nodiscard]] Readiness {
    bool readable = false; // input is queued
    bool writable = false; // the driver takes output now (only when asked)
    bool woken = false;    // the WakeSignal was notified
    bool hungUp = false;   // the device hung up or failed; reads drain what is left
    bool failed = false;   // no wait was possible (closed device)
    bool timedOut() const { return !readable && !writable && !woken && !hungUp && !failed; }
};

// Modem line bits as modemLines() reports them.
inline constexpr int kModemCts = 0x1;
inline constexpr int kModemDsr = 0x2;
inline constexpr int kModemRing = 0x4;
inline constexpr int kModemCd = 0x8;

class SerialDevice {
public:
    static constexpr std::chrono::microseconds kNoLimit{-1};

    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens `path` exclusively and switches it to raw mode at once, keeping
    // the baud rate the driver had. Fails with Busy when another opener,
    // in this process or another, root included, holds it.
    [[nodiscard]] SerialResult open(const std::string& path);

    // 1200..57600 baud, 8 data bits, the given parity and stop bits.
    [[nodiscard]] SerialResult configure(int baud, LineFormat format);
    // True when the driver's current settings can be read.
    [[nodiscard]] bool settingsReadable() const;

    // Copies up to `size` queued bytes; 0 when nothing is queued. A hang-up
    // also reads as 0 and marks the device lost.
    [[nodiscard]] ReadResult read(std::uint8_t* buffer, std::size_t size);

    // Gives the driver as many of `count` bytes as it takes without waiting;
    // 0 written with an ok status means its queue is full.
    [[nodiscard]] WriteResult write(const std::uint8_t* bytes, std::size_t count);

    // Discards what is queued in either direction.
    [[nodiscard]] SerialResult purge(bool input, bool output);

    // Sleeps until input is queued, the driver takes output (with
    // `wantOutput`), `wake` is notified, the device hangs up or `timeout`
    // passes (kNoLimit: no limit). `wake` may be null.
    [[nodiscard]] Readiness wait(bool wantOutput, std::chrono::microseconds timeout,
                                 const WakeSignal* wake) const;

    // Bytes written and not yet sent by the driver; nothing when closed or
    // when the driver cannot tell. A pty has no transmitter and reports 0.
    [[nodiscard]] std::optional<std::size_t> outputQueued() const;

    // kModem* bits of the modem lines; 0 where the driver has none.
    [[nodiscard]] int modemLines() const;
    [[nodiscard]] LineErrors lineErrors() const;

    // Restores the settings found at open and closes; harmless when closed.
    // Input still queued is discarded, and so is output the driver has not
    // sent yet.
    void close();

    bool isOpen() const;
    bool lost() const;
    const std::string& path() const { return m_path; }

    // What configure() was last asked for. A pty drops the parity enable
    // from its settings, so tests look here for the parity.
    int requestedBaud() const { return m_baud; }
    LineFormat requestedFormat() const { return m_format; }

    static bool isSupportedBaud(int baud);

private:
    struct Native; // the operating system's part
    std::unique_ptr<Native> m_native;
    std::string m_path;
    int m_baud = 0;
    LineFormat m_format;
};

} // namespace tmx7
