#include "platform/WakeSignal.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tmx7 {

WakeSignal::WakeSignal() : m_handle(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (m_handle >= 0)
        ::close(m_handle);
}

void WakeSignal::notify() {
    const std::uint64_t one = 1;
    // EAGAIN only when the counter is near overflow, i.e. already signalled.
    if (m_handle >= 0) [[maybe_unused]]
        const auto n = ::write(m_handle, &one, sizeof one);
}

void WakeSignal::clear() {
    std::uint64_t count;
    if (m_handle >= 0) [[maybe_unused]]
        const auto n = ::read(m_handle, &count, sizeof count);
}

} // namespace tmx7
