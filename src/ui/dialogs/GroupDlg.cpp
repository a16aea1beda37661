#include "ui/dialogs/GroupDlg.h"

namespace tmx7 {

CGroupDlg::CGroupDlg(QWidget* parent)
    : CHexTextDlg(QStringLiteral("组号设置"), QStringLiteral("组号"), LabelPlace::Beside,
                  GroupModel().Edit(), &CheckGroup, parent) {}

} // namespace tmx7
