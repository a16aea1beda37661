#include "ui/mainwindow/Connection.h"

#include "gui/QtEventSink.h"
#include "settings/Session.h"
#include "ui/dialogs/SerialSetDlg.h"
#include "ui/mainwindow/CommandActions.h"

namespace tmx7 {

namespace {

// What "关闭串口" greys; "打开串口" enables them again but for those that
// follow the module's modes (`modal`), which the refresh's answers set.
constexpr std::pair<Command, bool> kNeedPort[] = {
    {Command::Refresh, false},
    {Command::EditUserData, false},
    {Command::ShowUserData, false},
    {Command::ShowStandardData, false},
    {Command::ActiveMode, false},
    {Command::PassiveMode, false},
    {Command::ModbusMode, false},
    {Command::NormalMode, false},
    {Command::PowerSavingMode, false},
    {Command::SetFrequency, false},
    {Command::SetSerialFormat, false},
    {Command::SetSleepPeriod, true},
    {Command::SetSaveAddress, true},
    {Command::SetWakeDelay, true},
    {Command::SetPassiveAddress, true},
    {Command::SetGroup, false},
    {Command::SetWireless, false},
    {Command::ProductionMode, false},
    {Command::DownloadParams, false},
    {Command::ExportParams, false},
    {Command::ImportParams, false},
    {Command::ContinuousSend, false},
    {Command::Send, false},
    {Command::ReadData, true},
    {Command::CheckMemory, true},
};

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
    connect(dlg, &QDialog::finished, this, [this, dlg](int result) {
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
    const auto* end = std::get_if<SequenceFinished>(&event);
    // The worker runs one sequence at a time: the connection follows the
    // probe's end.
    if (end && m_connectDelayMs &&
        (end->kind == SequenceKind::Probe || end->kind == SequenceKind::Detect)) {
        m_connectTimer.start(*m_connectDelayMs);
        m_connectDelayMs.reset();
    }
}

void Connection::openPort() {
    std::vector<Event> enable;
    for (const auto& [command, modal] : kNeedPort)
        if (!modal)
            enable.push_back(CommandEnabled{command, true});
    m_events.Post(std::move(enable));
    m_actions.start(SequenceKind::OpenPort, [](Session& s) { return s.OpenPort(); });
}

void Connection::closePort() {
    std::vector<Event> grey;
    for (const auto& [command, modal] : kNeedPort)
        grey.push_back(CommandEnabled{command, false});
    m_events.Post(std::move(grey));
    m_session.ClosePort();
}

} // namespace tmx7
