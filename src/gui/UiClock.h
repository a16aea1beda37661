#pragma once
// A clock for sequences that run on the window thread (refresh, set commands,
// download, the format probe). Its waits keep the event loop turning: the
// window repaints, timers fire and the decoder's updates appear, while the
// user's input to the window is held back by the gate. Time itself comes from
// a base clock, so tests run the same sequences on a virtual clock.

#include "gui/InputGate.h"
#include "platform/Clock.h"

#include <thread>

namespace tmx7::gui {

class UiClock : public Clock {
public:
    // `gate` may be null (no window to hold input for, e.g. before it exists).
    explicit UiClock(InputGate* gate = nullptr, Clock& base = RealClock());

    TimePoint now() const override { return m_base.now(); }
    // On the thread that created the clock: runs events in slices of at most
    // kSlice while waiting. On any other thread: a plain wait on the base clock.
    bool sleepFor(Millis d, StopSignal* stop = nullptr) override;

    void SetGate(InputGate* gate) { m_gate = gate; }
    Clock& Base() { return m_base; }

    // Longest stretch without event processing during a wait: short enough that
    // the window never looks frozen, long enough not to cost noticeable CPU.
    static constexpr Millis kSlice{10};

private:
    InputGate* m_gate;
    Clock& m_base;
    std::thread::id m_uiThread;
};

} // namespace tmx7::gui
