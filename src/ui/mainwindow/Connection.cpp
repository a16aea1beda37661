#include "ui/mainwindow/Connection.h"

#include "gui/QtEventSink.h"
#include "settings/Session.h"
#include "ui/dialogs/SerialSetDlg.h"
#include "ui/mainwindow/CommandActions.h"

namespace tmx7 {

namespace {

// What "关闭串口" greys; "打开串口" enables them again but for those that
// follow the module's modes (`modal`), which the refresh's answers set.
// clang-format off
using C = Command;
constexpr std::pair<Command, bool> kNeedPort[] = {
    {C::Refresh, false}, {C::EditUserData, false}, {C::ShowUserData, false},
    {C::ShowStandardData, false}, {C::ActiveMode, false}, {C::PassiveMode, false},
    {C::ModbusMode, false}, {C::NormalMode, false}, {C::PowerSavingMode, false},
    {C::SetFrequency, false}, {C::SetSerialFormat, false}, {C::SetSleepPeriod, true},
    {C::SetSaveAddress, true}, {C::SetWakeDelay, true}, {C::SetPassiveAddress, true},
    {C::SetGroup, false}, {C::SetWireless, false}, {C::ProductionMode, false},
    {C::DownloadParams, false}, {C::ExportParams, false}, {C::ImportParams, false},
    {C::ContinuousSend, false}, {C::Send, false}, {C::ReadData, true},
    {C::CheckMemory, true},
};
// clang-format on

} // namespace

Connection::Connection(Session& session, gui::QtEventSink& events, CommandActions& actions,
                       PortDirectory& ports, QWidget* window)
    : QObject(window), m_session(session), m_events(events), m_actions(actions), m_ports(ports),
      m_window(window) {
    m_settingsTimer.setSingleShot(true);
    m_connectTimer.setSingleShot(true);
    connect(&m_settingsTimer, &QTimer::timeout, this, &Connection::showSettings);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        m_actions.start(SequenceKind::Connect, [](Session& s) { return s.Connect(); });
    });
}

void Connection::start(const Choice& choice) {
    m_choice = choice;
    m_settingsTimer.start(0);
}

void Connection::showSettings() {
    auto* dlg = new CSerialSetDlg(m_session, m_events, m_ports, m_window);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->preselect(m_choice.port, m_choice.baud);
    // Its port list follows adapters plugged in or pulled out meanwhile.
    m_session.SetWatchPorts(true);
    connect(dlg, &QDialog::finished, this, [this, dlg](int result) {
        m_session.SetWatchPorts(false);
        if (result == CSerialSetDlg::ExitProgram)
            emit exitProgram();
        else // kept however it ended, so "打开串口" opens what was chosen
            m_session.SetLink(dlg->link());
    });
    dlg->open();
}

void Connection::onEvent(const Event& event) {
    if (const auto* found = std::get_if<Connected>(&event))
        m_connectDelayMs = found->connectDelayMs;
    if (const auto* lost = std::get_if<PortLost>(&event);
        lost && lost->port == m_session.Link().port)
        switchPortCommands(false);
    if (std::holds_alternative<Reconnected>(event)) {
        switchPortCommands(true);
        m_actions.adopt(SequenceKind::Reconnect);
    }
    const auto* end = std::get_if<SequenceFinished>(&event);
    // The worker runs one sequence at a time: the connection follows the
    // probe's end.
    if (end && m_connectDelayMs &&
        (end->kind == SequenceKind::Probe || end->kind == SequenceKind::Detect)) {
        m_connectTimer.start(*m_connectDelayMs);
        m_connectDelayMs.reset();
    }
}

void Connection::switchPortCommands(bool on) {
    std::vector<Event> events;
    for (const auto& [command, modal] : kNeedPort)
        if (!on || !modal)
            events.push_back(CommandEnabled{command, on});
    m_events.Post(std::move(events));
}

void Connection::openPort() {
    switchPortCommands(true);
    m_actions.start(SequenceKind::OpenPort, [](Session& s) { return s.OpenPort(); });
}

void Connection::closePort() {
    switchPortCommands(false);
    m_session.ClosePort();
}

} // namespace tmx7
