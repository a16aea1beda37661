#pragma once
// The program's message boxes: one "确定" button, the given title or, when
// there is none, the application's name. The box is made wide enough for its
// title to show whole in the title bar.

#include <QMessageBox>
#include <QString>

namespace tmx7::gui {

// Shows the box modally over `parent` and returns when it is closed.
void ShowMessage(QWidget* parent, const QString& text, const QString& title = {},
                 QMessageBox::Icon icon = QMessageBox::NoIcon);

// The same box opened without waiting for it: the caller's event loop goes
// on; the box deletes itself when closed. Its `finished` tells when.
QMessageBox* OpenMessage(QWidget* parent, const QString& text, const QString& title = {},
                         QMessageBox::Icon icon = QMessageBox::NoIcon);

// The range or format prompt of a value the user entered (a warning).
void ShowPrompt(QWidget* parent, const QString& text);

} // namespace tmx7::gui
