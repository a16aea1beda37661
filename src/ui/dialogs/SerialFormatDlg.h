#pragma once
// "串口格式设置": the data format ("数据位数设置") on the left and the baud
// rate ("波特率设置") on the right, each a list with its own "确定" and
// "取消". No row is selected at first; a "确定" without a selected row in its
// own list closes as a cancel, so nothing is written and no restart advised.
//
//     CSerialFormatDlg dlg(this);
//     dlg.exec();
//     RunSetCommand(PlanSetSerialFormat(int(dlg.choice()), dlg.row()));

#include "ui/dialogs/ChoiceDlg.h"

class QListWidget;

namespace tmx7 {

class CSerialFormatDlg : public CChoiceDlg {
    Q_OBJECT
public:
    explicit CSerialFormatDlg(QWidget* parent = nullptr);

    SerialFormatResult choice() const { return static_cast<SerialFormatResult>(chosen()); }
    // The row of the list that goes with choice(): an index of
    // kSerialFormatEntries for DataFormat, of kRateEntries for BaudRate; -1
    // when cancelled.
    int row() const { return m_row; }

private:
    void confirm(SerialFormatResult half, const QListWidget* list);

    QListWidget* m_formatList;
    QListWidget* m_baudList;
    int m_row = -1;
};

} // namespace tmx7
