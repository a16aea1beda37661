#include "ui/mainwindow/Connection.h"

#include "gui/QtEventSink.h"
#include "settings/Session.h"
#include "ui/dialogs/SerialSetDlg.h"
#include "ui/mainwindow/SequenceRunner.h"

namespace tmx7 {

namespace {

// What "关闭串口" greys; "打开串口" enables the same but for the power-saving
// and passive settings and the passive buttons, which follow the module's
// modes as the refresh reports them.
constexpr Command kNeedPort[] = {
    Command::Refresh,
    Command::EditUserData,
    Command::ShowUserData,
    Command::ShowStandardData,
    Command::ActiveMode,
    Command::PassiveMode,
    Command::ModbusMode,
    Command::NormalMode,
    Command::PowerSavingMode,
    Command::SetFrequency,
    Command::SetSerialFormat,
    Command::SetSleepPeriod,
    Command::SetSaveAddress,
    Command::SetWakeDelay,
    Command::SetPassiveAddress,
    Command::SetGroup,
    Command::SetWireless,
    Command::ProductionMode,
    Command::DownloadParams,
    Command::ExportParams,
    Command::ImportParams,
    Command::ContinuousSend,
    Command::Send,
    Command::ReadData,
    Command::CheckMemory,
};

bool FollowsModes(Command c) {
    switch (c) {
    case Command::SetSleepPeriod:
    case Command::SetSaveAddress:
    case Command::SetWakeDelay:
    case Command::SetPassiveAddress:
    case Command::ReadData:
    case Command::CheckMemory:
        return true;
    default:
        return false;
    }
}

} // namespace

Connection::Connection(Session& session, gui::QtEventSink& events, SequenceRunner& runner,
                       PortDirectory& ports, QWidget* window)
    : QObject(window), m_session(session), m_events(events), m_runner(runner), m_ports(ports),
      m_window(window) {
    m_settingsTimer.setSingleShot(true);
    m_connectTimer.setSingleShot(true);
    connect(&m_settingsTimer, &QTimer::timeout, this, &Connection::showSettings);
    connect(&m_connectTimer, &QTimer::timeout, this, &Connection::connectNow);
}

void Connection::start(const Choice& choice) {
    m_choice = choice;
    m_settingsTimer.start(0);
}

void Connection::showSettings() {
    auto* dlg = new CSerialSetDlg(m_session, m_events, m_ports, m_window);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->preselect(m_choice.port, m_choice.baud);
    connect(dlg, &QDialog::finished, this, [this, dlg](int result) {
        if (result == CSerialSetDlg::ExitProgram) {
            emit exitProgram();
            return;
        }
        // Kept however the dialog ended, so "打开串口" opens what was chosen.
        m_session.SetLink(dlg->link());
    });
    dlg->open();
}

void Connection::onEvent(const Event& event) {
    if (const auto* found = std::get_if<Connected>(&event)) {
        m_connectDelayMs = found->connectDelayMs;
    } else if (const auto* end = std::get_if<SequenceFinished>(&event)) {
        const bool probe = end->kind == SequenceKind::Probe || end->kind == SequenceKind::Detect;
        // The connection waits for the probe's end: the worker runs one
        // sequence at a time.
        if (probe && m_connectDelayMs) {
            m_connectTimer.start(*m_connectDelayMs);
            m_connectDelayMs.reset();
        }
    }
}

void Connection::connectNow() {
    m_runner.start(SequenceKind::Connect, [](Session& s) { return s.Connect(); });
}

void Connection::openPort() {
    std::vector<Event> enable;
    for (Command c : kNeedPort)
        if (!FollowsModes(c))
            enable.push_back(CommandEnabled{c, true});
    m_events.Post(std::move(enable));
    m_runner.start(SequenceKind::OpenPort, [](Session& s) { return s.OpenPort(); });
}

void Connection::closePort() {
    std::vector<Event> grey;
    for (Command c : kNeedPort)
        grey.push_back(CommandEnabled{c, false});
    m_events.Post(std::move(grey));
    m_session.ClosePort();
}

} // namespace tmx7
