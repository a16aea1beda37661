#include "ui/dialogs/PassiveAddrDlg.h"

#include "gui/DialogButtons.h"
#include "ui/dialogs/ArrowScrollBar.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tmx7 {

CPassiveAddrDlg::CPassiveAddrDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("被动地址设置"));
    const auto [edit, bar] = MakeScrolledValue(
        m_model.Scroll(), [this] { return m_model.Text(); }, this);
    // Two hex digits always fit the two-character limit: OK always closes.
    QDialogButtonBox* buttons = gui::OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* value = new QHBoxLayout;
    value->addWidget(new QLabel(QStringLiteral("被动地址"), this));
    value->addWidget(edit, 1);
    value->addWidget(bar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(value);
    layout->addWidget(buttons);
}

std::optional<std::string> CPassiveAddrDlg::text() const {
    if (result() != Accepted)
        return std::nullopt;
    return m_model.Text();
}

} // namespace tmx7
