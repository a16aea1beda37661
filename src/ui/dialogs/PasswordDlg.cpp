#include "ui/dialogs/PasswordDlg.h"

#include "gui/CharFilter.h"
#include "gui/DialogButtons.h"
#include "gui/Messages.h"
#include "gui/Text.h"
#include "settings/DialogModels.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tmx7 {

CPasswordDlg::CPasswordDlg(QWidget* parent) : QDialog(parent), m_edit(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("请输入密码"));
    m_edit->setObjectName(QStringLiteral("passwordEdit"));
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setValidator(new gui::CharFilter(&DigitKeyAccepted, m_edit));
    m_edit->setContextMenuPolicy(Qt::NoContextMenu);
    // Keep input methods from predicting or remembering what is typed.
    m_edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhDigitsOnly |
                                Qt::ImhNoPredictiveText);
    QDialogButtonBox* buttons =
        gui::OkCancelButtons(this, QStringLiteral("确认"), QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPasswordDlg::onConfirm);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请您输入正确密码"), this));
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
}

void CPasswordDlg::onConfirm() {
    const PasswordVerdict verdict = CheckPassword(m_edit->text().toStdString());
    if (verdict.accepted) {
        accept();
        return;
    }
    // The texts say what was wrong, never what was typed.
    for (std::string_view message : verdict.messages) {
        if (message == kPasswordRangePrompt)
            gui::ShowPrompt(this, gui::ToQString(message));
        else
            gui::ShowMessage(this, gui::ToQString(message));
    }
    m_edit->setFocus();
    m_edit->selectAll();
}

void CPasswordDlg::done(int result) {
    m_edit->clear();
    QDialog::done(result);
}

} // namespace tmx7
