#pragma once
// The menu bar: one QAction per command the window carries out, named after
// it ("refreshAction"). Whether an action can be used is decided here from
// what the port and the module allow (the port commands and the engine's
// CommandEnabled) and whether a sequence runs, which blocks every action
// that would start or disturb another; a blocked action's tip says why.
// The data test panel fills "数据设置" and part of "通信设置" itself.

#include "protocol/Fields.h"

#include <QObject>
#include <QString>

#include <array>

class QAction;
class QMenu;
class QMenuBar;

namespace tmx7 {

inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::CheckMemory) + 1;

class CommandActions : public QObject {
    Q_OBJECT
public:
    CommandActions(QMenuBar* bar, QObject* parent);

    QAction* action(Command command) const { return m_actions[Index(command)]; }
    QMenu* menu(int index) const { return m_menus[index]; } // 0 "文件" ... 4 "帮助"
    void setAvailable(Command command, bool on);
    // A sequence runs, for the reason given; an empty text: none runs.
    void setBusy(const QString& why);
    // Available and not blocked.
    bool usable(Command command) const;

signals:
    void triggered(tmx7::Command command);

private:
    static std::size_t Index(Command c) { return static_cast<std::size_t>(c); }
    void update(Command command);

    std::array<QAction*, kCommandCount> m_actions{};
    std::array<bool, kCommandCount> m_available{};
    std::array<QMenu*, 7> m_menus{};
    QString m_busyWhy;
};

} // namespace tmx7
