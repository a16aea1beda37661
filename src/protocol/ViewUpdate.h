#pragma once
// What the engine asks the window to show, as plain data. The decoder thread
// and the sequences produce lists of these; the window applies them on its own
// thread in order, the command-line tool applies them to a record, tests
// record them. Nothing here knows about widgets.

#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace tmx7 {

struct SetText {
    int controlId = 0;
    std::string text;
    bool operator==(const SetText&) const = default;
};

struct EnableControl {
    int controlId = 0;
    bool enabled = true;
    bool operator==(const EnableControl&) const = default;
};

struct EnableMenu {
    int commandId = 0;
    bool enabled = true; // false = greyed and disabled
    bool operator==(const EnableMenu&) const = default;
};

// Adds a page to the parameter tab control unless a page with this caption
// is already there.
struct InsertTab {
    std::string caption;
    int position = 0;
    bool operator==(const InsertTab&) const = default;
};

struct DeleteTab {
    int position = 0;
    bool operator==(const DeleteTab&) const = default;
};

struct SelectTab {
    int position = 0;
    bool operator==(const SelectTab&) const = default;
};

struct ShowControl {
    int controlId = 0;
    bool shown = true;
    bool operator==(const ShowControl&) const = default;
};

struct SetProgress {
    int position = 0;
    bool operator==(const SetProgress&) const = default;
};

struct SetPane {
    int index = 0;
    std::string text;
    bool operator==(const SetPane&) const = default;
};

// Text for the receive area. `epoch` lets the window drop text decoded before
// the area was last cleared (see ClearReceived).
struct AppendReceived {
    std::string text;
    std::uint64_t epoch = 0;
    bool operator==(const AppendReceived&) const = default;
};

struct ClearReceived {
    std::uint64_t epoch = 0;
    bool operator==(const ClearReceived&) const = default;
};

using ViewUpdate = std::variant<SetText, EnableControl, EnableMenu, InsertTab, DeleteTab, SelectTab,
                                ShowControl, SetProgress, SetPane, AppendReceived, ClearReceived>;

class ViewSink {
public:
    virtual ~ViewSink() = default;
    // Updates take effect in the order given.
    virtual void Apply(std::vector<ViewUpdate> updates) = 0;
};

// Keeps every update it is given; safe to feed from another thread.
class RecordingSink : public ViewSink {
public:
    void Apply(std::vector<ViewUpdate> updates) override {
        std::lock_guard lock(m_mutex);
        for (auto& u : updates)
            m_updates.push_back(std::move(u));
        ++m_batches;
    }
    std::vector<ViewUpdate> Updates() const {
        std::lock_guard lock(m_mutex);
        return m_updates;
    }
    std::size_t Batches() const {
        std::lock_guard lock(m_mutex);
        return m_batches;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_updates.clear();
        m_batches = 0;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<ViewUpdate> m_updates;
    std::size_t m_batches = 0;
};

// Readable forms for test failure messages.
inline std::ostream& operator<<(std::ostream& os, const SetText& u) {
    return os << "SetText{" << u.controlId << ", \"" << u.text << "\"}";
}
inline std::ostream& operator<<(std::ostream& os, const EnableControl& u) {
    return os << "EnableControl{" << u.controlId << ", " << u.enabled << "}";
}
inline std::ostream& operator<<(std::ostream& os, const EnableMenu& u) {
    return os << "EnableMenu{" << u.commandId << ", " << u.enabled << "}";
}
inline std::ostream& operator<<(std::ostream& os, const InsertTab& u) {
    return os << "InsertTab{\"" << u.caption << "\", " << u.position << "}";
}
inline std::ostream& operator<<(std::ostream& os, const DeleteTab& u) {
    return os << "DeleteTab{" << u.position << "}";
}
inline std::ostream& operator<<(std::ostream& os, const SelectTab& u) {
    return os << "SelectTab{" << u.position << "}";
}
inline std::ostream& operator<<(std::ostream& os, const ShowControl& u) {
    return os << "ShowControl{" << u.controlId << ", " << u.shown << "}";
}
inline std::ostream& operator<<(std::ostream& os, const SetProgress& u) {
    return os << "SetProgress{" << u.position << "}";
}
inline std::ostream& operator<<(std::ostream& os, const SetPane& u) {
    return os << "SetPane{" << u.index << ", \"" << u.text << "\"}";
}
inline std::ostream& operator<<(std::ostream& os, const AppendReceived& u) {
    return os << "AppendReceived{\"" << u.text << "\", " << u.epoch << "}";
}
inline std::ostream& operator<<(std::ostream& os, const ClearReceived& u) {
    return os << "ClearReceived{" << u.epoch << "}";
}
inline std::ostream& operator<<(std::ostream& os, const ViewUpdate& u) {
    std::visit([&os](const auto& v) { os << v; }, u);
    return os;
}

} // namespace tmx7
