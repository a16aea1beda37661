#pragma once
// 174 "请输入密码": the access code of the production mode. The edit masks
// what is typed and takes digits only; the code is read from the edit when
// "确认" is pressed and is kept nowhere else. The edit is emptied whenever
// the dialog closes, so no widget holds the code afterwards.
//
// DoModal() returns res::IDOK once the code was right and res::IDCANCEL for
// "取消", Escape and the close box. A wrong or unreadable code shows
// "请输入正确的密码" (after the range prompt when the text is no number of at
// most seven digits) and keeps the dialog open for another try.

#include "gui/TemplateDialog.h"

namespace tmx7 {

class CPasswordDlg : public gui::TemplateDialog {
public:
    explicit CPasswordDlg(QWidget* parent = nullptr);

protected:
    void OnCommand(int id, int code) override;

private:
    void Finish(int result);
};

} // namespace tmx7
