#pragma once
// The scroll dialogs: a read-only value beside a small vertical scroll bar.
// Only the two arrows move the value (the upper arrow raises it); page
// clicks, dragging and the wheel leave it where it is. A step past an end of
// the range stays at the end. The bar's thumb follows the value upwards, so
// it moves the way the arrow points.

#include "gui/TemplateDialog.h"
#include "settings/DialogModels.h"

#include <string>

namespace tmx7 {

// 134 "睡眠周期设置": period 2..510 in steps of 2, OK accepts 2..500.
// DoModal() returns 1 after "确定" with an accepted period, 2 after "取消",
// 0 for Enter, Escape and the close box. A refused period shows the range
// prompt and keeps the dialog open with the choice unchanged, so a refused
// 502..510 followed by Escape returns 0 and nothing is sent.
class CSleepPeriodDlg : public gui::TemplateDialog {
public:
    explicit CSleepPeriodDlg(QWidget* parent = nullptr);
    int DoModal();
    int Choice() const { return m_model.Choice(); }
    int Period() const { return m_model.Value(); }

protected:
    void OnCommand(int id, int code) override;

private:
    bool Validate(); // prompts on refusal
    SleepPeriodModel m_model;
};

// 139 "唤醒延时设置": delay = count × 0.3 s, count 1..65535 (0.3 to
// 19660.5 s). DoModal() returns res::IDOK ("确定" or Enter) or
// res::IDCANCEL. Count() is exact; the caller sends it, not a product.
class CWakeDelayDlg : public gui::TemplateDialog {
public:
    explicit CWakeDelayDlg(QWidget* parent = nullptr);
    int Count() const { return m_model.Count(); }
    std::string Text() const { return m_model.Text(); } // "0.3", "0.6", ... locale-free
    using gui::TemplateDialog::Text;                    // a control's text by id

protected:
    void OnCommand(int id, int code) override;

private:
    WakeDelayModel m_model;
};

// 140 "被动地址设置": address 0..255 shown as two upper-case hex digits.
// DoModal() returns res::IDOK or res::IDCANCEL; Text() is "00".."FF".
class CPassiveAddrDlg : public gui::TemplateDialog {
public:
    explicit CPassiveAddrDlg(QWidget* parent = nullptr);
    std::string Text() const { return m_model.Text(); }
    using gui::TemplateDialog::Text; // a control's text by id

protected:
    void OnCommand(int id, int code) override;

private:
    PassiveAddrModel m_model;
};

} // namespace tmx7
