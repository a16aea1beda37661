#pragma once
// Carries the engine's events to the main window. Post may be called from any
// thread (the decoder) or from the window thread (the sequences); every batch
// is queued to the window's event loop, so events take effect in the order
// they were handed over, whoever handed them, and never touch a widget off
// the window thread.

#include "protocol/Events.h"

#include <QObject>

#include <functional>

namespace tmx7 {

class WindowSink : public QObject, public EventSink {
    Q_OBJECT
public:
    using Applier = std::function<void(const Event&)>;
    // `apply` runs on the thread `context` lives on, one event at a time.
    WindowSink(QObject* context, Applier apply);

    void Post(std::vector<Event> events) override;

private:
    Applier m_apply;
};

} // namespace tmx7
