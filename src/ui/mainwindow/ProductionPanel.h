#pragma once
// The production controls: "发射0101", "停发0101", "信号强度" and the
// frequency calibration value with its "设置", hidden until the access code
// is given through "生产参数设置" (the same entry hides them again without a
// code), and the indicator that shows while the 0101 test transmission runs.

#include "settings/Production.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tmx7 {

class Session;

class ProductionPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProductionPanel(Session& session, QWidget* parent = nullptr);

    // "生产参数设置": asks for the code (without blocking) or switches off.
    void toggle();
    bool modeOn() const { return m_production.On(); }
    // The buttons write to the line: not while a sequence runs.
    void setBusy(bool busy);

private:
    void showControls(bool shown);
    void calibrate();

    Session& m_session;
    CProductionMode m_production;
    QPushButton* m_transmitButton;
    QPushButton* m_stopButton;
    QPushButton* m_signalButton;
    QLabel* m_calibrationLabel;
    QLineEdit* m_calibrationA;
    QLineEdit* m_calibrationB;
    QPushButton* m_calibrateButton;
    QLabel* m_indicator;
    QPointer<QDialog> m_passwordDlg;
};

} // namespace tmx7
