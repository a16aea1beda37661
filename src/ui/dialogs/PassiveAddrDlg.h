#pragma once
// "被动地址设置": the passive address 00..FF (two upper-case hex digits),
// changed only with the scroll bar's arrows.
//
//     CPassiveAddrDlg dlg(this);
//     if (dlg.exec() == QDialog::Accepted)
//         RunSetCommand(PlanSetPassiveAddress(dlg.text()));

#include "settings/DialogModels.h"

#include <QDialog>

#include <optional>
#include <string>

namespace tmx7 {

class CPassiveAddrDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPassiveAddrDlg(QWidget* parent = nullptr);
    // "00".."FF" once "确定" or Enter closed the dialog; nothing otherwise.
    std::optional<std::string> text() const;

private:
    PassiveAddrModel m_model;
};

} // namespace tmx7
