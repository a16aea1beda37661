#pragma once
// The typed dialogs: a short hexadecimal text in an edit under the key
// filter (0-9, upper-case A-F, backspace and the full stop; typed, pasted and
// dropped text alike) with a length cap. The right mouse button is dropped
// anywhere in the dialog, so the edit's context menu never opens.
//
// DoModal() returns res::IDOK only through "确定" or Enter with a text the
// check accepts; a refused text shows the prompt and keeps the dialog open.
// Escape, "取消" and the close box return res::IDCANCEL.

#include "gui/TemplateDialog.h"
#include "settings/DialogModels.h"

#include <string>

namespace tmx7 {

class CHexTextDlg : public gui::TemplateDialog {
public:
    // After IDOK: the checked text, left-padded to the full width. Before
    // that: what the edit holds.
    std::string Text() const;
    using gui::TemplateDialog::Text; // a control's text by id

protected:
    CHexTextDlg(int dialogId, int editId, int okId, int cancelId, const FilteredEdit& initial,
                TextCheck (*check)(std::string_view), QWidget* parent);
    void OnCommand(int id, int code) override;
    bool PreTranslate(QWidget* target, QEvent* event) override;

private:
    int m_editId;
    int m_okId;
    int m_cancelId;
    TextCheck (*m_check)(std::string_view);
    std::string m_strAccepted;
    bool m_bAccepted = false;
};

// 138 "省电地址设置": 1 to 4 hex digits, initially "0000"; Text() after OK
// is four digits ("5" -> "0005").
class CSaveAddrDlg : public CHexTextDlg {
public:
    explicit CSaveAddrDlg(QWidget* parent = nullptr);
};

// 141 "组号设置": 1 or 2 hex digits, initially "00"; Text() after OK is two
// digits ("7" -> "07").
class CGroupDlg : public CHexTextDlg {
public:
    explicit CGroupDlg(QWidget* parent = nullptr);
};

} // namespace tmx7
