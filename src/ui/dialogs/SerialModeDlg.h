#pragma once
// "串口模式": one button per mode (1 active, 2 passive, 3 MODBUS) and "取消".
//
//     CSerialModeDlg dlg(this);
//     dlg.exec();
//     RunSetCommand(PlanSerialMode(dlg.choice()));   // 0: cancelled

#include "ui/dialogs/ChoiceDlg.h"

namespace tmx7 {

class CSerialModeDlg : public CChoiceDlg {
    Q_OBJECT
public:
    explicit CSerialModeDlg(QWidget* parent = nullptr);
    // 1 active, 2 passive, 3 MODBUS; 0 when closed any other way.
    int choice() const { return chosen(); }
};

} // namespace tmx7
