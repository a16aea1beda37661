#pragma once
// "睡眠周期设置": the sleep period, 2 to 510 in steps of 2, changed only with
// the scroll bar's arrows; "确定" accepts 2..500 and shows the range prompt
// otherwise (the dialog stays open). "取消", Enter (after the same check),
// Escape and the close box close without a period.
//
//     CSleepPeriodDlg dlg(this);
//     dlg.exec();
//     if (const auto period = dlg.period())
//         RunSetCommand(PlanSetSleepPeriod(1, *period));

#include "settings/DialogModels.h"

#include <QDialog>

#include <optional>

class QLineEdit;

namespace tmx7 {

class ArrowScrollBar;

class CSleepPeriodDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSleepPeriodDlg(QWidget* parent = nullptr);
    // The period after an accepted "确定"; nothing otherwise.
    std::optional<int> period() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool refused(SleepPeriodModel& model); // shows the prompt

    SleepPeriodModel m_model;
    QLineEdit* m_valueEdit;
    ArrowScrollBar* m_scrollBar;
};

} // namespace tmx7
