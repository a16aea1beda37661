#include "ui/mainwindow/DataTestPanel.h"

#include "gui/CharFilter.h"
#include "gui/HexFilter.h"
#include "platform/FileAccess.h"
#include "protocol/TrafficText.h"
#include "settings/Session.h"
#include "ui/DataSend.h"
#include "ui/dialogs/ContinuousSendDlg.h"
#include "ui/dialogs/SendCountDlg.h"
#include "ui/mainwindow/ReceiveArea.h"
#include "ui/mainwindow/SendArea.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace tmx7 {
namespace {

QString U(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* MakeButton(const QString& caption, const QString& name, const QString& tip,
                        QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    return button;
}

bool HexKey(char32_t c) {
    return gui::HexFilterAccepts(c, gui::HexKeys::WithBlank);
}

// The length entries in menu order.
constexpr std::array<Command, 3> kLengths = {Command::StdLength192, Command::StdLength48,
                                             Command::StdLength20};

} // namespace

DataTestPanel::DataTestPanel(Session& session, QWidget* parent, std::string userDataPath)
    : QWidget(parent), m_session(session), m_testData(std::move(userDataPath)),
      m_receiveArea(new ReceiveArea(this)),
      // Wide enough for the longest packet (524 bytes) on one line.
      m_trafficArea(new ReceiveArea(this, ReceiveArea::kTextLimit, 1700)),
      m_receiveStack(new QStackedWidget(this)), m_sendArea(new SendArea(this)),
      m_presetPanel(new QWidget(this)),
      m_readDataButton(MakeButton(QStringLiteral("读数据"), QStringLiteral("readDataButton"),
                                  QStringLiteral("被动模式下可读取被动地址模块中的内容"), this)),
      m_checkMemoryButton(MakeButton(QStringLiteral("判断内存"),
                                     QStringLiteral("checkMemoryButton"),
                                     QStringLiteral("被动模式下判断模块的内存是否为空"), this)),
      m_continuousSendButton(MakeButton(QStringLiteral("连续发送"),
                                        QStringLiteral("continuousSendButton"),
                                        QStringLiteral("对连续发送的参数进行设置"), this)),
      m_sendButton(MakeButton(QStringLiteral("发送"), QStringLiteral("sendButton"),
                              QStringLiteral("将发送区的数据发送出去"), this)) {
    m_receiveArea->setObjectName(QStringLiteral("receiveArea"));
    m_trafficArea->setObjectName(QStringLiteral("trafficArea"));
    for (ReceiveArea* area : {m_receiveArea, m_trafficArea}) {
        area->setToolTip(QStringLiteral("信息接收区域，双击可清除接收到的内容"));
        m_receiveStack->addWidget(area);
        connect(area, &ReceiveArea::doubleClicked, this, &DataTestPanel::onReceiveDoubleClick);
    }
    m_sendArea->setObjectName(QStringLiteral("sendArea"));
    m_sendArea->setToolTip(QStringLiteral("信息发送区域，双击可编辑发送指令"));

    // The preset panel: nine hex lines, each with its send button.
    m_presetPanel->setObjectName(QStringLiteral("presetPanel"));
    auto* presets = new QGridLayout(m_presetPanel);
    presets->setContentsMargins(0, 0, 0, 0);
    presets->setVerticalSpacing(2);
    const int digitButtonWidth = fontMetrics().horizontalAdvance(QStringLiteral("00")) +
                                 4 * style()->pixelMetric(QStyle::PM_ButtonMargin);
    for (int k = 0; k < 9; ++k) {
        const QString number = QString::number(k + 1);
        auto* line = new QLineEdit(m_presetPanel);
        line->setObjectName(QStringLiteral("presetLine") + number);
        line->setValidator(new gui::CharFilter(&HexKey, line));
        line->setContextMenuPolicy(Qt::PreventContextMenu);
        // A few pairs stay readable however narrow the window gets.
        line->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00 00 00 00 00")));
        m_presetLines[static_cast<std::size_t>(k)] = line;
        auto* button = new QPushButton(number, m_presetPanel);
        button->setObjectName(QStringLiteral("presetButton") + number);
        button->setMaximumWidth(digitButtonWidth);
        connect(button, &QPushButton::clicked, this, [this, k] { onPresetButton(k); });
        presets->addWidget(line, k, 0);
        presets->addWidget(button, k, 1);
    }
    m_presetPanel->hide();
    // The row keeps its height whether the preset lines are shown or not.
    m_sendArea->setMinimumHeight(m_presetPanel->minimumSizeHint().height());

    auto* receiveButtons = new QHBoxLayout;
    receiveButtons->addStretch();
    receiveButtons->addWidget(m_readDataButton);
    receiveButtons->addWidget(m_checkMemoryButton);
    receiveButtons->addStretch();
    auto* receiveGroup = new QGroupBox(QStringLiteral("接收区"), this);
    auto* receiveColumn = new QVBoxLayout(receiveGroup);
    receiveColumn->addWidget(m_receiveStack, 1);
    receiveColumn->addLayout(receiveButtons);

    auto* sendRow = new QHBoxLayout;
    // Narrowed to a strip beside the preset lines while they are shown.
    sendRow->addWidget(m_sendArea, 1);
    sendRow->addWidget(m_presetPanel, 3);
    auto* sendButtons = new QHBoxLayout;
    sendButtons->addStretch();
    sendButtons->addWidget(m_continuousSendButton);
    sendButtons->addWidget(m_sendButton);
    sendButtons->addStretch();
    auto* sendGroup = new QGroupBox(QStringLiteral("发送区"), this);
    auto* sendColumn = new QVBoxLayout(sendGroup);
    sendColumn->addLayout(sendRow, 1);
    sendColumn->addLayout(sendButtons);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(receiveGroup, 1);
    layout->addWidget(sendGroup, 1);

    connect(m_readDataButton, &QPushButton::clicked, this, &DataTestPanel::onReadData);
    connect(m_checkMemoryButton, &QPushButton::clicked, this, &DataTestPanel::onCheckMemory);
    connect(m_continuousSendButton, &QPushButton::clicked, this, &DataTestPanel::onContinuousSend);
    connect(m_sendButton, &QPushButton::clicked, this, &DataTestPanel::onSend);
    connect(m_sendArea, &SendArea::doubleClicked, this, &DataTestPanel::onSendAreaDoubleClick);
    connect(m_sendArea, &SendArea::enterPressed, this, &DataTestPanel::onSendAreaEnter);
    connect(&m_continuousSendTimer, &QTimer::timeout, this, &DataTestPanel::onSendTick);

    buildActions();

    const FileResult loaded = m_testData.LoadAtStartup();
    showModelText();
    if (!loaded.ok) {
        // Said once the window is there to show it.
        QMetaObject::invokeMethod(
            this, [this] { say("用户数据文件不可用，使用默认数据"); }, Qt::QueuedConnection);
    }
}

DataTestPanel::~DataTestPanel() {
    m_continuousSendTimer.stop();
    // The dialogs are children: they go first, without calling back into a
    // panel that is half destroyed.
    for (QDialog* dialog : {m_choiceDialog.data(), m_countDialog.data(),
                            static_cast<QDialog*>(m_fileDialog.data())}) {
        if (dialog) {
            dialog->disconnect(this);
            delete dialog;
        }
    }
}

void DataTestPanel::buildActions() {
    const auto make = [this](const QString& caption, const QString& name) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        return action;
    };
    m_editUserDataAction =
        make(QStringLiteral("编辑用户数据"), QStringLiteral("editUserDataAction"));
    m_showUserDataAction =
        make(QStringLiteral("用户数据显示"), QStringLiteral("showUserDataAction"));
    m_showStdDataAction = make(QStringLiteral("标准数据显示"), QStringLiteral("showStdDataAction"));
    connect(m_editUserDataAction, &QAction::triggered, this, &DataTestPanel::onEditUserData);
    connect(m_showUserDataAction, &QAction::triggered, this, &DataTestPanel::onShowUserData);
    connect(m_showStdDataAction, &QAction::triggered, this, &DataTestPanel::onShowStdData);

    m_timestampAction = make(QStringLiteral("时间戳显示"), QStringLiteral("timestampAction"));
    m_timestampAction->setCheckable(true);
    connect(m_timestampAction, &QAction::toggled, this, [this](bool on) {
        m_receiveStack->setCurrentWidget(on ? m_trafficArea : m_receiveArea);
    });
    m_saveReceivedAction =
        make(QStringLiteral("保存接收区..."), QStringLiteral("saveReceivedAction"));
    connect(m_saveReceivedAction, &QAction::triggered, this, [this] {
        askFile(QStringLiteral("jieshouqu.txt"), false, &DataTestPanel::saveReceived);
    });
    m_trafficLogAction =
        make(QStringLiteral("记录到日志文件..."), QStringLiteral("trafficLogAction"));
    m_trafficLogAction->setCheckable(true);
    connect(m_trafficLogAction, &QAction::triggered, this, &DataTestPanel::onTrafficLog);

    auto* lengths = new QActionGroup(this);
    lengths->setExclusive(true);
    for (std::size_t i = 0; i < kLengths.size(); ++i) {
        const StdPattern* pattern = FindStdPattern(kLengths[i]);
        QAction* action =
            make(U(pattern->caption), QStringLiteral("stdLength%1Action").arg(pattern->bytes));
        action->setCheckable(true);
        action->setChecked(kLengths[i] == m_testData.StdLength());
        lengths->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { onStdLength(kLengths[i]); });
        m_stdLengthActions[i] = action;
    }
}

void DataTestPanel::addDataActions(QMenu* menu) const {
    menu->addAction(m_editUserDataAction);
    menu->addAction(m_showUserDataAction);
    menu->addAction(m_showStdDataAction);
    menu->addSeparator();
    menu->addAction(m_timestampAction);
    menu->addAction(m_saveReceivedAction);
    menu->addAction(m_trafficLogAction);
}

QMenu* DataTestPanel::addStdLengthMenu(QMenu* menu) const {
    QMenu* lengths = menu->addMenu(QStringLiteral("标准数据长度"));
    lengths->setObjectName(QStringLiteral("stdLengthMenu"));
    for (QAction* action : m_stdLengthActions)
        lengths->addAction(action);
    return lengths;
}

void DataTestPanel::setCommandEnabled(Command command, bool on) {
    switch (command) {
    case Command::Send:
        m_sendButton->setEnabled(on);
        break;
    case Command::ContinuousSend:
        m_continuousSendButton->setEnabled(on);
        break;
    case Command::ReadData:
        m_readDataButton->setEnabled(on);
        break;
    case Command::CheckMemory:
        m_checkMemoryButton->setEnabled(on);
        break;
    case Command::EditUserData:
        m_editUserDataAction->setEnabled(on);
        break;
    case Command::ShowUserData:
        m_showUserDataAction->setEnabled(on);
        break;
    case Command::ShowStandardData:
        m_showStdDataAction->setEnabled(on);
        break;
    case Command::StdLength192:
    case Command::StdLength48:
    case Command::StdLength20:
        for (std::size_t i = 0; i < kLengths.size(); ++i)
            if (kLengths[i] == command)
                m_stdLengthActions[i]->setEnabled(on);
        break;
    default:
        break;
    }
}

void DataTestPanel::applyEvents(const std::vector<Event>& events) {
    QString traffic; // the batch's packets, appended at once
    const auto flush = [&] {
        if (!traffic.isEmpty())
            m_trafficArea->appendLines(std::exchange(traffic, QString()));
    };
    // The connection pane's text that comes with a loss or a return.
    bool marking = false;
    for (const Event& event : events) {
        if (const auto* received = std::get_if<Received>(&event)) {
            m_receiveArea->appendReceived(U(received->text), received->epoch);
        } else if (const auto* packet = std::get_if<Traffic>(&event)) {
            traffic += U(TrafficLine(*packet)) + QLatin1Char('\n');
        } else if (const auto* cleared = std::get_if<ReceiveCleared>(&event)) {
            m_receiveArea->clearBefore(cleared->epoch);
        } else if (const auto* enabled = std::get_if<CommandEnabled>(&event)) {
            setCommandEnabled(enabled->command, enabled->on);
        } else if (const auto* lost = std::get_if<PortLost>(&event)) {
            marking = lost->port == m_session.Link().port;
            if (marking && m_sendTimers.IsRunning(m_runTimer)) {
                haltRun();
                say("串口已断开，连续发送已停止");
            }
        } else if (std::holds_alternative<Reconnected>(event)) {
            marking = true;
        } else if (const auto* status = std::get_if<Status>(&event);
                   status && marking && status->slot == StatusSlot::Connection) {
            flush();
            mark(U(status->text));
            marking = false;
        }
    }
    flush();
}

void DataTestPanel::mark(const QString& text) {
    const QString line = QStringLiteral("【%1】\n").arg(text);
    m_receiveArea->appendMark(line);
    m_trafficArea->appendMark(QStringLiteral("[%1] ").arg(U(LocalTimeOfDay(WallClock::now()))) +
                              line);
}

void DataTestPanel::say(std::string_view text) {
    emit statusMessage(U(text));
}

// ---- sending -----------------------------------------------------------------------

std::optional<WriteStatus> DataTestPanel::sendBuilt(const SendResult& built) {
    if (!built.ok()) {
        if (!built.status.empty())
            say(built.status);
        return std::nullopt;
    }
    if (built.bytes.empty())
        return std::nullopt; // an empty preset line: nothing to send, nothing to say
    if (m_session.Busy()) {
        say(kDataSendWhileBusy);
        return std::nullopt;
    }
    const WriteStatus status = m_session.SendData(built.bytes);
    if (status != WriteStatus::Queued)
        say(DataWriteFailureText(status));
    return status;
}

void DataTestPanel::onSend() {
    const DecoderState state = m_session.State();
    sendBuilt(BuildDataSend(m_sendArea->toPlainText().toStdString(), kSendAreaBuffer,
                            state.serialMode, state.passiveAddr));
}

void DataTestPanel::onReadData() {
    sendBuilt(BuildReadDataSend(m_session.State().passiveAddr));
}

void DataTestPanel::onCheckMemory() {
    sendBuilt(BuildCheckMemorySend(m_session.State().passiveAddr));
}

void DataTestPanel::onPresetButton(int line) {
    // Presets go out as typed whatever the serial mode: no framing.
    sendBuilt(BuildPresetSend(m_presetLines[static_cast<std::size_t>(line)]->text().toStdString()));
}

// ---- the two areas ---------------------------------------------------------------

void DataTestPanel::onReceiveDoubleClick() {
    m_receiveArea->clearNow();
    m_trafficArea->clearNow();
    m_session.ClearReceived();
    window()->setFocus();
}

void DataTestPanel::onSendAreaDoubleClick() {
    m_presetPanel->setVisible(m_presetPanel->isHidden());
}

// ---- files ---------------------------------------------------------------------------

void DataTestPanel::askFile(const QString& name, bool append,
                            void (DataTestPanel::*chosen)(const QString&)) {
    if (m_fileDialog)
        return;
    auto* dialog = new QFileDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(name);
    // A log is appended to: an existing one is no reason to ask.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, append);
    m_fileDialog = dialog;
    connect(dialog, &QFileDialog::finished, this, [this, dialog, chosen](int result) {
        m_fileDialog = nullptr; // another may open before this one is deleted
        const QStringList files = dialog->selectedFiles();
        (this->*chosen)(result == QDialog::Accepted && !files.isEmpty() ? files.front()
                                                                        : QString());
    });
    dialog->open();
}

void DataTestPanel::saveReceived(const QString& path) {
    if (path.isEmpty())
        return;
    auto* shown = static_cast<ReceiveArea*>(m_receiveStack->currentWidget());
    QString text = shown->toPlainText();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    const QByteArray bytes = text.toUtf8();
    const FileResult r = WriteFileAtomic(path.toStdString(), std::string_view(bytes));
    emit statusMessage(r ? QStringLiteral("接收区已保存到 ") + path
                         : QStringLiteral("接收区未保存：") + U(r.message));
}

void DataTestPanel::onTrafficLog(bool on) {
    if (!on) {
        m_session.StopTrafficLog();
        say("日志文件已关闭");
        return;
    }
    // Checked once a file is chosen and open.
    m_trafficLogAction->setChecked(false);
    askFile(QStringLiteral("tongxinjilu.log"), true, &DataTestPanel::startTrafficLog);
}

void DataTestPanel::startTrafficLog(const QString& path) {
    if (path.isEmpty())
        return;
    const FileResult r = m_session.StartTrafficLog(path.toStdString());
    m_trafficLogAction->setChecked(r.ok);
    emit statusMessage(r ? QStringLiteral("正在记录到日志文件 ") + path
                         : QStringLiteral("日志文件未打开：") + U(r.message));
}

// ---- user and standard data ------------------------------------------------------

void DataTestPanel::showModelText() {
    m_sendArea->setPlainText(U(m_testData.Text()));
    m_sendArea->setReadOnly(!m_testData.Editable());
}

void DataTestPanel::onSendAreaEnter() {
    const FileResult saved = m_testData.PressEnter(m_sendArea->toPlainText().toStdString());
    m_sendArea->setReadOnly(!m_testData.Editable());
    if (!saved.ok)
        say("用户数据未能保存到文件");
}

void DataTestPanel::onEditUserData() {
    bool reloaded = false;
    const FileResult r = m_testData.EditUserData(&reloaded);
    // A missing file was created with the default; the area keeps its text.
    if (reloaded)
        m_sendArea->setPlainText(U(m_testData.UserData()));
    m_sendArea->setReadOnly(!m_testData.Editable());
    m_sendArea->setFocus();
    if (!r.ok)
        say("用户数据文件不可用");
}

void DataTestPanel::onShowUserData() {
    m_testData.ShowUserData();
    showModelText();
}

void DataTestPanel::onShowStdData() {
    m_testData.ShowStdData();
    showModelText();
}

void DataTestPanel::onStdLength(Command length) {
    if (m_testData.ChooseStdLength(length))
        showModelText();
}

// ---- continuous send -------------------------------------------------------------

void DataTestPanel::onContinuousSend() {
    if (m_choiceDialog || m_countDialog)
        return;
    auto* choose = new CContinuousSendDlg(this);
    m_choiceDialog = choose;
    connect(choose, &QDialog::finished, this, [this, choose](int result) {
        m_choiceDialog = nullptr;
        choose->deleteLater();
        if (result == QDialog::Accepted && choose->choice())
            startRun(*choose->choice());
    });
    choose->open();
}

void DataTestPanel::startRun(const ContinuousSendChoice& choice) {
    const TimerStart start = m_sendTimers.Start(choice);
    m_runTimer = start.timer;
    m_continuousSendTimer.start(static_cast<int>(start.intervalMs));

    // Every way out of the count display stops the run: no send goes on
    // without a window that shows it and can stop it.
    auto* count = new CSendCountDlg(this);
    m_countDialog = count;
    connect(this, &DataTestPanel::sendCountChanged, count, &CSendCountDlg::setCount);
    connect(count, &QDialog::finished, this, [this, count] {
        count->deleteLater();
        endRun();
    });
    count->setCount(m_sendTimers.SendCount());
    count->open();
}

void DataTestPanel::onSendTick() {
    // A sequence talks to the module: the tick is skipped, not counted, so a
    // counted run still sends its full count.
    if (m_session.Busy())
        return;
    const DecoderState state = m_session.State();
    // Payloads are read at the tick: a length chosen during a run applies
    // from the next tick on.
    const SendContext context{m_testData.UserData(), m_testData.StdData(), state.serialMode,
                              state.passiveAddr};
    const TickPlan plan = PlanContinuousTick(m_sendTimers, m_runTimer, context);
    if (plan.stopTimer)
        m_continuousSendTimer.stop();
    if (plan.send) {
        const auto status = sendBuilt(plan.data);
        // Without a port no later tick can do better; the count stays on show.
        if (status == WriteStatus::PortLost || status == WriteStatus::NoPort)
            haltRun();
    }
    emit sendCountChanged(m_sendTimers.SendCount());
}

void DataTestPanel::endRun() {
    m_continuousSendTimer.stop();
    m_sendTimers.Leave();
    m_countDialog = nullptr;
    emit sendCountChanged(m_sendTimers.SendCount());
}

void DataTestPanel::haltRun() {
    m_continuousSendTimer.stop();
    m_sendTimers.Halt(m_runTimer);
}

} // namespace tmx7
