#pragma once
// "省电地址设置": 1 to 4 hex digits, initially "0000"; text() after OK is four digits ("5" ->
// "0005").
//
//     CSaveAddrDlg dlg(this);
//     if (dlg.exec() == QDialog::Accepted)
//         RunSetCommand(PlanSetSaveAddress(dlg.text()));

#include "ui/dialogs/HexTextDlg.h"

namespace tmx7 {

class CSaveAddrDlg : public CHexTextDlg {
    Q_OBJECT
public:
    explicit CSaveAddrDlg(QWidget* parent = nullptr);
};

} // namespace tmx7
