#include "gui/Messages.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPushButton>
#include <QSpacerItem>

namespace tmx7::gui {

namespace {

void Prepare(QMessageBox& box, const QString& text, const QString& title, QMessageBox::Icon icon) {
    box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    box.setText(text);
    box.setIcon(icon);
    QPushButton* ok = box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);

    // The box sizes itself to its text, which for a short text leaves the
    // title bar too narrow for the title beside the window buttons. A
    // spacer across the grid sets the least width: the title in the title
    // bar's (bold, often larger) face plus room for an icon and three buttons.
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    const QFontMetrics fm(titleFont);
    const int least = fm.horizontalAdvance(box.windowTitle()) * 5 / 4 + 8 * fm.height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(least, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& title,
                 QMessageBox::Icon icon) {
    QMessageBox box(parent);
    Prepare(box, text, title, icon);
    box.exec();
}

QMessageBox* OpenMessage(QWidget* parent, const QString& text, const QString& title,
                         QMessageBox::Icon icon) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    Prepare(*box, text, title, icon);
    box->open();
    return box;
}

void ShowPrompt(QWidget* parent, const QString& text) {
    ShowMessage(parent, text, {}, QMessageBox::Warning);
}

} // namespace tmx7::gui
