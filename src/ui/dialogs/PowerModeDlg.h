#pragma once
// "省电模式": one button per mode (1 normal, 2 power saving) and "取消".
//
//     CPowerModeDlg dlg(this);
//     dlg.exec();
//     RunSetCommand(PlanPowerMode(dlg.choice()));   // 0: cancelled

#include "ui/dialogs/ChoiceDlg.h"

namespace tmx7 {

class CPowerModeDlg : public CChoiceDlg {
    Q_OBJECT
public:
    explicit CPowerModeDlg(QWidget* parent = nullptr);
    // 1 normal, 2 power saving; 0 when closed any other way.
    int choice() const { return chosen(); }
};

} // namespace tmx7
