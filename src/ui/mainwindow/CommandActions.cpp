#include "ui/mainwindow/CommandActions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tmx7 {

namespace {

enum Menu { File, Data, Param, Comm, Help, SerialMode, PowerMode };

struct Entry {
    Menu menu;
    Command command;
    const char* caption; // null: a separator
    const char* name;
};

constexpr Entry kEntries[] = {
    {File, Command::Refresh, "刷新参数", "refreshAction"},
    {File, Command::ImportParams, "导入参数", "importAction"},
    {File, Command::ExportParams, "导出参数", "exportAction"},
    {File, Command::DownloadParams, "下载参数", "downloadAction"},
    {File, Command::Exit, "退出", "exitAction"},
    {SerialMode, Command::ActiveMode, "主动模式", "activeModeAction"},
    {SerialMode, Command::PassiveMode, "被动模式", "passiveModeAction"},
    {SerialMode, Command::ModbusMode, "MODBUS", "modbusModeAction"},
    {PowerMode, Command::NormalMode, "普通模式", "normalModeAction"},
    {PowerMode, Command::PowerSavingMode, "省电模式", "powerSavingModeAction"},
    {Param, Command::SetFrequency, "频率设置...", "frequencyAction"},
    {Param, Command::SetSerialFormat, "串口格式设置", "serialFormatAction"},
    {Param, {}, nullptr, nullptr},
    {Param, Command::SetSleepPeriod, "睡眠周期设置", "sleepPeriodAction"},
    {Param, Command::SetSaveAddress, "省电地址设置", "saveAddressAction"},
    {Param, Command::SetWakeDelay, "唤醒延时设置", "wakeDelayAction"},
    {Param, {}, nullptr, nullptr},
    {Param, Command::SetPassiveAddress, "被动地址设置", "passiveAddressAction"},
    {Param, {}, nullptr, nullptr},
    {Param, Command::SetGroup, "组号设置", "groupAction"},
    {Param, Command::SetWireless, "无线参数设置", "wirelessAction"},
    {Param, {}, nullptr, nullptr},
    {Param, Command::ProductionMode, "生产参数设置", "productionAction"},
    {Comm, Command::ClosePort, "关闭串口", "closePortAction"},
    {Comm, Command::OpenPort, "打开串口", "openPortAction"},
    {Help, Command::HelpDocument, "帮助文档", "helpAction"},
    {Help, Command::HomePage, "公司主页", "homePageAction"},
    {Help, {}, nullptr, nullptr},
    {Help, Command::About, "关于", "aboutAction"},
};

// These start nothing on the line; the exit waits for a sequence by itself.
bool UsableWhileBusy(Command c) {
    return c == Command::Exit || c == Command::HelpDocument || c == Command::HomePage ||
           c == Command::About;
}

} // namespace

CommandActions::CommandActions(Session& session, QMenuBar* bar, QObject* parent)
    : QObject(parent), m_session(session) {
    m_available.fill(true);
    const char* names[] = {"fileMenu", "dataMenu", "paramMenu", "commMenu", "helpMenu"};
    const char* captions[] = {"文件", "数据设置", "参数设置", "通信设置", "帮助"};
    for (int i = File; i <= Help; ++i) {
        m_menus[i] = bar->addMenu(QString::fromUtf8(captions[i]));
        m_menus[i]->setObjectName(QString::fromLatin1(names[i]));
    }
    m_menus[SerialMode] = m_menus[Param]->addMenu(QStringLiteral("串口模式设置"));
    m_menus[PowerMode] = m_menus[Param]->addMenu(QStringLiteral("省电模式设置"));
    for (const Entry& e : kEntries) {
        QMenu* menu = m_menus[e.menu];
        menu->setToolTipsVisible(true); // a blocked entry says why in its tip
        if (!e.caption) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromUtf8(e.caption));
        a->setObjectName(QString::fromLatin1(e.name));
        m_actions[Index(e.command)] = a;
        connect(a, &QAction::triggered, this, [this, c = e.command] { emit triggered(c); });
    }
}

void CommandActions::setAvailable(Command command, bool on) {
    m_available[Index(command)] = on;
    updateAll();
}

bool CommandActions::usable(Command command) const {
    return m_available[Index(command)] && (!m_running || UsableWhileBusy(command));
}

void CommandActions::updateAll() {
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        if (QAction* a = m_actions[i]) {
            const auto c = static_cast<Command>(i);
            a->setEnabled(usable(c));
            a->setToolTip(UsableWhileBusy(c) ? QString() : busyText());
        }
    }
}

bool CommandActions::start(SequenceKind kind, const std::function<bool(Session&)>& begin) {
    if (m_running || !begin(m_session))
        return false;
    adopt(kind);
    return true;
}

void CommandActions::adopt(SequenceKind kind) {
    if (m_running)
        return;
    m_running = kind;
    updateAll();
    emit busyChanged(true);
}

void CommandActions::finished(const SequenceFinished& end) {
    if (m_running != end.kind)
        return;
    m_running.reset();
    updateAll();
    emit busyChanged(false);
    emit sequenceEnded(end.kind, end.outcome);
}

QString CommandActions::busyText() const {
    if (m_running == SequenceKind::Set)
        return QStringLiteral("正在设置参数，请稍候");
    if (m_running == SequenceKind::Download)
        return QStringLiteral("正在下载参数，请稍候");
    if (m_running == SequenceKind::Export)
        return QStringLiteral("正在导出参数，请稍候");
    return m_running ? QStringLiteral("正在刷新参数，请稍候") : QString();
}

QString CommandActions::closingText() const {
    if (m_running == SequenceKind::Download)
        return QStringLiteral("参数下载完成后关闭窗口......");
    if (m_running == SequenceKind::Set)
        return QStringLiteral("参数设置完成后关闭窗口......");
    return QStringLiteral("当前操作完成后关闭窗口......");
}

} // namespace tmx7
