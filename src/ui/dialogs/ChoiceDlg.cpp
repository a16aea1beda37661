#include "ui/dialogs/ChoiceDlg.h"

#include "gui/Text.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace tmx7 {

CChoiceDlg::CChoiceDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
}

QPushButton* CChoiceDlg::makeButton(std::string_view caption, const QString& name) {
    auto* button = new QPushButton(gui::ToQString(caption), this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QPushButton* CChoiceDlg::addChoiceButton(std::string_view caption, int choice,
                                         const QString& name) {
    QPushButton* button = makeButton(caption, name);
    connect(button, &QPushButton::clicked, this, [this, choice] { finish(choice); });
    return button;
}

QVBoxLayout* CChoiceDlg::choiceColumn(std::span<const ChoiceButton> buttons,
                                      const QString& namePrefix) {
    auto* column = new QVBoxLayout;
    for (const ChoiceButton& b : buttons) {
        if (b.choice == 0) {
            column->addSpacing(fontMetrics().height() / 2);
            column->addWidget(addChoiceButton(b.caption, 0, QStringLiteral("cancelButton")));
        } else {
            column->addWidget(
                addChoiceButton(b.caption, b.choice, namePrefix + QString::number(b.choice)));
        }
    }
    column->addStretch(1);
    return column;
}

void CChoiceDlg::finish(int choice) {
    m_choice = choice;
    if (choice == 0)
        reject();
    else
        accept();
}

void CChoiceDlg::keyPressEvent(QKeyEvent* event) {
    // Enter closes like Escape: with no choice made.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tmx7
