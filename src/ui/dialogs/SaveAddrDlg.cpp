#include "ui/dialogs/SaveAddrDlg.h"

namespace tmx7 {

CSaveAddrDlg::CSaveAddrDlg(QWidget* parent)
    : CHexTextDlg(QStringLiteral("省电地址设置"), QStringLiteral("省电模式地址设置"),
                  LabelPlace::Above, SaveAddrModel().Edit(), &CheckSaveAddr, parent) {}

} // namespace tmx7
