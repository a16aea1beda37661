#pragma once
// A wake-up that a thread sleeping on a device can wait for beside the device
// itself: another thread notifies, the sleeper's wait returns. Notifications
// do not queue up; one clear() takes them all.

namespace tmx7 {

class SerialDevice;

class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // False when the system would not give us one (out of descriptors).
    [[nodiscard]] bool valid() const { return m_handle >= 0; }
    // Safe from any thread, any number of times.
    void notify();
    // Forgets every notification so far.
    void clear();

private:
    friend class SerialDevice; // waits on it beside the device
    int m_handle = -1;
};

} // namespace tmx7
