#pragma once
// "无线参数设置": the transmit power ("发射功率", 0级..7级) and the air rate
// ("无线速率", 1200bps..57600bps), each a list with its own "设置", and
// "取消". Both lists start on their first row, so a "设置" without touching
// a list gives level 0 or 1200bps.
//
//     CWirelessDlg dlg(this);
//     dlg.exec();
//     if (dlg.choice() != 0)
//         RunSetCommand(PlanSetWireless(dlg.choice(), dlg.txPowerIndex(), dlg.airRateIndex()));

#include "ui/dialogs/ChoiceDlg.h"

namespace tmx7 {

class CWirelessDlg : public CChoiceDlg {
    Q_OBJECT
public:
    explicit CWirelessDlg(QWidget* parent = nullptr);

    // 2: the transmit power's "设置", 3: the air rate's; 0 when cancelled.
    int choice() const { return chosen(); }
    int txPowerIndex() const { return m_model.txPowerIndex; } // 0..7
    int airRateIndex() const { return m_model.airRateIndex; } // 0..6 (kRateEntries)

private:
    WirelessModel m_model;
};

} // namespace tmx7
