#include "ui/dialogs/FrequencyDlg.h"

#include <QVBoxLayout>

namespace tmx7 {

CFrequencyDlg::CFrequencyDlg(QWidget* parent) : CChoiceDlg(QStringLiteral("频率设置"), parent) {
    // Eighteen buttons in one column: packed close, so the dialog with its
    // title bar fits a 768-pixel screen that also shows a panel.
    QVBoxLayout* column = choiceColumn(kFrequencyButtons, QStringLiteral("channelButton"));
    column->setSpacing(2);
    setLayout(column);
}

} // namespace tmx7
