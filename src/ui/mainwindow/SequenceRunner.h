#pragma once
// The sequence the window has started on the engine, if one runs. Every
// part of the window starts its sequences here, so that while one runs the
// others refuse to start theirs and the user is told why. The window hands
// it every SequenceFinished; it reports the end of its own.

#include "protocol/Events.h"

#include <QObject>

#include <functional>
#include <optional>

namespace tmx7 {

class Session;

class SequenceRunner : public QObject {
    Q_OBJECT
public:
    SequenceRunner(Session& session, QObject* parent) : QObject(parent), m_session(session) {}

    // Starts a sequence through `begin` (a Session call); false, with
    // nothing started, while one runs.
    bool start(SequenceKind kind, const std::function<bool(Session&)>& begin);
    bool running() const { return m_running.has_value(); }
    void finished(const SequenceFinished& end);
    // Why other commands wait; what the status pane says on a close meanwhile.
    QString reason() const;
    QString closingText() const;

signals:
    void busyChanged(bool busy);
    void ended(tmx7::SequenceKind kind, const tmx7::Outcome& outcome);

private:
    Session& m_session;
    std::optional<SequenceKind> m_running;
};

} // namespace tmx7
