#include "ui/dialogs/SendCountDlg.h"

#include "gui/DialogButtons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tmx7 {

CSendCountDlg::CSendCountDlg(QWidget* parent) : QDialog(parent), m_countEdit(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("发送次数显示"));
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                   ~Qt::WindowCloseButtonHint);
    m_countEdit->setObjectName(QStringLiteral("countEdit"));
    m_countEdit->setReadOnly(true);
    m_countEdit->setAlignment(Qt::AlignCenter);
    // Room for the largest count, 4294967295.
    m_countEdit->setMinimumWidth(
        m_countEdit->fontMetrics().horizontalAdvance(QStringLiteral("4294967295")) +
        m_countEdit->fontMetrics().height());
    setCount(0);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("发送次数"), this));
    row->addWidget(m_countEdit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(gui::OkButton(this));
}

void CSendCountDlg::setCount(unsigned count) {
    const QString text = QString::number(count);
    if (m_countEdit->text() != text)
        m_countEdit->setText(text);
}

} // namespace tmx7
