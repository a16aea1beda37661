#pragma once
// The menu bar: one QAction per menu command the window carries out, each
// named after its Command ("refreshAction"). Whether an action can be used
// is decided in one place from two things: what the port and the module
// allow (set by the port commands and by the engine's CommandEnabled) and
// whether a sequence runs, which blocks every action that would start or
// disturb another one; the blocked action's tip says why.
//
// The data test panel fills "数据设置" and the "标准数据长度" part of
// "通信设置" with actions of its own.

#include "protocol/Fields.h"

#include <QObject>
#include <QString>

#include <array>

class QAction;
class QMenu;
class QMenuBar;

namespace tmx7 {

class CommandActions : public QObject {
    Q_OBJECT
public:
    CommandActions(QMenuBar* bar, QObject* parent);

    // Null for the commands the window does not put into a menu itself.
    QAction* action(Command command) const;
    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* dataMenu() const { return m_dataMenu; }
    QMenu* commMenu() const { return m_commMenu; }

    // What the port and the module allow.
    void setAvailable(Command command, bool on);
    // A sequence runs (with the reason shown on the blocked actions), or,
    // with an empty text, none does.
    void setBusy(const QString& why);
    bool busy() const { return !m_busyWhy.isEmpty(); }
    // Available and not blocked: what a double-click on a value may start.
    bool usable(Command command) const;

signals:
    void triggered(tmx7::Command command);

private:
    static constexpr std::size_t kCount = static_cast<std::size_t>(Command::CheckMemory) + 1;

    QAction* add(QMenu* menu, Command command, const char* caption, const char* name);
    void update(Command command);

    std::array<QAction*, kCount> m_actions{};
    std::array<bool, kCount> m_available{};
    QString m_busyWhy;
    QMenu* m_fileMenu;
    QMenu* m_dataMenu;
    QMenu* m_paramMenu;
    QMenu* m_commMenu;
    QMenu* m_helpMenu;
};

} // namespace tmx7
