#pragma once
// Carries the engine's events to a window. Post is called from engine
// threads (the decoder, the session's worker) and from the window thread
// alike; every batch is queued to the receiver's thread, so events reach the
// window in the order they were posted and never touch a widget elsewhere.

#include "protocol/Events.h"

#include <QObject>

#include <vector>

namespace tmx7::gui {

class QtEventSink : public QObject, public EventSink {
    Q_OBJECT
public:
    explicit QtEventSink(QObject* parent = nullptr) : QObject(parent) {}

    void Post(std::vector<Event> events) override;

signals:
    // On the thread this object lives on, one batch at a time.
    void posted(const std::vector<tmx7::Event>& events);
};

} // namespace tmx7::gui
