#include "gui/InputGate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

namespace tmx7::gui {
namespace {
bool IsUserInput(QEvent::Type t) {
    switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}
} // namespace

InputGate::InputGate(QWidget* window) : QObject(window), m_window(window) {}

InputGate::~InputGate() {
    if (m_depth > 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void InputGate::Hold() {
    if (m_depth++ == 0 && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

void InputGate::Release() {
    if (m_depth == 0)
        return;
    if (--m_depth > 0)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    if (m_closeDeferred && m_window) {
        m_closeDeferred = false;
        // Queued, so the sequence that released the gate unwinds first.
        QMetaObject::invokeMethod(m_window, &QWidget::close, Qt::QueuedConnection);
    }
}

bool InputGate::BelongsToWindow(QObject* o) const {
    if (!m_window)
        return false;
    auto* w = qobject_cast<QWidget*>(o);
    if (!w)
        return false;
    if (w->window() == m_window)
        return true;
    // Menus and other pop-ups opened from the window are windows of their
    // own; they belong to it when their parent chain leads there. Dialogs and
    // message boxes started by the sequence are not held.
    if (!(w->window()->windowType() == Qt::Popup))
        return false;
    for (QWidget* p = w->window()->parentWidget(); p; p = p->parentWidget())
        if (p == m_window)
            return true;
    return false;
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
    if (m_depth == 0)
        return false;
    if (event->type() == QEvent::Close && watched == m_window) {
        m_closeDeferred = true;
        event->ignore();
        return true;
    }
    if (IsUserInput(event->type()) && BelongsToWindow(watched)) {
        ++m_discarded;
        event->accept(); // not ignored, so it does not travel on to a parent
        return true;
    }
    return false;
}

void WaitWithInputHeld(InputGate& gate, int ms) {
    InputHold hold(gate);
    QEventLoop loop;
    QTimer::singleShot(ms < 0 ? 0 : ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace tmx7::gui
