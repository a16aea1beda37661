#include "gui/CommandMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace tmx7::gui {

CommandMenu::CommandMenu(const res::Menu& menu, QWidget* owner) : QObject(owner) {
    m_bar = new QMenuBar(owner);
    // menus[d] is the open pop-up at depth d + 1; entries of depth d go into menus[d - 1].
    std::vector<QMenu*> open;
    for (const res::MenuEntry& e : menu.entries) {
        const int depth = e.depth;
        if (depth < 0 || depth > static_cast<int>(open.size()))
            continue; // malformed nesting; skip rather than guess
        open.resize(depth);
        const QString caption = QString::fromUtf8(e.caption);
        if (e.flags & res::kMenuPopup) {
            QMenu* m = nullptr;
            if (depth == 0) {
                m = m_bar->addMenu(caption);
                m_popups.push_back(m);
            } else {
                m = open.back()->addMenu(caption);
            }
            m->menuAction()->setEnabled(!(e.flags & res::kMenuGrayed));
            open.push_back(m);
            continue;
        }
        if (depth == 0) {
            // A command directly on the bar.
            QAction* a = m_bar->addAction(caption);
            m_actions[e.id] = a;
            connect(a, &QAction::triggered, this, [this, id = e.id] { emit Command(id); });
            continue;
        }
        QMenu* parent = open.back();
        if (e.flags & res::kMenuSeparator) {
            parent->addSeparator();
            continue;
        }
        QAction* a = parent->addAction(caption);
        if (e.flags & res::kMenuChecked) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        a->setEnabled(!(e.flags & res::kMenuGrayed));
        // A click on a checkable action toggles it; the check state belongs to
        // the program, not the click, so undo the toggle before reporting.
        connect(a, &QAction::triggered, this, [this, a, id = e.id](bool checked) {
            if (a->isCheckable())
                a->setChecked(!checked);
            emit Command(id);
        });
        m_actions[e.id] = a;
    }
}

CommandMenu::~CommandMenu() = default;

QMenu* CommandMenu::SubMenu(int index) const {
    if (index < 0 || index >= static_cast<int>(m_popups.size()))
        return nullptr;
    return m_popups[index];
}

QAction* CommandMenu::Action(int command) const {
    auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

std::vector<int> CommandMenu::Commands() const {
    std::vector<int> ids;
    for (const auto& [id, a] : m_actions)
        ids.push_back(id);
    return ids;
}

void CommandMenu::SetEnabled(int command, bool on) {
    if (QAction* a = Action(command))
        a->setEnabled(on);
}

bool CommandMenu::IsEnabled(int command) const {
    QAction* a = Action(command);
    return a && a->isEnabled();
}

void CommandMenu::Check(int command, bool on) {
    QAction* a = Action(command);
    if (!a)
        return;
    // Only checked entries are checkable: some styles draw an empty box beside
    // every checkable entry, and an unchecked entry should show no mark at all.
    if (on)
        a->setCheckable(true);
    a->setChecked(on);
    if (!on)
        a->setCheckable(false);
}

bool CommandMenu::IsChecked(int command) const {
    QAction* a = Action(command);
    return a && a->isChecked();
}

QString CommandMenu::Caption(int command) const {
    QAction* a = Action(command);
    return a ? a->text() : QString();
}

void CommandMenu::Popup(int index, QPoint globalPos) {
    if (QMenu* m = SubMenu(index))
        m->popup(globalPos);
}

} // namespace tmx7::gui
