#include "ui/mainwindow/ProductionPanel.h"

#include "gui/CharFilter.h"
#include "gui/HexFilter.h"
#include "gui/Messages.h"
#include "gui/Text.h"
#include "res/Pictures.h"
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

} // namespace

ProductionPanel::ProductionPanel(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_controls(new QWidget(this)),
      m_indicator(new QLabel(this)) {
    auto* row = new QHBoxLayout(m_controls);
    row->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const char* caption, const char* name, auto onClick) {
        auto* b = new QPushButton(QString::fromUtf8(caption), m_controls);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, onClick);
        row->addWidget(b);
    };
    // The indicator follows only a command the port took.
    button("发射0101", "transmit0101Button", [this] {
        if (write(&CProductionMode::Transmit0101))
            m_indicator->show();
    });
    button("停发0101", "stop0101Button", [this] {
        if (write(&CProductionMode::StopTransmit0101))
            m_indicator->hide();
    });
    button("信号强度", "signalStrengthButton", [this] { write(&CProductionMode::SignalStrength); });
    auto* label = new QLabel(QStringLiteral("频率校准值"), m_controls);
    label->setObjectName(QStringLiteral("calibrationLabel"));
    row->addWidget(label);
    for (std::size_t i = 0; i < m_calibration.size(); ++i) {
        auto* edit = new QLineEdit(gui::ToQString(kInitialCalibText), m_controls);
        edit->setObjectName(QStringLiteral("calibrationEdit") + QChar(char16_t(u'A' + i)));
        edit->setMaxLength(2);
        edit->setValidator(new gui::CharFilter(&CalibrationKey, edit));
        edit->setContextMenuPolicy(Qt::NoContextMenu); // no paste around the key rule
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 8);
        m_calibration[i] = edit;
        row->addWidget(edit);
    }
    button("设置", "calibrateButton", [this] { calibrate(); });
    m_controls->hide();

    m_indicator->setObjectName(QStringLiteral("transmitIndicator"));
    const int side = fontMetrics().height();
    m_indicator->setPixmap(
        res::LoadPicture(res::Picture::TxIndicator, QSize(side, side), devicePixelRatioF()));
    m_indicator->hide();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_controls);
    layout->addWidget(m_indicator);
    layout->addStretch(1);
}

void ProductionPanel::toggle() {
    if (m_passwordDlg)
        return;
    if (!m_production.NeedsCode()) {
        m_production.Toggle(false);
        m_controls->hide();
        return;
    }
    auto* dlg = new CPasswordDlg(this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    m_passwordDlg = dlg;
    connect(dlg, &QDialog::finished, this, [this](int result) {
        m_controls->setVisible(m_production.Toggle(result == QDialog::Accepted));
    });
    dlg->open();
}

bool ProductionPanel::write(WriteStatus (CProductionMode::*command)(CPortTable&, int)) {
    return (m_production.*command)(m_session.Ports(), m_session.Link().port) == WriteStatus::Queued;
}

void ProductionPanel::calibrate() {
    const CalibrationOutcome out = m_production.Calibrate(m_session.Ports(), m_session.Link().port,
                                                          m_calibration[0]->text().toStdString(),
                                                          m_calibration[1]->text().toStdString());
    if (out.message)
        gui::OpenMessage(window(), gui::ToQString(*out.message));
}

} // namespace tmx7
