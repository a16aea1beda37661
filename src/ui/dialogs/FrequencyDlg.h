#pragma once
// "频率设置": the seventeen channels 431.000MHz to 435.000MHz (250 kHz apart)
// as one column of buttons, top to bottom, and "取消" below them.
//
//     CFrequencyDlg dlg(this);
//     dlg.exec();
//     RunSetCommand(PlanSetFrequency(dlg.channel()));   // 0: cancelled

#include "ui/dialogs/ChoiceDlg.h"

namespace tmx7 {

class CFrequencyDlg : public CChoiceDlg {
    Q_OBJECT
public:
    explicit CFrequencyDlg(QWidget* parent = nullptr);
    // 1..17; 0 for "取消", Enter, Escape and the close box.
    int channel() const { return chosen(); }
};

} // namespace tmx7
