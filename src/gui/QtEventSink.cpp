#include "gui/QtEventSink.h"

#include <QMetaObject>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace tmx7::gui {

namespace {

// Qt hands a queued call to the receiving thread under locks of its own,
// which ThreadSanitizer cannot see (Qt is not built with it). The batch's
// hand-over is told to it here, so the engine's data is still checked.
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

} // namespace

QtEventSink::QtEventSink(QObject* parent) : QObject(parent) {}

void QtEventSink::Post(std::vector<Event> events) {
    HandingOver(this);
    // A queued call runs on this object's thread, in posting order, and is
    // dropped if the object is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, batch = std::move(events)] {
            TakenOver(this);
            emit posted(batch);
        },
        Qt::QueuedConnection);
}

} // namespace tmx7::gui
