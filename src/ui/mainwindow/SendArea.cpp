#include "ui/mainwindow/SendArea.h"

#include "gui/HexFilter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace tmx7 {
namespace {

QString HexOnly(const QString& text) {
    const std::u32string kept = gui::HexFilterText(text.toStdU32String());
    return QString::fromStdU32String(kept);
}

} // namespace

SendArea::SendArea(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // The right button does nothing on the window's controls.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void SendArea::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        return;
    }
    // Only characters are filtered; arrows, Delete, Backspace and shortcuts
    // (Ctrl+V passes through the paste filter below) go on.
    const bool shortcut =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QString text = event->text();
    if (!shortcut && !text.isEmpty() && text.at(0).isPrint() && HexOnly(text) != text) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void SendArea::inputMethodEvent(QInputMethodEvent* event) {
    // Hex keys need no composing: only the filtered commit goes in.
    if (event->commitString().isEmpty() && event->preeditString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered;
    filtered.setCommitString(HexOnly(event->commitString()));
    QPlainTextEdit::inputMethodEvent(&filtered);
}

void SendArea::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText() || isReadOnly())
        return;
    insertPlainText(HexOnly(source->text()));
}

void SendArea::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

} // namespace tmx7
