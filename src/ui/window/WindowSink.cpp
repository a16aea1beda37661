#include "ui/window/WindowSink.h"

#include <QMetaObject>

namespace tmx7 {

WindowSink::WindowSink(QObject* context, Applier apply)
    : QObject(context), m_apply(std::move(apply)) {}

void WindowSink::Post(std::vector<Event> events) {
    // Queued even on the window thread: a sequence's own events then line up
    // behind the decoder's earlier ones instead of overtaking them.
    QMetaObject::invokeMethod(
        this,
        [this, batch = std::move(events)] {
            for (const Event& e : batch)
                m_apply(e);
        },
        Qt::QueuedConnection);
}

} // namespace tmx7
