#pragma once
// The common part of the choice dialogs: buttons that each stand for one
// value and close the dialog. The choice starts at 0 and is set only by the
// dialog's own buttons, so Enter, Escape and the close box close it with 0,
// which every caller takes as a cancellation. No button is a default button:
// Enter never presses a focused choice by accident.

#include "settings/DialogModels.h"

#include <QDialog>

#include <string_view>

class QPushButton;
class QVBoxLayout;

namespace tmx7 {

class CChoiceDlg : public QDialog {
    Q_OBJECT
protected:
    CChoiceDlg(const QString& title, QWidget* parent);

    int chosen() const { return m_choice; }
    // A push button that is never a default button; not connected.
    QPushButton* makeButton(std::string_view caption, const QString& name);
    // A button that closes the dialog with `choice` (0: as cancelled).
    QPushButton* addChoiceButton(std::string_view caption, int choice, const QString& name);
    // One column of the table's buttons, top to bottom; the cancel button
    // ("cancelButton") is set a little apart, the others are named
    // `namePrefix` followed by their choice ("channelButton9").
    QVBoxLayout* choiceColumn(std::span<const ChoiceButton> buttons, const QString& namePrefix);
    void finish(int choice);

    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_choice = 0;
};

} // namespace tmx7
