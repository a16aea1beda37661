#pragma once
// Carries the engine's view updates to the main window. Apply may be called
// from any thread (the decoder) or from the window thread (the sequences);
// every batch is queued to the window's event loop, so updates take effect in
// the order they were handed over, whoever handed them, and never touch a
// widget off the window thread.

#include "protocol/ViewUpdate.h"

#include <QObject>

#include <functional>

namespace tmx7 {

class WindowSink : public QObject, public ViewSink {
    Q_OBJECT
public:
    using Applier = std::function<void(const ViewUpdate&)>;
    // `apply` runs on the thread `context` lives on, one update at a time.
    WindowSink(QObject* context, Applier apply);

    void Apply(std::vector<ViewUpdate> updates) override;

private:
    Applier m_apply;
};

} // namespace tmx7
