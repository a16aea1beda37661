#pragma once
// The production controls: "发射0101", "停发0101", "信号强度" and the
// frequency calibration value with its "设置", hidden until the access code
// is given through "生产参数设置" (the same entry hides them again without a
// code), and the indicator that shows while the 0101 test transmission runs.

#include "settings/Production.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;

namespace tmx7 {

class Session;

class ProductionPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProductionPanel(Session& session, QWidget* parent = nullptr);

    // "生产参数设置": asks for the code (without blocking) or switches off.
    void toggle();
    // The buttons write to the line: not while a sequence runs.
    void setBusy(bool busy) { m_controls->setEnabled(!busy); }

private:
    // True when the port took the command.
    bool write(WriteStatus (CProductionMode::*command)(CPortTable&, int));
    void calibrate();

    Session& m_session;
    CProductionMode m_production;
    QWidget* m_controls; // all but the indicator
    std::array<QLineEdit*, 2> m_calibration{};
    QLabel* m_indicator;
    QPointer<QDialog> m_passwordDlg;
};

} // namespace tmx7
