#include "ui/mainwindow/CommandActions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tmx7 {

namespace {

std::size_t Index(Command command) {
    return static_cast<std::size_t>(command);
}

// Commands that stay usable while a sequence runs: they start nothing on
// the line (the exit waits for the sequence's end by itself).
bool UsableWhileBusy(Command command) {
    switch (command) {
    case Command::Exit:
    case Command::HelpDocument:
    case Command::HomePage:
    case Command::About:
        return true;
    default:
        return false;
    }
}

} // namespace

CommandActions::CommandActions(QMenuBar* bar, QObject* parent) : QObject(parent) {
    m_available.fill(true);
    m_fileMenu = bar->addMenu(QStringLiteral("文件"));
    m_dataMenu = bar->addMenu(QStringLiteral("数据设置"));
    m_paramMenu = bar->addMenu(QStringLiteral("参数设置"));
    m_commMenu = bar->addMenu(QStringLiteral("通信设置"));
    m_helpMenu = bar->addMenu(QStringLiteral("帮助"));
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_dataMenu->setObjectName(QStringLiteral("dataMenu"));
    m_paramMenu->setObjectName(QStringLiteral("paramMenu"));
    m_commMenu->setObjectName(QStringLiteral("commMenu"));
    m_helpMenu->setObjectName(QStringLiteral("helpMenu"));

    add(m_fileMenu, Command::Refresh, "刷新参数", "refreshAction");
    add(m_fileMenu, Command::ImportParams, "导入参数", "importAction");
    add(m_fileMenu, Command::ExportParams, "导出参数", "exportAction");
    add(m_fileMenu, Command::DownloadParams, "下载参数", "downloadAction");
    add(m_fileMenu, Command::Exit, "退出", "exitAction");

    QMenu* serialMode = m_paramMenu->addMenu(QStringLiteral("串口模式设置"));
    add(serialMode, Command::ActiveMode, "主动模式", "activeModeAction");
    add(serialMode, Command::PassiveMode, "被动模式", "passiveModeAction");
    add(serialMode, Command::ModbusMode, "MODBUS", "modbusModeAction");
    QMenu* powerMode = m_paramMenu->addMenu(QStringLiteral("省电模式设置"));
    add(powerMode, Command::NormalMode, "普通模式", "normalModeAction");
    add(powerMode, Command::PowerSavingMode, "省电模式", "powerSavingModeAction");
    add(m_paramMenu, Command::SetFrequency, "频率设置...", "frequencyAction");
    add(m_paramMenu, Command::SetSerialFormat, "串口格式设置", "serialFormatAction");
    m_paramMenu->addSeparator();
    add(m_paramMenu, Command::SetSleepPeriod, "睡眠周期设置", "sleepPeriodAction");
    add(m_paramMenu, Command::SetSaveAddress, "省电地址设置", "saveAddressAction");
    add(m_paramMenu, Command::SetWakeDelay, "唤醒延时设置", "wakeDelayAction");
    m_paramMenu->addSeparator();
    add(m_paramMenu, Command::SetPassiveAddress, "被动地址设置", "passiveAddressAction");
    m_paramMenu->addSeparator();
    add(m_paramMenu, Command::SetGroup, "组号设置", "groupAction");
    add(m_paramMenu, Command::SetWireless, "无线参数设置", "wirelessAction");
    m_paramMenu->addSeparator();
    add(m_paramMenu, Command::ProductionMode, "生产参数设置", "productionAction");

    add(m_commMenu, Command::ClosePort, "关闭串口", "closePortAction");
    add(m_commMenu, Command::OpenPort, "打开串口", "openPortAction");

    add(m_helpMenu, Command::HelpDocument, "帮助文档", "helpAction");
    add(m_helpMenu, Command::HomePage, "公司主页", "homePageAction");
    m_helpMenu->addSeparator();
    add(m_helpMenu, Command::About, "关于", "aboutAction");

    // The reason a blocked entry gives is its tip.
    for (QMenu* menu : {m_fileMenu, m_paramMenu, serialMode, powerMode, m_commMenu})
        menu->setToolTipsVisible(true);
}

QAction* CommandActions::add(QMenu* menu, Command command, const char* caption, const char* name) {
    auto* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    m_actions[Index(command)] = action;
    connect(action, &QAction::triggered, this, [this, command] { emit triggered(command); });
    return action;
}

QAction* CommandActions::action(Command command) const {
    return m_actions[Index(command)];
}

void CommandActions::setAvailable(Command command, bool on) {
    m_available[Index(command)] = on;
    update(command);
}

void CommandActions::setBusy(const QString& why) {
    m_busyWhy = why;
    for (std::size_t i = 0; i < kCount; ++i)
        update(static_cast<Command>(i));
}

bool CommandActions::usable(Command command) const {
    return m_available[Index(command)] && (m_busyWhy.isEmpty() || UsableWhileBusy(command));
}

void CommandActions::update(Command command) {
    QAction* action = m_actions[Index(command)];
    if (!action)
        return;
    const bool blocked = !m_busyWhy.isEmpty() && !UsableWhileBusy(command);
    action->setEnabled(usable(command));
    action->setToolTip(blocked ? m_busyWhy : QString());
}

} // namespace tmx7
