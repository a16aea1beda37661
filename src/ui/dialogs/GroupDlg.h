#pragma once
// "组号设置": 1 or 2 hex digits, initially "00"; text() after OK is two digits ("7" -> "07").
//
//     CGroupDlg dlg(this);
//     if (dlg.exec() == QDialog::Accepted)
//         RunSetCommand(PlanSetGroup(dlg.text()));

#include "ui/dialogs/HexTextDlg.h"

namespace tmx7 {

class CGroupDlg : public CHexTextDlg {
    Q_OBJECT
public:
    explicit CGroupDlg(QWidget* parent = nullptr);
};

} // namespace tmx7
