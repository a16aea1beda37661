#include "ui/mainwindow/RadioConfigDlg.h"

#include "gui/Messages.h"
#include "gui/Text.h"
#include "platform/PortDirectory.h"
#include "protocol/ParamFile.h"
#include "res/Pictures.h"
#include "settings/Session.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/mainwindow/CommandActions.h"
#include "ui/mainwindow/DataTestPanel.h"
#include "ui/mainwindow/ParameterCommands.h"
#include "ui/mainwindow/ParameterPages.h"
#include "ui/mainwindow/ProductColumn.h"
#include "ui/mainwindow/ProductionPanel.h"
#include "ui/mainwindow/StatusPanes.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolTip>
#include <QVBoxLayout>

namespace tmx7 {

namespace {

QString WriteFailedText(WriteStatus status) {
    if (status == WriteStatus::Refused)
        return QStringLiteral("串口忙，命令未发出");
    if (status == WriteStatus::PortLost)
        return QStringLiteral("串口已断开，命令未发出");
    return QStringLiteral("串口未打开，命令未发出");
}

} // namespace

CRadioConfigDlg::CRadioConfigDlg(const MainWindowOptions& options, QWidget* parent)
    : QMainWindow(parent), m_session(std::make_unique<Session>(
                               m_events, options.clock ? *options.clock : RealClock(),
                               options.ports ? *options.ports : PortDirectory::System())) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("远桥通信——Q系列电台"));
    setWindowIcon(res::AppIcon());
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipText, Qt::blue);
    QToolTip::setPalette(tips);

    m_actions = new CommandActions(*m_session, menuBar(), this);
    m_status = new StatusPanes(statusBar());

    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);
    columns->addWidget(new ProductColumn(central));
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    m_panel = new DataTestPanel(*m_session, central);
    m_production = new ProductionPanel(*m_session, central);
    m_pages = new ParameterPages(central);
    right->addWidget(m_panel, 3);
    right->addWidget(m_production);
    right->addWidget(m_pages, 2);
    setCentralWidget(central);
    m_panel->addDataActions(m_actions->menu(1));
    m_panel->addStdLengthMenu(m_actions->menu(3));
    connect(&m_events, &gui::QtEventSink::posted, m_panel, &DataTestPanel::applyEvents);
    connect(m_panel, &DataTestPanel::statusMessage, this,
            [this](const QString& text) { m_status->setText(StatusSlot::Activity, text); });

    m_commands = new ParameterCommands(*m_session, *m_actions, kParamFilePath, this);
    m_connection = new Connection(*m_session, m_events, *m_actions,
                                  options.ports ? *options.ports : PortDirectory::System(), this);

    connect(&m_events, &gui::QtEventSink::posted, this, &CRadioConfigDlg::onEvents);
    connect(m_actions, &CommandActions::triggered, this, &CRadioConfigDlg::onCommand);
    connect(m_actions, &CommandActions::busyChanged, this, &CRadioConfigDlg::onBusyChanged);
    // Queued: the dialog a double-click asks for opens once the mouse event
    // has been handled in full.
    connect(m_pages, &ParameterPages::valueDoubleClicked, m_commands, &ParameterCommands::edit,
            Qt::QueuedConnection);
    connect(m_commands, &ParameterCommands::status, this,
            [this](const QString& text) { m_status->setText(StatusSlot::Activity, text); });
    connect(m_commands, &ParameterCommands::restartNeeded, this, &QWidget::close);
    connect(m_connection, &Connection::exitProgram, this, &QWidget::close);

    // Wide enough that the connection pane, half the status bar, shows a
    // whole connection report.
    const int report = statusBar()->fontMetrics().horizontalAdvance(
        QStringLiteral("端口COM100连接成功,上位机串口格式为57600,e,8,2"));
    resize(std::max(sizeHint().width(), 2 * report + 10 * statusBar()->fontMetrics().height()),
           sizeHint().height());

    m_session->RememberLinks(options.links);
    m_session->SetAutoReconnect(true);
    m_connection->start(options.choice);
}

CRadioConfigDlg::~CRadioConfigDlg() {
    // The panels use the session: they go first, then the session joins
    // the engine's threads while the sink they post to still exists.
    delete takeCentralWidget();
    m_session.reset();
}

void CRadioConfigDlg::onEvents(const std::vector<Event>& events) {
    for (const Event& e : events)
        apply(e);
}

void CRadioConfigDlg::apply(const Event& event) {
    if (const auto* e = std::get_if<ValueShown>(&event)) {
        m_pages->setValue(e->field, gui::ToQString(e->text));
    } else if (const auto* e = std::get_if<CommandEnabled>(&event)) {
        m_actions->setAvailable(e->command, e->on);
    } else if (const auto* e = std::get_if<PageShown>(&event)) {
        m_pages->showPage(e->page, e->shown);
    } else if (const auto* e = std::get_if<PageSelected>(&event)) {
        m_pages->selectPage(e->page);
    } else if (const auto* e = std::get_if<ProgressShown>(&event)) {
        m_status->showProgress(e->shown);
    } else if (const auto* e = std::get_if<Progress>(&event)) {
        m_status->setProgress(e->done, e->total);
    } else if (const auto* e = std::get_if<Status>(&event)) {
        m_status->setText(e->slot, gui::ToQString(e->text));
    } else if (const auto* e = std::get_if<Notice>(&event)) {
        // Not modal in this loop: the events behind it keep their order.
        gui::OpenMessage(this, gui::ToQString(e->text), gui::ToQString(e->caption));
    } else if (const auto* e = std::get_if<WriteFailed>(&event)) {
        m_status->setText(StatusSlot::Activity, WriteFailedText(e->status));
    } else if (const auto* e = std::get_if<SequenceFinished>(&event)) {
        m_actions->finished(*e);
    }
    m_connection->onEvent(event);
}

void CRadioConfigDlg::onCommand(Command command) {
    switch (command) {
    case Command::Refresh:
        m_actions->start(SequenceKind::Refresh, [](Session& s) { return s.Refresh(); });
        return;
    case Command::Exit:
        exitProgram();
        return;
    case Command::OpenPort:
        m_connection->openPort();
        return;
    case Command::ClosePort:
        m_connection->closePort();
        return;
    case Command::ProductionMode:
        m_production->toggle();
        return;
    case Command::HelpDocument:
        OpenHelp();
        return;
    case Command::HomePage:
        OpenMakerPage("/index.html");
        return;
    case Command::About: {
        auto* about = new CAboutDlg(this);
        about->setAttribute(Qt::WA_DeleteOnClose);
        connect(about, &CAboutDlg::helpRequested, this, [] { OpenHelp(); });
        about->open();
        return;
    }
    default:
        m_commands->run(command);
        return;
    }
}

void CRadioConfigDlg::onBusyChanged(bool busy) {
    m_production->setBusy(busy);
    if (!busy && m_closePending) {
        if (m_exitPending)
            m_session->SendExitCommand();
        close();
    }
}

void CRadioConfigDlg::exitProgram() {
    if (m_actions->running()) {
        m_exitPending = true;
        close(); // waits for the sequence
        return;
    }
    // The module stops a 0101 test transmission before the program goes.
    m_session->SendExitCommand();
    close();
}

void CRadioConfigDlg::closeEvent(QCloseEvent* event) {
    if (m_actions->running()) {
        event->ignore();
        m_closePending = true;
        m_status->setText(StatusSlot::Connection, m_actions->closingText());
        return;
    }
    // Closing the port discards what it has not sent yet: the last command
    // (a set, the exit's stop command) is given time to leave.
    (void)m_session->Ports().Drain(m_session->Link().port, Millis(500));
    event->accept();
}

void CRadioConfigDlg::contextMenuEvent(QContextMenuEvent* event) {
    m_actions->menu(0)->popup(event->globalPos());
}

} // namespace tmx7
