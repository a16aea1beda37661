#include "platform/SerialDevice.h"

#include "platform/SerialTermios.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tmx7 {

struct SerialDevice::Native {
    // Read by other threads (isOpen, outputQueued); the owner serialises
    // close() against them.
    std::atomic<int> fd{-1};
    std::atomic<bool> lost{false};
    bool haveOriginal = false;
    termios original{};
};

namespace {

SerialResult fromErrno(int e) {
    SerialError kind = SerialError::Io;
    switch (e) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        kind = SerialError::NotFound;
        break;
    case EBUSY:
    case EWOULDBLOCK:
        kind = SerialError::Busy;
        break;
    case EACCES:
    case EPERM:
        kind = SerialError::Permission;
        break;
    case ENOTTY:
        kind = SerialError::NotATty;
        break;
    case EIO:
        kind = SerialError::Lost;
        break;
    default:
        break;
    }
    return {kind, e};
}

// Raw mode in full: a fresh tty is in canonical text mode and would turn
// 0A into 0D 0A, swallow 11/13 as XON/XOFF and echo the module's bytes
// back at it. Parity errors are counted by the driver, not marked in-band.
void makeRaw(termios& t) {
    cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | PARMRK | ISTRIP | IGNPAR);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~CRTSCTS;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

} // namespace

speed_t SpeedForBaud(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    default:
        return B0;
    }
}

SerialDevice::SerialDevice() : m_native(std::make_unique<Native>()) {}

SerialDevice::~SerialDevice() {
    close();
}

bool SerialDevice::isSupportedBaud(int baud) {
    return SpeedForBaud(baud) != B0;
}

bool SerialDevice::isOpen() const {
    return m_native->fd.load(std::memory_order_acquire) >= 0;
}

bool SerialDevice::lost() const {
    return m_native->lost.load(std::memory_order_acquire);
}

SerialResult SerialDevice::open(const std::string& path) {
    if (isOpen())
        close();
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fromErrno(errno);
    if (!isatty(fd)) {
        ::close(fd);
        return {SerialError::NotATty, ENOTTY};
    }
    // TIOCEXCL alone does not stop root, and root is who runs the tool on a
    // production bench; the flock does, for every opener that also locks.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        return {SerialError::Busy, e};
    }
    if (ioctl(fd, TIOCEXCL) != 0) {
        const int e = errno;
        ::close(fd);
        return fromErrno(e);
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        const int e = errno;
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        return fromErrno(e);
    }
    Native& n = *m_native;
    n.original = t;
    n.haveOriginal = true;
    makeRaw(t);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        const int e = errno;
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        n.haveOriginal = false;
        return fromErrno(e);
    }
    m_path = path;
    m_baud = 0;
    m_format = {};
    n.lost.store(false, std::memory_order_release);
    n.fd.store(fd, std::memory_order_release);
    return {};
}

bool SerialDevice::settingsReadable() const {
    termios t{};
    const int fd = m_native->fd.load(std::memory_order_acquire);
    return fd >= 0 && tcgetattr(fd, &t) == 0;
}

SerialResult SerialDevice::configure(int baud, LineFormat format) {
    const int f = m_native->fd.load(std::memory_order_acquire);
    if (f < 0)
        return {SerialError::Closed, EBADF};
    const speed_t speed = SpeedForBaud(baud);
    if (speed == B0 || (format.stopBits != 1 && format.stopBits != 2))
        return {SerialError::Unsupported, EINVAL};
    m_baud = baud;
    m_format = format;
    termios t{};
    if (tcgetattr(f, &t) != 0)
        return fromErrno(errno);
    makeRaw(t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
    t.c_cflag |= CS8;
    if (format.parity != Parity::None)
        t.c_cflag |= PARENB;
    if (format.parity == Parity::Odd)
        t.c_cflag |= PARODD;
    if (format.stopBits == 2)
        t.c_cflag |= CSTOPB;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    if (tcsetattr(f, TCSANOW, &t) != 0)
        return fromErrno(errno);
    return {};
}

ReadResult SerialDevice::read(std::uint8_t* buffer, std::size_t size) {
    const int f = m_native->fd.load(std::memory_order_acquire);
    if (f < 0)
        return {0, {SerialError::Closed, EBADF}};
    if (size == 0)
        return {};
    for (;;) {
        const ssize_t n = ::read(f, buffer, size);
        if (n > 0)
            return {static_cast<std::size_t>(n), {}};
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return {};
        if (n < 0) {
            const int e = errno;
            m_native->lost.store(true, std::memory_order_release);
            return {0, {SerialError::Lost, e}};
        }
        // With VMIN=0/VTIME=0 an empty queue also reads as 0, exactly like
        // end-of-file on a hung-up line; only poll() tells them apart.
        pollfd p{f, POLLIN, 0};
        if (poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            m_native->lost.store(true, std::memory_order_release);
            return {0, {SerialError::Lost, EIO}};
        }
        return {};
    }
}

WriteResult SerialDevice::write(const std::uint8_t* bytes, std::size_t count) {
    const int f = m_native->fd.load(std::memory_order_acquire);
    if (f < 0)
        return {0, {SerialError::Closed, EBADF}};
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(f, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break; // the driver's queue is full: the rest waits for room
        const int e = n < 0 ? errno : EIO;
        if (e == EIO)
            m_native->lost.store(true, std::memory_order_release);
        return {done, fromErrno(e)};
    }
    return {done, {}};
}

SerialResult SerialDevice::purge(bool input, bool output) {
    const int f = m_native->fd.load(std::memory_order_acquire);
    if (f < 0)
        return {SerialError::Closed, EBADF};
    if (!input && !output)
        return {};
    const int which = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    if (tcflush(f, which) != 0)
        return fromErrno(errno);
    return {};
}

Readiness SerialDevice::wait(bool wantOutput, std::chrono::microseconds timeout,
                             const WakeSignal* wake) const {
    Readiness out;
    const int f = m_native->fd.load(std::memory_order_acquire);
    if (f < 0) {
        out.failed = true;
        return out;
    }
    const short events = static_cast<short>(POLLIN | (wantOutput ? POLLOUT : 0));
    pollfd p[2] = {{f, events, 0}, {wake ? wake->m_handle : -1, POLLIN, 0}};
    const nfds_t n = wake && wake->m_handle >= 0 ? 2 : 1;
    timespec limit{};
    const timespec* limitPtr = nullptr;
    if (timeout.count() >= 0) {
        limit.tv_sec = static_cast<time_t>(timeout.count() / 1'000'000);
        limit.tv_nsec = static_cast<long>(timeout.count() % 1'000'000) * 1000;
        limitPtr = &limit;
    }
    int r;
    // A signal costs at most one restart of the full limit; callers that
    // measure silence recompute their limit on every pass anyway.
    do {
        r = ppoll(p, n, limitPtr, nullptr);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        out.failed = true;
        return out;
    }
    if (r == 0)
        return out;
    out.woken = n == 2 && (p[1].revents & POLLIN);
    // A hung-up tty also reports POLLIN forever; report the hang-up, so that
    // no caller spins on "readable" reads that return nothing.
    out.hungUp = (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    out.readable = (p[0].revents & POLLIN) != 0;
    out.writable = !out.hungUp && (p[0].revents & POLLOUT) != 0;
    return out;
}

std::optional<std::size_t> SerialDevice::outputQueued() const {
    const int f = m_native->fd.load(std::memory_order_acquire);
    int queued = 0;
    if (f < 0 || ioctl(f, TIOCOUTQ, &queued) != 0 || queued < 0)
        return std::nullopt;
    return static_cast<std::size_t>(queued);
}

int SerialDevice::modemLines() const {
    const int f = m_native->fd.load(std::memory_order_acquire);
    int bits = 0;
    if (f < 0 || ioctl(f, TIOCMGET, &bits) != 0)
        return 0;
    return ((bits & TIOCM_CTS) ? kModemCts : 0) | ((bits & TIOCM_DSR) ? kModemDsr : 0) |
           ((bits & TIOCM_RNG) ? kModemRing : 0) | ((bits & TIOCM_CAR) ? kModemCd : 0);
}

LineErrors SerialDevice::lineErrors() const {
    const int f = m_native->fd.load(std::memory_order_acquire);
    serial_icounter_struct c{};
    if (f < 0 || ioctl(f, TIOCGICOUNT, &c) != 0)
        return {}; // ENOTTY/EINVAL: this driver keeps no counters
    return {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
}

void SerialDevice::close() {
    Native& n = *m_native;
    const int f = n.fd.exchange(-1, std::memory_order_acq_rel);
    if (f < 0)
        return;
    // Output the driver still holds would make the close wait for it (up
    // to the driver's closing wait, 30 s on a UART) on a line that has
    // stalled; callers that want their last bytes sent wait for
    // outputQueued() first. Only then is anything flushed: on a pty the
    // output flush would take back bytes that the peer merely has not read.
    tcflush(f, TCIFLUSH);
    int queued = 0;
    if (ioctl(f, TIOCOUTQ, &queued) == 0 && queued > 0)
        tcflush(f, TCOFLUSH);
    if (n.haveOriginal)
        tcsetattr(f, TCSANOW, &n.original); // fails harmlessly on a hung-up line
    n.haveOriginal = false;
    ioctl(f, TIOCNXCL);
    flock(f, LOCK_UN);
    ::close(f);
}

} // namespace tmx7
