#include "link/CommPort.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace tmx7 {

CCommPort::CCommPort(std::uint32_t flags) : m_flags(flags) {
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CCommPort::~CCommPort() {
    {
        std::lock_guard lock(m_ioMutex);
        CloseLocked();
        StopWorkersLocked(); // workers without a device (never in practice)
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void CCommPort::SetLastError(SerialResult r) {
    std::lock_guard lock(m_errorMutex);
    m_lastError = r;
}

SerialResult CCommPort::LastError() const {
    std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

void CCommPort::Wake() {
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0) [[maybe_unused]]
        auto r = ::write(m_wakeFd, &one, sizeof one);
}

void CCommPort::DrainWake() {
    std::uint64_t value;
    if (m_wakeFd >= 0) [[maybe_unused]]
        auto r = ::read(m_wakeFd, &value, sizeof value);
}

bool CCommPort::OpenDevice() {
    std::lock_guard lock(m_ioMutex);
    if (m_device.isOpen())
        CloseLocked();
    const SerialResult r = m_device.open(m_deviceName);
    SetLastError(r);
    return r.ok();
}

bool CCommPort::ConfigureDevice() {
    std::lock_guard lock(m_ioMutex);
    if (!m_device.isOpen())
        return false;
    m_queueIn = kQueueBytes;
    m_queueOut = kQueueBytes;
    const bool overlapped = (m_flags & kFlagOverlapped) != 0;
    m_timeouts.readInterval = 100;
    m_timeouts.readTotalMultiplier = 0;
    m_timeouts.readTotalConstant = overlapped ? 500 : 250;
    m_timeouts.writeTotalMultiplier = overlapped ? 1 : 0;
    m_timeouts.writeTotalConstant = overlapped ? 10000 : 250;
    const SerialResult r = m_device.purge(true, true);
    SetLastError(r);
    return r.ok();
}

bool CCommPort::StartWorkers(std::uint32_t extraFlags) {
    std::lock_guard lock(m_ioMutex);
    if (m_monitor.joinable())
        return false;
    m_run.store(true, std::memory_order_release);
    m_flags |= extraFlags;
    if ((m_flags & kFlagMonitor) == 0)
        return true;
    if (m_wakeFd < 0)
        return false;
    DrainWake();
    m_lastErrors = m_device.lineErrors();
    try {
        m_monitor = std::thread([this] { WatchEvents(); });
    } catch (const std::system_error&) {
        m_run.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

bool CCommPort::StopWorkers(int /*waitMs*/) {
    std::lock_guard lock(m_ioMutex);
    return StopWorkersLocked();
}

bool CCommPort::StopWorkersLocked() {
    if (!m_monitor.joinable())
        return false;
    m_run.store(false, std::memory_order_release);
    Wake();
    m_monitor.join();
    DrainWake();
    return true;
}

void CCommPort::WatchEvents() {
    while (m_run.load(std::memory_order_acquire)) {
        const WaitResult w = m_device.waitInput(-1, m_wakeFd);
        if (w == WaitResult::Woken)
            continue; // the loop condition decides
        if (w != WaitResult::Readable)
            break; // hang-up or a dead descriptor: nothing more to watch
        std::uint32_t events = kEvRxChar;
        const LineErrors now = m_device.lineErrors();
        if (now.brk != m_lastErrors.brk)
            events |= kEvBreak;
        if (now.frame != m_lastErrors.frame || now.overrun != m_lastErrors.overrun ||
            now.parity != m_lastErrors.parity || now.bufferOverrun != m_lastErrors.bufferOverrun)
            events |= kEvErr;
        m_errorDelta = {now.frame - m_lastErrors.frame, now.overrun - m_lastErrors.overrun,
                        now.parity - m_lastErrors.parity, now.brk - m_lastErrors.brk,
                        now.bufferOverrun - m_lastErrors.bufferOverrun};
        m_lastErrors = now;
        DispatchEvents(events & m_eventMask);
        // The receive worker takes the bytes; until it has, POLLIN stays
        // set, so look again only after a short pause (or a stop).
        pollfd p{m_wakeFd, POLLIN, 0};
        poll(&p, 1, kReceivePauseMs);
    }
}

void CCommPort::DispatchEvents(std::uint32_t events) {
    if (events & kEvRxChar) {
        int queued = 0;
        const std::uint32_t n = ioctl(m_device.fd(), FIONREAD, &queued) == 0
                                    ? static_cast<std::uint32_t>(queued)
                                    : UINT32_MAX;
        if (n != 0 && n >= m_receiveThreshold)
            HandleReceive();
    }
    if (events & kEvTxEmpty)
        HandleTxEmpty();
    if (events & kEvRxFlag)
        HandleRxFlag();
    if (events & kEvCts)
        HandleCts();
    if (events & kEvDsr)
        HandleDsr();
    if (events & kEvRing)
        HandleRing();
    if (events & kEvRlsd)
        HandleRlsd();
    if (events & kEvBreak)
        HandleBreak();
    if (events & kEvErr)
        HandleError();
}

void CCommPort::PostEvent(unsigned, long, bool) {}

long CCommPort::ModemBit(int tiocmBit) const {
    return (m_device.modemLines() & tiocmBit) ? 1 : 0;
}

void CCommPort::HandleReceive() {
    PostEvent(kMsgReceive, 0, true);
}
void CCommPort::HandleDsr() {
    PostEvent(kMsgDsr, ModemBit(TIOCM_DSR), true);
}
void CCommPort::HandleCts() {
    PostEvent(kMsgCts, ModemBit(TIOCM_CTS), true);
}
// A tty leaves the break state by itself when the line goes idle again.
void CCommPort::HandleBreak() {
    PostEvent(kMsgBreak, 0, true);
}
void CCommPort::HandleTxEmpty() {
    PostEvent(kMsgTxEmpty, 0, true);
}
void CCommPort::HandleError() {
    const LineErrors e = m_errorDelta;
    // Error bits as the callers know them: overrun 0x02, parity 0x04, frame 0x08, break 0x10.
    long bits = 0;
    if (e.overrun || e.bufferOverrun)
        bits |= 0x02;
    if (e.parity)
        bits |= 0x04;
    if (e.frame)
        bits |= 0x08;
    if (e.brk)
        bits |= 0x10;
    PostEvent(kMsgError, bits, true);
}
void CCommPort::HandleRing() {
    PostEvent(kMsgRing, ModemBit(TIOCM_RI), true);
}
void CCommPort::HandleRlsd() {
    PostEvent(kMsgRlsd, ModemBit(TIOCM_CD), true);
}
void CCommPort::HandleRxFlag() {
    PostEvent(kMsgRxFlag, 0, true);
}

int CCommPort::Read(std::uint8_t* buffer, int size, int /*timeoutMs*/) {
    // Only time-out 0 is ever asked for: what is queued, without waiting.
    if (size <= 0 || !m_device.isOpen())
        return 0;
    const ReadResult r = m_device.read(buffer, static_cast<std::size_t>(size));
    return static_cast<int>(r.count);
}

void CCommPort::SetPortNumber(int n) {
    std::lock_guard lock(m_ioMutex);
    m_portNumber = n;
}

int CCommPort::PortNumber() const {
    std::lock_guard lock(m_ioMutex);
    return m_portNumber;
}

int CCommPort::Write(const std::uint8_t* bytes, int count) {
    std::lock_guard lock(m_ioMutex);
    return WriteLocked(bytes, count);
}

int CCommPort::WriteIfPort(int expectedPort, const std::uint8_t* bytes, int count) {
    std::lock_guard lock(m_ioMutex);
    if (m_portNumber != expectedPort)
        return 0;
    return WriteLocked(bytes, count);
}

bool CCommPort::Drain(std::chrono::milliseconds limit) {
    std::lock_guard lock(m_ioMutex);
    const int fd = m_device.fd();
    if (fd < 0 || !m_device.isOpen())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
            return false;
        if (queued <= 0)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int CCommPort::WriteLocked(const std::uint8_t* bytes, int count) {
    if (count <= 0 || bytes == nullptr || !m_device.isOpen())
        return 0;
    const WriteResult r = m_device.write(bytes, static_cast<std::size_t>(count), kWriteDeadline);
    if (!r.status.ok())
        SetLastError(r.status);
    return static_cast<int>(r.written);
}

std::optional<std::size_t> CCommPort::OutputBacklog() const {
    std::lock_guard lock(m_ioMutex);
    const int fd = m_device.fd();
    if (fd < 0)
        return std::nullopt;
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return std::nullopt;
    return static_cast<std::size_t>(queued);
}

CCommPort::LineResult CCommPort::SetLineSettings(int baud, LineFormat format) {
    std::lock_guard lock(m_ioMutex);
    if (!m_device.settingsReadable())
        return LineResult::Unreadable;
    const SerialResult r = m_device.configure(baud, format);
    SetLastError(r);
    return r.ok() ? LineResult::Applied : LineResult::Refused;
}

WaitResult CCommPort::WaitInput(int timeoutMs, int wakeFd) const {
    return m_device.waitInput(timeoutMs, wakeFd);
}

void CCommPort::Close(int /*waitMs*/) {
    std::lock_guard lock(m_ioMutex);
    CloseLocked();
}

void CCommPort::CloseLocked() {
    if (!m_device.isOpen())
        return;
    // The monitor polls this descriptor: join it before the close so the
    // number can never be reused under its feet.
    StopWorkersLocked();
    m_run.store(false, std::memory_order_release);
    m_device.purge(true, true);
    m_device.close();
}

} // namespace tmx7
