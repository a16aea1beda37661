#include "gui/QtEventSink.h"

#include <QMetaObject>

namespace tmx7::gui {

QtEventSink::QtEventSink(QObject* parent) : QObject(parent) {}

void QtEventSink::Post(std::vector<Event> events) {
    // A queued call runs on this object's thread, in posting order, and is
    // dropped if the object is gone by then.
    QMetaObject::invokeMethod(
        this, [this, batch = std::move(events)] { emit posted(batch); }, Qt::QueuedConnection);
}

} // namespace tmx7::gui
