#pragma once
// State that the decoder thread and the window thread both touch: the
// parameter record, the passive address, the serial mode, the tab flags and
// the serial-format halves. One mutex guards all of it; every access copies in
// or out, so neither side ever holds the lock while it waits or paints.

#include "protocol/Decoder.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "protocol/Frames.h"

namespace tmx7 {

// The connection the decoder and the sequences address: written by the window
// thread (settings dialog, open port), read by the decoder on every cycle.
struct LinkSettings {
    std::atomic<int> comPort{1};
    std::atomic<int> baud{9600};
};

class DecoderShared {
public:
    DecoderState Snapshot() const {
        std::lock_guard lock(m_mutex);
        return m_state;
    }

    template <typename F> auto With(F&& f) {
        std::lock_guard lock(m_mutex);
        return f(m_state);
    }

    ParamSet Params() const {
        std::lock_guard lock(m_mutex);
        return m_state.params;
    }

    // The receive area is cleared by the window while packets taken earlier
    // may still be on their way to it; each append carries the epoch it was
    // decoded in, and the window drops appends from an older epoch.
    std::uint64_t ReceiveEpoch() const {
        std::lock_guard lock(m_mutex);
        return m_receiveEpoch;
    }
    std::uint64_t BeginNewReceiveEpoch() {
        std::lock_guard lock(m_mutex);
        return ++m_receiveEpoch;
    }

    // Answers still expected: every query written by the refresh or by the
    // decoder's follow-ups is awaited until a packet carries its answer header.
    // Together with the time of the last packet this tells when a module has
    // said all it is going to say.
    void Await(CommandCode code);
    void ClearAwaited();
    // Notes a received packet: removes the answers it carries, stamps activity.
    void NoteReceived(const std::uint8_t* bytes, std::size_t n, TimePoint at);
    std::size_t AwaitedCount() const;
    std::vector<CommandCode> Awaited() const;
    TimePoint LastActivity() const;

private:
    mutable std::mutex m_mutex;
    DecoderState m_state;
    std::uint64_t m_receiveEpoch = 0;
    std::vector<CommandCode> m_awaited;
    TimePoint m_lastActivity{};
};

} // namespace tmx7
