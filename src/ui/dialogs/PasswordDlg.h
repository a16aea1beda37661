#pragma once
// "请输入密码": the access code of the production mode. The edit masks what
// is typed and takes digits only. "确认" (also Enter) closes with Accepted
// once the code is right; a wrong or unreadable code shows
// "请输入正确的密码" (after the range prompt when the text is no number of at
// most seven digits) and keeps the dialog open for another try. The code is
// kept nowhere: the edit is emptied whenever the dialog closes.
//
//     CPasswordDlg dlg(this);
//     const bool on = dlg.exec() == QDialog::Accepted;

#include <QDialog>

class QLineEdit;

namespace tmx7 {

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPasswordDlg(QWidget* parent = nullptr);

    void done(int result) override;

private:
    void onConfirm();

    QLineEdit* m_edit;
};

} // namespace tmx7
