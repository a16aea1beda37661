#include "ui/dialogs/WakeDelayDlg.h"

#include "gui/DialogButtons.h"
#include "ui/dialogs/ArrowScrollBar.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tmx7 {

CWakeDelayDlg::CWakeDelayDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("唤醒延时设置"));
    const auto [edit, bar] = MakeScrolledValue(
        m_model.Scroll(), [this] { return m_model.Text(); }, this);
    // Every position of the bar lies inside the valid range: OK always closes.
    QDialogButtonBox* buttons = gui::OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* value = new QHBoxLayout;
    value->addStretch(1);
    value->addWidget(edit, 2);
    value->addWidget(bar);
    value->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("睡眠模式下，从机醒后的延时时间"), this));
    layout->addLayout(value);
    layout->addWidget(buttons);
}

std::optional<int> CWakeDelayDlg::count() const {
    if (result() != Accepted)
        return std::nullopt;
    return m_model.Count();
}

} // namespace tmx7
