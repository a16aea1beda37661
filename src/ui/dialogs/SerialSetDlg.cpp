#include "ui/dialogs/SerialSetDlg.h"

#include "gui/Messages.h"
#include "gui/QtEventSink.h"
#include "gui/Text.h"
#include "protocol/SerialSetup.h"
#include "settings/DialogModels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace tmx7 {
namespace {

QString RowText(const PortInfo& p) {
    QString text = QString::fromStdString(p.name);
    if (!p.path.empty())
        text += QStringLiteral("  ") + QString::fromStdString(p.path);
    if (!p.description.empty())
        text += QStringLiteral("  (") + QString::fromStdString(p.description) + QLatin1Char(')');
    return text;
}

QPushButton* Button(const QString& caption, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false); // none of the buttons is the default one
    return b;
}

} // namespace

CSerialSetDlg::CSerialSetDlg(SerialProbes probes, gui::QtEventSink& events, PortDirectory& ports,
                             LinkChoice start, QWidget* parent)
    : QDialog(parent), m_probes(std::move(probes)), m_ports(ports), m_link(std::move(start)),
      m_portList(new QComboBox(this)), m_baudList(new QComboBox(this)),
      m_okButton(Button(QStringLiteral("确定"), QStringLiteral("okButton"), this)),
      m_detectButton(Button(QStringLiteral("自动检测"), QStringLiteral("detectButton"), this)),
      m_cancelButton(Button(QStringLiteral("取消"), QStringLiteral("cancelButton"), this)) {
    setWindowTitle(QStringLiteral("串口设置"));
    m_portList->setObjectName(QStringLiteral("portList"));
    m_baudList->setObjectName(QStringLiteral("baudList"));
    fillPortList();
    for (std::string_view rate : kRateEntries)
        m_baudList->addItem(gui::ToQString(rate));
    m_baudList->setCurrentIndex(0);

    connect(m_okButton, &QPushButton::clicked, this, &CSerialSetDlg::onConfirm);
    connect(m_detectButton, &QPushButton::clicked, this, &CSerialSetDlg::onDetect);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        // The program ends; what a running try still reports goes unseen.
        m_running = Try::None;
        done(ExitProgram);
    });
    connect(&events, &gui::QtEventSink::posted, this, &CSerialSetDlg::onEvents);

    auto* grid = new QGridLayout(this);
    grid->addWidget(
        new QLabel(QStringLiteral("请验证串口速率、串口号是否正确，若不正确请重新输入。"), this), 0,
        0, 1, 3);
    grid->setRowMinimumHeight(1, fontMetrics().height() / 2);
    grid->addWidget(new QLabel(QStringLiteral("串口号"), this), 2, 0);
    grid->addWidget(m_portList, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("波特率"), this), 3, 0);
    grid->addWidget(m_baudList, 3, 1);
    grid->addWidget(m_okButton, 2, 2);
    grid->addWidget(m_detectButton, 3, 2);
    grid->addWidget(m_cancelButton, 4, 2);
    grid->setColumnStretch(1, 1);
}

void CSerialSetDlg::fillPortList() {
    const QVariant chosen = m_portList->currentData();
    const QSignalBlocker quiet(m_portList);
    m_portList->clear();
    // The directory lists by number, so COM2 comes before COM10, and any
    // number can be chosen, not only COM1 to COM9.
    for (const PortInfo& p : m_ports.List())
        if (p.number > 0)
            m_portList->addItem(RowText(p), p.number);
    const int row = chosen.isValid() ? m_portList->findData(chosen) : -1;
    m_portList->setCurrentIndex(row >= 0 ? row : (m_portList->count() > 0 ? 0 : -1));
}

void CSerialSetDlg::preselect(std::optional<int> port, std::optional<int> baud) {
    if (port) {
        m_link.port = *port;
        if (const int row = m_portList->findData(*port); row >= 0)
            m_portList->setCurrentIndex(row);
    }
    if (baud) {
        m_link.baud = *baud;
        if (const int row = m_baudList->findText(QStringLiteral("%1bps").arg(*baud)); row >= 0)
            m_baudList->setCurrentIndex(row);
    }
}

void CSerialSetDlg::readPortChoice() {
    // An empty list leaves the port the dialog started with.
    if (const QVariant number = m_portList->currentData(); number.isValid())
        m_link.port = number.toInt();
}

void CSerialSetDlg::onConfirm() {
    if (m_running != Try::None)
        return;
    readPortChoice();
    if (const auto baud = BaudFromText(m_baudList->currentText().toStdString()))
        m_link.baud = *baud;
    if (!m_probes.probe(m_link.port, m_link.baud))
        return;
    m_running = Try::Probe;
    setBusy(true);
}

void CSerialSetDlg::onDetect() {
    if (m_running != Try::None)
        return;
    readPortChoice(); // the baud list is not read: every rate is tried
    if (!m_probes.detect(m_link.port))
        return;
    m_link.baud = kDetectBauds.front();
    m_running = Try::Detect;
    setBusy(true);
}

void CSerialSetDlg::onEvents(const std::vector<Event>& events) {
    for (const Event& e : events) {
        if (std::holds_alternative<PortsChanged>(e))
            fillPortList();
        if (m_running == Try::None)
            continue;
        if (const auto* step = std::get_if<DetectStep>(&e)) {
            setWindowTitle(QString::fromStdString(step->caption));
            m_link.baud = step->baud;
        } else if (const auto* connected = std::get_if<Connected>(&e)) {
            m_link = {connected->port, connected->baud, connected->lineFormat};
            m_connectDelayMs = connected->connectDelayMs;
            m_running = Try::None;
            setBusy(false);
            QDialog::done(Accepted);
        } else if (const auto* end = std::get_if<SequenceFinished>(&e)) {
            const SequenceKind mine =
                m_running == Try::Probe ? SequenceKind::Probe : SequenceKind::Detect;
            if (end->kind == mine)
                tryEnded(end->outcome);
        }
    }
}

void CSerialSetDlg::tryEnded(const Outcome& outcome) {
    const Try ended = m_running;
    m_running = Try::None;
    setBusy(false);
    if (!outcome.ok()) {
        QString text = QString::fromStdString(outcome.detail);
        // A detection always ends with its message, even when the port
        // could not be opened at all.
        if (text.isEmpty() && ended == Try::Detect)
            text = QStringLiteral("串口检测失败，请重新检测");
        if (!text.isEmpty())
            gui::ShowMessage(this, text);
    }
    if (m_closePending) {
        m_closePending = false;
        QDialog::reject();
    }
}

void CSerialSetDlg::setBusy(bool busy) {
    for (QWidget* w : {static_cast<QWidget*>(m_okButton), static_cast<QWidget*>(m_detectButton),
                       static_cast<QWidget*>(m_portList), static_cast<QWidget*>(m_baudList)})
        w->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void CSerialSetDlg::reject() {
    if (m_running != Try::None) {
        m_closePending = true;
        return;
    }
    QDialog::reject();
}

void CSerialSetDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled())
                button->click();
        } else {
            reject();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tmx7
