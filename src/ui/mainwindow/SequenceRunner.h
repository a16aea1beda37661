#pragma once
// The window's view of the engine's worker: which sequence the window has
// started and whether it still runs. Every part of the window starts its
// sequences here, so that while one runs the others can refuse to start
// theirs and the user is told why. The window hands it every
// SequenceFinished; it reports the end of its own sequences.

#include "protocol/Events.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace tmx7 {

class Session;

class SequenceRunner : public QObject {
    Q_OBJECT
public:
    explicit SequenceRunner(Session& session, QObject* parent = nullptr);

    // Starts a sequence through `begin` (one of the session's sequence
    // calls); false, with nothing started, while one runs.
    bool start(SequenceKind kind, const std::function<bool(Session&)>& begin);
    bool running() const { return m_running.has_value(); }
    // Why other commands wait, for their tips; empty while nothing runs.
    QString reason() const;
    // What the status pane says when the window is closed while it runs.
    QString closingText() const;

    void finished(const SequenceFinished& end);

signals:
    void busyChanged(bool busy);
    void ended(tmx7::SequenceKind kind, const tmx7::Outcome& outcome);

private:
    Session& m_session;
    std::optional<SequenceKind> m_running;
};

} // namespace tmx7
