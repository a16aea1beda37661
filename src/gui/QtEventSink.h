#pragma once
// Hands the engine's events to the window thread. The engine posts from its
// worker, decoder and port threads; every batch is re-posted to this object's
// thread (the GUI thread) and comes out there as one `posted` signal, in the
// order the batches were given. Slots connected to `posted` may touch widgets.
//
// The sink must outlive everything that posts to it: destroy the engine
// (which joins its threads) before the sink.

#include "protocol/Events.h"

#include <QObject>

#include <vector>

namespace tmx7::gui {

class QtEventSink : public QObject, public EventSink {
    Q_OBJECT
public:
    explicit QtEventSink(QObject* parent = nullptr);

    // Any thread.
    void Post(std::vector<Event> events) override;

signals:
    void posted(const std::vector<tmx7::Event>& events);

protected:
    void customEvent(QEvent* event) override;
};

} // namespace tmx7::gui
