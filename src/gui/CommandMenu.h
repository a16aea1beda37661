#pragma once
// A menu built from a menu table, addressed by command id. The bar and any
// pop-up use the very same QMenu objects, so an entry greyed in the bar is
// greyed in the pop-up too.

#include "res/Templates.h"

#include <QObject>
#include <QPoint>

#include <map>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace tmx7::gui {

class CommandMenu : public QObject {
    Q_OBJECT
public:
    // Builds the menu; `owner` becomes the parent of the bar and the pop-ups.
    CommandMenu(const res::Menu& menu, QWidget* owner);
    ~CommandMenu() override;

    QMenuBar* Bar() const { return m_bar; }
    // Top-level pop-up by position (0 = the first bar entry), nullptr if none.
    QMenu* SubMenu(int index) const;
    int SubMenuCount() const { return static_cast<int>(m_popups.size()); }
    QAction* Action(int command) const; // nullptr for unknown commands
    bool Contains(int command) const { return Action(command) != nullptr; }
    std::vector<int> Commands() const;

    void Enable(int command) { SetEnabled(command, true); }
    // Disabled and drawn grey; the entry cannot be chosen.
    void Grey(int command) { SetEnabled(command, false); }
    void SetEnabled(int command, bool on);
    bool IsEnabled(int command) const;
    void Check(int command, bool on = true);
    bool IsChecked(int command) const;
    QString Caption(int command) const;

    // Shows top-level pop-up `index` at a global position and returns at once;
    // a chosen entry arrives through Command() like one from the bar.
    void Popup(int index, QPoint globalPos);

signals:
    void Command(int command);

private:
    QMenuBar* m_bar = nullptr;
    std::vector<QMenu*> m_popups;
    std::map<int, QAction*> m_actions;
};

} // namespace tmx7::gui
