#pragma once
// The link to the module as the user drives it: the serial settings dialog
// once the window is up, the start-up connection after a module was found
// (at once after "确定", a second after a detection), and "打开串口" and
// "关闭串口", which also switch the commands that need a port. An adapter
// pulled out greys them like "关闭串口"; when the engine has it back (open
// again with the same baud rate and format) they come back as after
// "打开串口", and the engine's refresh blocks the other commands.

#include "protocol/Events.h"

#include <QObject>
#include <QTimer>

#include <optional>

class QWidget;

namespace tmx7 {

class PortDirectory;
class Session;
class CommandActions;
namespace gui {
class QtEventSink;
}

class Connection : public QObject {
    Q_OBJECT
public:
    struct Choice {
        std::optional<int> port; // preselected in the settings dialog
        std::optional<int> baud;
    };

    Connection(Session& session, gui::QtEventSink& events, CommandActions& actions,
               PortDirectory& ports, QWidget* window);

    // Shows the settings dialog once the window's event loop runs.
    void start(const Choice& choice);
    void openPort();
    void closePort();
    // The engine's events in order: a module found, then its probe's end; a
    // port lost and back.
    void onEvent(const Event& event);

signals:
    void exitProgram(); // "取消" in the settings dialog

private:
    void showSettings();
    // Posts the switch of the commands that need a port; on again leaves
    // those that follow the module's modes to the refresh.
    void switchPortCommands(bool on);

    Session& m_session;
    gui::QtEventSink& m_events;
    CommandActions& m_actions;
    PortDirectory& m_ports;
    QWidget* m_window;
    Choice m_choice;
    QTimer m_settingsTimer;
    QTimer m_connectTimer;
    std::optional<int> m_connectDelayMs; // found; connect once the probe has ended
};

} // namespace tmx7
