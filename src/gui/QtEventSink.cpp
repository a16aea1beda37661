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

void QtEventSink::Post(std::vector<Event> events) {
    HandingOver(this);
    // Queued even on the window thread: a sequence's own events then line up
    // behind the decoder's earlier ones instead of overtaking them.
    QMetaObject::invokeMethod(
        this,
        [this, batch = std::move(events)] {
            TakenOver(this);
            emit posted(batch);
        },
        Qt::QueuedConnection);
}

} // namespace tmx7::gui
