#include "ui/dialogs/PowerModeDlg.h"

#include <QVBoxLayout>

namespace tmx7 {

CPowerModeDlg::CPowerModeDlg(QWidget* parent) : CChoiceDlg(QStringLiteral("省电模式"), parent) {
    setLayout(choiceColumn(kPowerModeButtons, QStringLiteral("modeButton")));
}

} // namespace tmx7
