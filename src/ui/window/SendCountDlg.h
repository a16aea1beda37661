#pragma once
// Dialog 148 "发送次数显示": shows how many continuous-send ticks have run,
// refreshed every 20 ms from the main window, while timers 4-7 keep sending.
//
// Leaving it stops the run. Whichever way the dialog ends - its button
// "确定", Enter, Escape or the window manager's close - it calls the leave
// function exactly once, before DoModal() returns; the main window passes a
// function that kills timers 4-7 and sets the count back to 0, so no send
// keeps running once its display is gone.
//
//     CSendCountDlg dlg([this] { return m_sendTimers.SendCount(); },
//                       [this] { StopContinuousSend(); }, this);
//     dlg.DoModal();   // res::IDOK for the button or Enter, res::IDCANCEL otherwise

#include "gui/TemplateDialog.h"

#include "ui/ContinuousSend.h"

#include <functional>

namespace tmx7 {

class CSendCountDlg : public gui::TemplateDialog {
    Q_OBJECT
public:
    using CountSource = std::function<unsigned()>;
    using LeaveFunction = std::function<void()>;

    // `count` is read at once and then every 20 ms while the dialog runs;
    // `onLeave` runs when the dialog ends. Either may be empty.
    CSendCountDlg(CountSource count, LeaveFunction onLeave, QWidget* parent = nullptr);

    // The count last shown.
    unsigned Count() const { return m_model.Count(); }
    // True once the dialog has ended and the leave function has run.
    bool HasLeft() const { return m_left; }

    // Every end of the dialog passes here (EndDialog, accept, reject, close).
    void done(int result) override;

protected:
    void OnTimer(int id) override;

private:
    void Refresh();

    CountSource m_source;
    LeaveFunction m_onLeave;
    SendCountModel m_model;
    bool m_left = false;
};

} // namespace tmx7
