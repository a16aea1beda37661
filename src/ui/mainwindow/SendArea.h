#pragma once
// "发送区": the hex text to send. Read-only except while the user data is
// being edited; then only the hex keys (0-9, A-F, blank, full stop,
// backspace) type anything, and pasted, dropped or composed text keeps only
// those characters. Enter, editable or not, inserts no line: it is the
// signal to take the text as the user data.

#include <QPlainTextEdit>

namespace tmx7 {

class SendArea : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit SendArea(QWidget* parent = nullptr);

signals:
    void enterPressed();
    void doubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace tmx7
