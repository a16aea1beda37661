#pragma once
// Message boxes with the window system's button sets and return codes, and a
// hook that lets tests answer them without a modal loop.

#include <QString>

#include <functional>

class QWidget;

namespace tmx7::gui {

// Button sets and icons; combine one of each.
enum MessageBoxFlags : int {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};

// Shows the box modally and returns res::IDOK, IDCANCEL, IDYES or IDNO.
// An empty caption shows the application's name.
int MessageBox(QWidget* parent, const QString& text, const QString& caption = {},
               int flags = MB_OK);

// While a hook is set, MessageBox calls it instead of showing anything and
// returns what it returns. Pass an empty function to remove it.
using MessageBoxHook = std::function<int(const QString& text, const QString& caption, int flags)>;
void SetMessageBoxHook(MessageBoxHook hook);

} // namespace tmx7::gui
