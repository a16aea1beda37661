#include "gui/QtEventSink.h"

#include <QMetaObject>

namespace tmx7::gui {

void QtEventSink::Post(std::vector<Event> events) {
    // Queued even on the window thread: a sequence's own events then line up
    // behind the decoder's earlier ones instead of overtaking them.
    QMetaObject::invokeMethod(
        this, [this, batch = std::move(events)] { emit posted(batch); }, Qt::QueuedConnection);
}

} // namespace tmx7::gui
