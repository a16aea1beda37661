#pragma once
// The link to the module as the user drives it: the serial settings dialog
// shown once the window is up, the start-up connection that follows a found
// module (at once after "确定", a second after a detection), and the menu's
// "打开串口" and "关闭串口", which also switch the commands that need a port.

#include "protocol/Events.h"

#include <QObject>
#include <QTimer>

#include <optional>

class QWidget;

namespace tmx7 {

class PortDirectory;
class Session;
class SequenceRunner;
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

    Connection(Session& session, gui::QtEventSink& events, SequenceRunner& runner,
               PortDirectory& ports, QWidget* window);

    // Shows the settings dialog once the window's event loop runs.
    void start(const Choice& choice);
    void openPort();
    void closePort();
    // The engine's events, in order (a found module and the probe's end).
    void onEvent(const Event& event);

signals:
    // "取消" in the settings dialog: the program ends at once.
    void exitProgram();

private:
    void showSettings();
    void connectNow();

    Session& m_session;
    gui::QtEventSink& m_events;
    SequenceRunner& m_runner;
    PortDirectory& m_ports;
    QWidget* m_window;
    Choice m_choice;
    QTimer m_settingsTimer;
    QTimer m_connectTimer;
    std::optional<int> m_connectDelayMs; // a module was found; connect once its probe ends
};

} // namespace tmx7
