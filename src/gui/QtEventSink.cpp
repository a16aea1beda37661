#include "gui/QtEventSink.h"

#include <QCoreApplication>
#include <QEvent>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace tmx7::gui {

namespace {

// Qt hands a posted event to the receiving thread under locks of its own,
// which ThreadSanitizer cannot see (Qt is not built with it). The batch's
// hand-over is told to it here, once the event holding it is complete, so
// the engine's data is still checked.
void HandingOver([[maybe_unused]] const void* sink) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(const_cast<void*>(sink));
#endif
}
void TakenOver([[maybe_unused]] const void* sink) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<void*>(sink));
#endif
}

const QEvent::Type kBatch = static_cast<QEvent::Type>(QEvent::registerEventType());

struct BatchEvent : QEvent {
    explicit BatchEvent(std::vector<Event> e) : QEvent(kBatch), events(std::move(e)) {}
    std::vector<Event> events;
};

} // namespace

QtEventSink::QtEventSink(QObject* parent) : QObject(parent) {}

void QtEventSink::Post(std::vector<Event> events) {
    auto* batch = new BatchEvent(std::move(events));
    HandingOver(this);
    // Delivered on this object's thread, in posting order, and dropped with
    // the object if it is gone by then.
    QCoreApplication::postEvent(this, batch);
}

void QtEventSink::customEvent(QEvent* event) {
    if (event->type() != kBatch)
        return;
    TakenOver(this);
    emit posted(static_cast<BatchEvent*>(event)->events);
}

} // namespace tmx7::gui
