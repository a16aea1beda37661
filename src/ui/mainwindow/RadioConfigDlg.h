#pragma once
// The main window: the product column on the left, the data test panel
// over the production controls and the parameter pages on the right, the
// menu bar and the three-pane status bar. It owns the Session (the engine)
// and the small parts below, hands the engine's events to them in order,
// and keeps every command that would start a second sequence off while one
// runs. A close while a sequence runs waits for its end, so a module is
// never left half-configured; Enter and Escape never end the program. An
// adapter pulled out is waited for, and taken up again when it returns.

#include "gui/QtEventSink.h"
#include "protocol/Events.h"
#include "ui/mainwindow/Connection.h"

#include <QMainWindow>

#include <memory>

namespace tmx7 {

class Clock;
class CommandActions;
class LinkMemory;
class DataTestPanel;
class ParameterCommands;
class ParameterPages;
class PortDirectory;
class ProductionPanel;
class Session;
class StatusPanes;

struct MainWindowOptions {
    Clock* clock = nullptr;         // the real clock when null
    PortDirectory* ports = nullptr; // the system's ports when null
    Connection::Choice choice;      // preselected in the settings dialog
    LinkMemory* links = nullptr;    // the pair that worked per adapter; null: none kept
};

class CRadioConfigDlg : public QMainWindow {
    Q_OBJECT
public:
    explicit CRadioConfigDlg(const MainWindowOptions& options = {}, QWidget* parent = nullptr);
    ~CRadioConfigDlg() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The right button over the window's own surface offers the "文件" menu.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onEvents(const std::vector<Event>& events);
    void apply(const Event& event);
    void onCommand(Command command);
    void onBusyChanged(bool busy);
    void exitProgram();

    gui::QtEventSink m_events; // outlives the session, which posts to it
    std::unique_ptr<Session> m_session;
    CommandActions* m_actions;
    StatusPanes* m_status;
    ParameterPages* m_pages;
    DataTestPanel* m_panel;
    ProductionPanel* m_production;
    ParameterCommands* m_commands;
    Connection* m_connection;
    bool m_closePending = false;
    bool m_exitPending = false;
};

} // namespace tmx7
