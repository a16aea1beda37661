#include "gui/MessageBox.h"

#include "res/ResourceIds.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>

#include <vector>

namespace tmx7::gui {
namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

int MessageBox(QWidget* parent, const QString& text, const QString& caption, int flags) {
    const QString title = caption.isEmpty() ? QCoreApplication::applicationName() : caption;
    if (Hook())
        return Hook()(text, title, flags);

    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int result;
        const char* caption;
    };
    std::vector<Choice> choices;
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        choices = {{QMessageBox::Ok, res::IDOK, "确定"},
                   {QMessageBox::Cancel, res::IDCANCEL, "取消"}};
        break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, res::IDYES, "是"},
                   {QMessageBox::No, res::IDNO, "否"},
                   {QMessageBox::Cancel, res::IDCANCEL, "取消"}};
        break;
    case MB_YESNO:
        choices = {{QMessageBox::Yes, res::IDYES, "是"}, {QMessageBox::No, res::IDNO, "否"}};
        break;
    default:
        choices = {{QMessageBox::Ok, res::IDOK, "确定"}};
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& c : choices)
        buttons |= c.button;
    box.setStandardButtons(buttons);
    for (const Choice& c : choices)
        box.button(c.button)->setText(QString::fromUtf8(c.caption));
    box.setDefaultButton(choices.front().button);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const Choice& c : choices)
        if (c.button == pressed)
            return c.result;
    // Closed by the title bar: the window system reports cancel where there is
    // one, otherwise the only button.
    const bool hasCancel = (flags & 0xF) == MB_OKCANCEL || (flags & 0xF) == MB_YESNOCANCEL;
    return hasCancel ? res::IDCANCEL : choices.front().result;
}

} // namespace tmx7::gui
