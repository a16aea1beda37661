#include "platform/SerialDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tmx7 {

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

namespace {

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

SerialDevice::~SerialDevice() {
    close();
}

bool SerialDevice::isSupportedBaud(int baud) {
    return SpeedForBaud(baud) != B0;
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
    m_original = t;
    m_haveOriginal = true;
    makeRaw(t);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        const int e = errno;
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        m_haveOriginal = false;
        return fromErrno(e);
    }
    m_path = path;
    m_baud = 0;
    m_format = {};
    m_lost.store(false, std::memory_order_release);
    m_fd.store(fd, std::memory_order_release);
    return {};
}

bool SerialDevice::settingsReadable() const {
    termios t{};
    return isOpen() && tcgetattr(fd(), &t) == 0;
}

SerialResult SerialDevice::configure(int baud, LineFormat format) {
    const int f = fd();
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
    const int f = fd();
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
            m_lost.store(true, std::memory_order_release);
            return {0, {SerialError::Lost, e}};
        }
        // With VMIN=0/VTIME=0 an empty queue also reads as 0, exactly like
        // end-of-file on a hung-up line; only poll() tells them apart.
        pollfd p{f, POLLIN, 0};
        if (poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            m_lost.store(true, std::memory_order_release);
            return {0, {SerialError::Lost, EIO}};
        }
        return {};
    }
}

WriteResult SerialDevice::write(const std::uint8_t* bytes, std::size_t count,
                                std::chrono::milliseconds deadline) {
    const int f = fd();
    if (f < 0)
        return {0, {SerialError::Closed, EBADF}};
    const auto end = std::chrono::steady_clock::now() + deadline;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(f, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            const int e = errno;
            if (e == EIO)
                m_lost.store(true, std::memory_order_release);
            return {done, fromErrno(e)};
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return {done, {SerialError::TimedOut, ETIMEDOUT}};
        pollfd p{f, POLLOUT, 0};
        const int r = poll(&p, 1, static_cast<int>(left.count()) + 1);
        if (r < 0 && errno != EINTR)
            return {done, fromErrno(errno)};
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            m_lost.store(true, std::memory_order_release);
            return {done, {SerialError::Lost, EIO}};
        }
    }
    return {done, {}};
}

SerialResult SerialDevice::purge(bool input, bool output) {
    const int f = fd();
    if (f < 0)
        return {SerialError::Closed, EBADF};
    if (!input && !output)
        return {};
    const int which = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    if (tcflush(f, which) != 0)
        return fromErrno(errno);
    return {};
}

WaitResult SerialDevice::waitInput(int timeoutMs, int wakeFd) const {
    const int f = fd();
    if (f < 0)
        return WaitResult::Failed;
    pollfd p[2] = {{f, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t n = wakeFd >= 0 ? 2 : 1;
    for (;;) {
        const int r = poll(p, n, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue; // a signal costs at most one extra interval of silence
        if (r < 0)
            return WaitResult::Failed;
        if (r == 0)
            return WaitResult::TimedOut;
        if (n == 2 && (p[1].revents & POLLIN))
            return WaitResult::Woken;
        // A hung-up tty also reports POLLIN forever; treat the hang-up first
        // so that no caller spins on "readable" reads that return nothing.
        if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return WaitResult::HungUp;
        if (p[0].revents & POLLIN)
            return WaitResult::Readable;
        return WaitResult::Failed;
    }
}

int SerialDevice::modemLines() const {
    const int f = fd();
    int bits = 0;
    if (f < 0 || ioctl(f, TIOCMGET, &bits) != 0)
        return 0;
    return bits;
}

LineErrors SerialDevice::lineErrors() const {
    const int f = fd();
    serial_icounter_struct c{};
    if (f < 0 || ioctl(f, TIOCGICOUNT, &c) != 0)
        return {}; // ENOTTY/EINVAL: this driver keeps no counters
    return {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
}

void SerialDevice::close() {
    const int f = m_fd.exchange(-1, std::memory_order_acq_rel);
    if (f < 0)
        return;
    if (m_haveOriginal)
        tcsetattr(f, TCSANOW, &m_original); // fails harmlessly on a hung-up line
    m_haveOriginal = false;
    ioctl(f, TIOCNXCL);
    flock(f, LOCK_UN);
    ::close(f);
}

} // namespace tmx7
