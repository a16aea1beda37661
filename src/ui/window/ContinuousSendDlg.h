#pragma once
// Dialog 142 "连续发送数据": what to send continuously (user data or the
// standard pattern), until stopped or a number of times, and how often.
//
// Use on the stack of the handler of button 1021:
//     CContinuousSendDlg dlg(this);
//     if (dlg.DoModal() != res::IDOK) return;   // cancelled: nothing starts
//     const ContinuousSendChoice& c = dlg.Choice();
// The choice is only meaningful after DoModal() returned res::IDOK.

#include "gui/TemplateDialog.h"

#include "ui/ContinuousSend.h"

namespace tmx7 {

class CContinuousSendDlg : public gui::TemplateDialog {
    Q_OBJECT
public:
    // Built and initialised at once: count 10, interval 100, "用户数据" and
    // "直到被用户中断" checked, the count field disabled.
    explicit CContinuousSendDlg(QWidget* parent = nullptr);

    // The validated choice of the last accepted OK (defaults before that).
    const ContinuousSendChoice& Choice() const { return m_choice; }
    // The form state behind the controls (radio choices, last valid values).
    const ContinuousSendForm& Form() const { return m_form; }

protected:
    void OnCommand(int id, int code) override;
    bool PreTranslate(QWidget* target, QEvent* event) override;

private:
    // Reads the two fields back; a value out of range shows the range
    // message, gives the field the focus and keeps the dialog open.
    void OnOk();

    ContinuousSendForm m_form;
    ContinuousSendChoice m_choice;
};

} // namespace tmx7
