#pragma once
// Holds back the user's input to one window while a sequence waits on the UI
// thread. Paint, timers, queued calls and other windows carry on; keyboard,
// mouse, wheel and shortcut input bound for the window (its controls and its
// menus included) is discarded, and a close request is kept until the last
// hold ends, then carried out.
//
// Discarding rather than queueing is deliberate: a click made while the
// window showed a running refresh must not fire later against a changed
// window.

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tmx7::gui {

class InputGate : public QObject {
    Q_OBJECT
public:
    explicit InputGate(QWidget* window);
    ~InputGate() override;

    // Holds nest; input flows again after as many Release() as Hold().
    void Hold();
    void Release();
    bool IsHeld() const { return m_depth > 0; }
    // A close arrived while held and waits for the release.
    bool IsCloseDeferred() const { return m_closeDeferred; }
    int DiscardedEvents() const { return m_discarded; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool BelongsToWindow(QObject* o) const;

    QPointer<QWidget> m_window;
    int m_depth = 0;
    bool m_closeDeferred = false;
    int m_discarded = 0;
};

// Scope guard: holds the gate for its lifetime.
class InputHold {
public:
    explicit InputHold(InputGate& gate) : m_gate(gate) { m_gate.Hold(); }
    ~InputHold() { m_gate.Release(); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

private:
    InputGate& m_gate;
};

// Runs the event loop for `ms` milliseconds of real time with the gate held:
// the window repaints and its timers run, the user's input is held back.
void WaitWithInputHeld(InputGate& gate, int ms);

} // namespace tmx7::gui
