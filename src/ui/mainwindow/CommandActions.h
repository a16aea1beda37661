#pragma once
// The menu bar's commands and the one engine sequence the window runs at a
// time. Each command the window carries out is a QAction named after it
// ("refreshAction"); whether it can be used follows from what the port and
// the module allow (the port commands, the engine's CommandEnabled) and from
// whether a sequence runs, which blocks every command that would start or
// disturb another: the blocked entries say why in their tips. The data test
// panel puts its own entries into "数据设置" and "通信设置".

#include "protocol/Events.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;

namespace tmx7 {

class Session;

inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::CheckMemory) + 1;

class CommandActions : public QObject {
    Q_OBJECT
public:
    CommandActions(Session& session, QMenuBar* bar, QObject* parent);

    QAction* action(Command command) const { return m_actions[Index(command)]; }
    QMenu* menu(int index) const { return m_menus[index]; } // 0 "文件" ... 4 "帮助"
    void setAvailable(Command command, bool on);
    bool usable(Command command) const; // available and not blocked

    // Starts a sequence through `begin` (a Session call); false, with
    // nothing started, while one runs.
    bool start(SequenceKind kind, const std::function<bool(Session&)>& begin);
    // A sequence the engine started by itself (a returned adapter's reconnect)
    // blocks the same commands until its end.
    void adopt(SequenceKind kind);
    bool running() const { return m_running.has_value(); }
    // Every SequenceFinished; the settings dialog's probes are not ours.
    void finished(const SequenceFinished& end);
    QString busyText() const;    // why commands wait
    QString closingText() const; // what a close meanwhile says

signals:
    void triggered(tmx7::Command command);
    void busyChanged(bool busy);
    void sequenceEnded(tmx7::SequenceKind kind, const tmx7::Outcome& outcome);

private:
    static std::size_t Index(Command c) { return static_cast<std::size_t>(c); }
    void updateAll();

    Session& m_session;
    std::array<QAction*, kCommandCount> m_actions{};
    std::array<bool, kCommandCount> m_available{};
    std::array<QMenu*, 7> m_menus{};
    std::optional<SequenceKind> m_running;
};

} // namespace tmx7
