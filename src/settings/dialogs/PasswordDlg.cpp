#include "settings/dialogs/PasswordDlg.h"

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"
#include "settings/DialogModels.h"

#include <QLineEdit>

namespace tmx7 {

CPasswordDlg::CPasswordDlg(QWidget* parent) : gui::TemplateDialog(res::IDD_PASSWORD, parent) {
    if (QLineEdit* edit = LineEdit(res::IDC_PASSWORD_VALUE)) {
        edit->clear();
        edit->setEchoMode(QLineEdit::Password);
        // Keep input methods from predicting or remembering what is typed.
        edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhDigitsOnly |
                                  Qt::ImhNoPredictiveText);
        edit->setFocus();
    }
}

void CPasswordDlg::Finish(int result) {
    if (QLineEdit* edit = LineEdit(res::IDC_PASSWORD_VALUE))
        edit->clear();
    EndDialog(result);
}

void CPasswordDlg::OnCommand(int id, int code) {
    if (code != gui::kClicked)
        return;
    if (id == res::IDCANCEL) {
        Finish(res::IDCANCEL);
        return;
    }
    if (id != res::IDOK)
        return;
    const PasswordVerdict verdict = CheckPassword(Text(res::IDC_PASSWORD_VALUE).toStdString());
    if (verdict.accepted) {
        Finish(res::IDOK);
        return;
    }
    // The texts say what was wrong, never what was typed.
    for (std::string_view m : verdict.messages) {
        const bool range = m == kPasswordRangePrompt;
        gui::MessageBox(this, QString::fromUtf8(m.data(), qsizetype(m.size())), {},
                        range ? gui::MB_OK | gui::MB_ICONWARNING : gui::MB_OK);
    }
    if (QLineEdit* edit = LineEdit(res::IDC_PASSWORD_VALUE)) {
        edit->setFocus();
        edit->selectAll();
    }
}

} // namespace tmx7
