#pragma once
// "唤醒延时设置": the delay after the slave wakes, 0.3 s to 19660.5 s in steps
// of 0.3 s, changed only with the scroll bar's arrows. The delay is kept as
// its step count, so no floating-point product can make the count sent one
// too low.
//
//     CWakeDelayDlg dlg(this);
//     if (dlg.exec() == QDialog::Accepted)
//         RunSetCommand(PlanSetWakeDelay(dlg.count()));

#include "settings/DialogModels.h"

#include <QDialog>

#include <optional>

namespace tmx7 {

class CWakeDelayDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWakeDelayDlg(QWidget* parent = nullptr);
    // The step count 1..65535 (delay = count × 0.3 s) once "确定" or Enter
    // closed the dialog; nothing otherwise.
    std::optional<int> count() const;

private:
    WakeDelayModel m_model;
};

} // namespace tmx7
