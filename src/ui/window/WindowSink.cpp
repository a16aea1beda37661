#include "ui/window/WindowSink.h"

#include <QMetaObject>

namespace tmx7 {

WindowSink::WindowSink(QObject* context, Applier apply)
    : QObject(context), m_apply(std::move(apply)) {}

void WindowSink::Apply(std::vector<ViewUpdate> updates) {
    // Queued even on the window thread: a sequence's own updates then line up
    // behind the decoder's earlier ones instead of overtaking them.
    QMetaObject::invokeMethod(
        this,
        [this, batch = std::move(updates)] {
            for (const ViewUpdate& u : batch)
                m_apply(u);
        },
        Qt::QueuedConnection);
}

} // namespace tmx7
