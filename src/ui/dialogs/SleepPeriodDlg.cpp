#include "ui/dialogs/SleepPeriodDlg.h"

#include "gui/Messages.h"
#include "ui/dialogs/ArrowScrollBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tmx7 {

CSleepPeriodDlg::CSleepPeriodDlg(QWidget* parent)
    : QDialog(parent), m_valueEdit(new QLineEdit(this)),
      m_scrollBar(new ArrowScrollBar(m_model.Scroll(), this)) {
    setWindowTitle(QStringLiteral("睡眠周期设置"));
    m_valueEdit->setObjectName(QStringLiteral("valueEdit"));
    m_valueEdit->setEnabled(false);
    m_valueEdit->setText(QString::fromStdString(m_model.Text()));
    connect(m_scrollBar, &ArrowScrollBar::stepped, this,
            [this] { m_valueEdit->setText(QString::fromStdString(m_model.Text())); });

    // Neither button is a default button: Enter only checks the period.
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (!refused(m_model)) // sets choice 1 when the period passes
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_model.Cancel();
        reject();
    });

    auto* value = new QHBoxLayout;
    value->addWidget(new QLabel(QStringLiteral("睡眠周期"), this));
    value->addWidget(m_valueEdit, 1);
    value->addWidget(m_scrollBar);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(value);
    layout->addLayout(buttons);
}

std::optional<int> CSleepPeriodDlg::period() const {
    if (m_model.Choice() != 1)
        return std::nullopt;
    return m_model.Value();
}

bool CSleepPeriodDlg::refused(SleepPeriodModel& model) {
    const std::optional<std::string> prompt = model.Ok();
    if (!prompt)
        return false;
    gui::ShowPrompt(this, QString::fromStdString(*prompt));
    m_scrollBar->setFocus();
    return true;
}

void CSleepPeriodDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Checked like "确定", but on a copy: Enter closes with no period.
        SleepPeriodModel check = m_model;
        if (!refused(check))
            reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tmx7
