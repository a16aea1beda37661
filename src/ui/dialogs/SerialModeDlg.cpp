#include "ui/dialogs/SerialModeDlg.h"

#include <QVBoxLayout>

namespace tmx7 {

CSerialModeDlg::CSerialModeDlg(QWidget* parent) : CChoiceDlg(QStringLiteral("串口模式"), parent) {
    setLayout(choiceColumn(kSerialModeButtons, QStringLiteral("modeButton")));
}

} // namespace tmx7
