#include "ui/mainwindow/ProductionPanel.h"

#include "gui/CharFilter.h"
#include "gui/HexFilter.h"
#include "gui/Messages.h"
#include "gui/Text.h"
#include "res/Pictures.h"
#include "res/ResourceIds.h"
#include "settings/Session.h"
#include "ui/dialogs/PasswordDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tmx7 {

namespace {

// The calibration fields take the data fields' keys: 0-9, A-F, blank, full stop.
bool CalibrationKey(char32_t c) {
    return gui::HexFilterAccepts(c, gui::HexKeys::WithBlank);
}

QPushButton* Button(const char* caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* CalibrationEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(gui::ToQString(kInitialCalibText), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(2);
    edit->setValidator(new gui::CharFilter(&CalibrationKey, edit));
    // No paste around the key rule through a context menu.
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 8);
    return edit;
}

} // namespace

ProductionPanel::ProductionPanel(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session),
      m_transmitButton(Button("发射0101", "transmit0101Button", this)),
      m_stopButton(Button("停发0101", "stop0101Button", this)),
      m_signalButton(Button("信号强度", "signalStrengthButton", this)),
      m_calibrationLabel(new QLabel(QStringLiteral("频率校准值"), this)),
      m_calibrationA(CalibrationEdit("calibrationEditA", this)),
      m_calibrationB(CalibrationEdit("calibrationEditB", this)),
      m_calibrateButton(Button("设置", "calibrateButton", this)), m_indicator(new QLabel(this)) {
    m_calibrationLabel->setObjectName(QStringLiteral("calibrationLabel"));
    m_indicator->setObjectName(QStringLiteral("transmitIndicator"));
    const int side = fontMetrics().height();
    const qreal ratio = devicePixelRatioF();
    QPixmap dot = res::DrawPicture(res::IDB_TX_INDICATOR, QSize(side, side) * ratio);
    dot.setDevicePixelRatio(ratio);
    m_indicator->setPixmap(dot);
    m_indicator->hide();

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_transmitButton, m_stopButton, m_signalButton, m_calibrationLabel, m_calibrationA,
             m_calibrationB, m_calibrateButton, m_indicator})
        row->addWidget(w);
    row->addStretch(1);
    showControls(false);

    auto write = [this](WriteStatus (CProductionMode::*op)(CPortTable&, int)) {
        return (m_production.*op)(m_session.Ports(), m_session.Link().port);
    };
    connect(m_transmitButton, &QPushButton::clicked, this, [this, write] {
        // A port that took nothing shows no transmission.
        if (write(&CProductionMode::Transmit0101) == WriteStatus::Queued)
            m_indicator->show();
    });
    connect(m_stopButton, &QPushButton::clicked, this, [this, write] {
        if (write(&CProductionMode::StopTransmit0101) == WriteStatus::Queued)
            m_indicator->hide();
    });
    connect(m_signalButton, &QPushButton::clicked, this,
            [write] { (void)write(&CProductionMode::SignalStrength); });
    connect(m_calibrateButton, &QPushButton::clicked, this, &ProductionPanel::calibrate);
}

void ProductionPanel::showControls(bool shown) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_transmitButton, m_stopButton, m_signalButton, m_calibrationLabel, m_calibrationA,
             m_calibrationB, m_calibrateButton})
        w->setVisible(shown);
}

void ProductionPanel::toggle() {
    if (m_passwordDlg)
        return;
    if (!m_production.NeedsCode()) {
        m_production.Toggle(false);
        showControls(false);
        return;
    }
    auto* dlg = new CPasswordDlg(this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    m_passwordDlg = dlg;
    connect(dlg, &QDialog::finished, this, [this](int result) {
        if (m_production.Toggle(result == QDialog::Accepted))
            showControls(true);
    });
    dlg->open();
}

void ProductionPanel::setBusy(bool busy) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_transmitButton, m_stopButton,
                                                      m_signalButton, m_calibrateButton})
        w->setEnabled(!busy);
}

void ProductionPanel::calibrate() {
    const CalibrationOutcome out = m_production.Calibrate(m_session.Ports(), m_session.Link().port,
                                                          m_calibrationA->text().toStdString(),
                                                          m_calibrationB->text().toStdString());
    if (out.message)
        gui::OpenMessage(window(), gui::ToQString(*out.message));
}

} // namespace tmx7
