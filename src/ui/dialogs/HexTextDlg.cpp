#include "ui/dialogs/HexTextDlg.h"

#include "gui/CharFilter.h"
#include "gui/DialogButtons.h"
#include "gui/Messages.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>

namespace tmx7 {

CHexTextDlg::CHexTextDlg(const QString& title, const QString& label, LabelPlace place,
                         const FilteredEdit& initial, TextCheck (*check)(std::string_view),
                         QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(QString::fromStdString(initial.text), this)),
      m_check(check) {
    setWindowTitle(title);
    m_edit->setObjectName(QStringLiteral("valueEdit"));
    m_edit->setMaxLength(static_cast<int>(initial.maxLength));
    m_edit->setValidator(new gui::CharFilter(initial.accepts, m_edit));
    // Its menu would offer undo and paste around the filter's back.
    m_edit->setContextMenuPolicy(Qt::NoContextMenu);
    QDialogButtonBox* buttons = gui::OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CHexTextDlg::onOk);

    auto* value = new QBoxLayout(place == LabelPlace::Above ? QBoxLayout::TopToBottom
                                                            : QBoxLayout::LeftToRight);
    value->addWidget(new QLabel(label, this));
    value->addWidget(m_edit, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(value);
    layout->addWidget(buttons);
}

void CHexTextDlg::onOk() {
    TextCheck verdict = m_check(m_edit->text().toStdString());
    if (!verdict.ok()) {
        gui::ShowPrompt(this, QString::fromStdString(verdict.prompt));
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_text = std::move(verdict.value);
    accept();
}

} // namespace tmx7
