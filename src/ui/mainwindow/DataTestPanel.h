#pragma once
// The data test bench of the main window: "接收区" with "读数据" and
// "判断内存", "发送区" with "连续发送" and "发送", the nine preset lines a
// double-click on the send area shows, continuous send with its two dialogs,
// and the user and standard data with their menu entries.
//
// The receive area shows what the decoder makes of the module's bytes, or,
// with "时间戳显示", one stamped line per packet received and frame sent.
// Both are kept while the other shows, and a double-click clears both. A
// lost port and its return are marked in them. "保存接收区..." writes what
// shows to a file; "记录到日志文件..." keeps every packet in a log until it
// is switched off, which clearing the area does not touch.
//
// Data leaves through Session::SendData, framed for the module's serial mode
// as the engine last decoded it; whatever the port does not take, and every
// send the panel refuses, is said through statusMessage(). Nothing here waits
// for the line.
//
// The main window creates it with the session, routes the engine's events
// to applyEvents(), shows statusMessage() in the status bar's second pane
// and puts the panel's actions in its menus:
//
//     auto* data = new DataTestPanel(session, this);
//     connect(&sink, &gui::QtEventSink::posted, data, &DataTestPanel::applyEvents);
//     connect(data, &DataTestPanel::statusMessage, activityPane, &QLabel::setText);
//     data->addDataActions(menuBar()->addMenu(QStringLiteral("数据设置")));
//     data->addStdLengthMenu(communicationMenu);

#include "protocol/Events.h"
#include "protocol/Fields.h"
#include "ui/ContinuousSend.h"
#include "ui/TestData.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFileDialog;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;

namespace tmx7 {

class ReceiveArea;
class SendArea;
class Session;

class DataTestPanel : public QWidget {
    Q_OBJECT
public:
    // Loads the user data from `userDataPath` (created with the default
    // text when missing) into the send area.
    explicit DataTestPanel(Session& session, QWidget* parent = nullptr,
                           std::string userDataPath = std::string(kUserDataFileName));
    ~DataTestPanel() override;

    // "编辑用户数据", "用户数据显示", "标准数据显示", then "时间戳显示",
    // "保存接收区...", "记录到日志文件..." (the menu "数据设置").
    void addDataActions(QMenu* menu) const;
    // The submenu "标准数据长度" with "192字节", "48字节", "20字节", the
    // length in use checked (in the menu "通信设置").
    QMenu* addStdLengthMenu(QMenu* menu) const;
    // Enables the button or action of a command the panel owns (the four
    // buttons, the three data entries, the three lengths); others are ignored.
    void setCommandEnabled(Command command, bool on);

    // A continuous run is on (its count display is open).
    bool continuousSendOpen() const { return m_countDialog != nullptr; }

public slots:
    // Received text, clears, button states and port losses; the rest is
    // left to the main window.
    void applyEvents(const std::vector<tmx7::Event>& events);

signals:
    // A text for the status bar's second pane.
    void statusMessage(const QString& text);
    // The ticks of the current continuous run (0 when none runs).
    void sendCountChanged(unsigned count);

private:
    void buildActions();
    void say(std::string_view text);
    // Writes a built send; a refusal or a write that failed is said. What
    // the port made of it, when it was written.
    std::optional<WriteStatus> sendBuilt(const SendResult& built);
    void onSend();
    void onReadData();
    void onCheckMemory();
    void onPresetButton(int line);
    void onReceiveDoubleClick();
    void onSendAreaDoubleClick();
    void onSendAreaEnter();
    void onEditUserData();
    void onShowUserData();
    void onShowStdData();
    void onStdLength(Command length);
    void showModelText();

    // A loss or a return of the port, on a line of its own in both areas.
    void mark(const QString& text);
    // Asks for a file to write, then hands its name to `chosen`.
    void askFile(const QString& name, bool append, void (DataTestPanel::*chosen)(const QString&));
    void saveReceived(const QString& path);
    void startTrafficLog(const QString& path);
    void onTrafficLog(bool on);

    void onContinuousSend();
    void startRun(const ContinuousSendChoice& choice);
    void onSendTick();
    // The count display went away: the run stops and its count goes to 0.
    void endRun();
    // The port is gone: no more ticks, the count stays on show.
    void haltRun();

    Session& m_session;
    TestDataModel m_testData;
    ContinuousSendTimers m_sendTimers;
    SendTimer m_runTimer = SendTimer::UserUntilStopped;
    // Ticks of the continuous send; one run at a time.
    QTimer m_continuousSendTimer;

    ReceiveArea* m_receiveArea;
    ReceiveArea* m_trafficArea; // the stamped lines
    QStackedWidget* m_receiveStack;
    SendArea* m_sendArea;
    QWidget* m_presetPanel;
    std::array<QLineEdit*, 9> m_presetLines{};
    QPushButton* m_readDataButton;
    QPushButton* m_checkMemoryButton;
    QPushButton* m_continuousSendButton;
    QPushButton* m_sendButton;

    QAction* m_editUserDataAction = nullptr;
    QAction* m_showUserDataAction = nullptr;
    QAction* m_showStdDataAction = nullptr;
    std::array<QAction*, 3> m_stdLengthActions{}; // 192, 48, 20 bytes, in menu order
    QAction* m_timestampAction = nullptr;
    QAction* m_saveReceivedAction = nullptr;
    QAction* m_trafficLogAction = nullptr;

    QPointer<QDialog> m_choiceDialog; // "连续发送数据" while open
    QPointer<QDialog> m_countDialog;  // "发送次数显示" while a run is on
    QPointer<QFileDialog> m_fileDialog;
};

} // namespace tmx7
