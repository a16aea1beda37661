#pragma once
// "连续发送数据": what to send continuously ("用户数据" or "标准形式"), until
// stopped or a number of times ("发射次数", 1..999), and how often ("时间间隔",
// 100..999999 ms). Starts on user data, until stopped, count 10, interval
// 100, the count field off until "发射次数" is chosen. The two number fields
// take digits and the full stop only; "确定" (also Enter) checks both and
// shows the range message on the field in error, keeping the dialog open.
//
//     CContinuousSendDlg dlg(this);
//     if (dlg.exec() == QDialog::Accepted)
//         Start(*dlg.choice());

#include "ui/ContinuousSend.h"

#include <QDialog>

#include <optional>

class QLineEdit;

namespace tmx7 {

class CContinuousSendDlg : public QDialog {
    Q_OBJECT
public:
    explicit CContinuousSendDlg(QWidget* parent = nullptr);
    // The checked choice after "确定"; nothing when cancelled.
    std::optional<ContinuousSendChoice> choice() const { return m_choice; }

private:
    void onOk();

    ContinuousSendForm m_form;
    QLineEdit* m_countEdit;
    QLineEdit* m_intervalEdit;
    std::optional<ContinuousSendChoice> m_choice;
};

} // namespace tmx7
