#pragma once
// One serial device (a tty) opened exclusively and driven in raw mode.
//
// Everything here is non-blocking: read() hands back what the driver has
// queued, write() gives up at its deadline, and waitInput() is the single
// place a thread sleeps on the line (poll() on the device plus a wake fd, so
// a stop request always gets through). Failures are returned, never thrown.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <termios.h>

namespace tmx7 {

// The termios speed of a baud rate the tool offers (1200..57600); B0 for any other.
speed_t SpeedForBaud(int baud);

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
    TimedOut,    // write deadline passed before every byte was queued
    Io,          // anything else; see the errno
};

struct SerialResult {
    SerialError error = SerialError::None;
    int sysErrno = 0;
    bool ok() const { return error == SerialError::None; }
    explicit operator bool() const { return ok(); }
};

struct ReadResult {
    std::size_t count = 0;
    SerialResult status;
};

struct WriteResult {
    std::size_t written = 0; // bytes the driver accepted; never more than that
    SerialResult status;
};

// Cumulative line error counters (TIOCGICOUNT); all zero where the driver
// has none, as on pseudo-terminals.
struct LineErrors {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int bufferOverrun = 0;
    bool operator==(const LineErrors&) const = default;
};

enum class WaitResult { Readable, Woken, TimedOut, HungUp, Failed };

class SerialDevice {
public:
    SerialDevice() = default;
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens `path` exclusively and switches it to raw mode at once, keeping
    // the baud rate the driver had. Fails with Busy when another opener,
    // in this process or another, root included, holds it.
    SerialResult open(const std::string& path);

    // 1200..57600 baud, 8 data bits, the given parity and stop bits.
    SerialResult configure(int baud, LineFormat format);
    // True when the driver's current settings can be read (tcgetattr).
    bool settingsReadable() const;

    // Copies up to `size` queued bytes; 0 when nothing is queued. A hang-up
    // also reads as 0 and marks the device lost.
    ReadResult read(std::uint8_t* buffer, std::size_t size);

    // Queues `count` bytes, waiting for room at most `deadline`.
    WriteResult write(const std::uint8_t* bytes, std::size_t count,
                      std::chrono::milliseconds deadline);

    // Discards what is queued in either direction.
    SerialResult purge(bool input, bool output);

    // Sleeps until input is queued, `wakeFd` becomes readable, the device
    // hangs up or `timeoutMs` passes (-1: no limit). `wakeFd` may be -1.
    WaitResult waitInput(int timeoutMs, int wakeFd) const;

    // TIOCM_* bits of the modem lines; 0 where the driver has none.
    int modemLines() const;
    LineErrors lineErrors() const;

    // Restores the settings found at open and closes; harmless when closed.
    void close();

    bool isOpen() const { return m_fd.load(std::memory_order_acquire) >= 0; }
    bool lost() const { return m_lost.load(std::memory_order_acquire); }
    int fd() const { return m_fd.load(std::memory_order_acquire); }
    const std::string& path() const { return m_path; }

    // What configure() was last asked for. A pty drops PARENB from its
    // termios, so tests look here for the parity.
    int requestedBaud() const { return m_baud; }
    LineFormat requestedFormat() const { return m_format; }

    static bool isSupportedBaud(int baud);

private:
    std::atomic<int> m_fd{-1};
    std::atomic<bool> m_lost{false};
    bool m_haveOriginal = false;
    termios m_original{};
    std::string m_path;
    int m_baud = 0;
    LineFormat m_format;
};

} // namespace tmx7
