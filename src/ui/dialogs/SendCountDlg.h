#pragma once
// "发送次数显示": how many continuous-send ticks have run, while the send
// timer keeps going. Its title bar offers no close; "确定" (also Enter) and
// Escape end it. Whichever way it ends, QDialog::finished is emitted once,
// and the caller stops the run there, so no send goes on without a window
// that shows it:
//
//     CSendCountDlg count(this);
//     connect(&count, &QDialog::finished, this, &X::stopContinuousSend);
//     connect(this, &X::sendCountChanged, &count, &CSendCountDlg::setCount);
//     count.exec();

#include <QDialog>

class QLineEdit;

namespace tmx7 {

class CSendCountDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSendCountDlg(QWidget* parent = nullptr);

public slots:
    // Shows `count` (0 at first).
    void setCount(unsigned count);

private:
    QLineEdit* m_countEdit;
};

} // namespace tmx7
