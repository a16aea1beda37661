#pragma once
// "串口设置", shown at start-up: the user picks a port and a baud rate and
// either confirms ("确定": the format probe at that baud rate) or lets the
// engine try every baud rate ("自动检测"). Both run on the engine's worker;
// the dialog stays responsive, shows each failed baud rate of a detection in
// its title, and learns the end from the engine's events:
//   - Connected: the dialog closes with Accepted;
//   - SequenceFinished with a failed outcome: its detail (the engine's
//     "串口设置失败，请重新设置" / "串口检测失败，请重新检测"; empty when an open
//     failure was already told) in a message box, and the dialog stays.
// While a try runs, "确定", "自动检测" and the lists are disabled; a close
// (Escape, the close box) waits for the try's end. "取消" ends the program.
// PortsChanged reads the port list again; the chosen row stays chosen.
//
//     CSerialSetDlg dlg(session, events, PortDirectory::System(), this);
//     const int r = dlg.exec();      // Accepted, Rejected or ExitProgram
//     session.SetLink(dlg.link());   // kept after every end

#include "settings/Session.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QPushButton;

namespace tmx7 {

namespace gui {
class QtEventSink;
}

// The two tries, each started on the engine's worker and answered through
// its events; false when nothing was started (another sequence runs).
struct SerialProbes {
    std::function<bool(int port, int baud)> probe; // "确定"
    std::function<bool(int port)> detect;          // "自动检测"
};

class CSerialSetDlg : public QDialog {
    Q_OBJECT
public:
    // exec() result of "取消": the user wants the program to end.
    static constexpr int ExitProgram = 2;

    // The program's dialog: tries through Session::Probe and Session::Detect,
    // starting from the session's link.
    CSerialSetDlg(Session& session, gui::QtEventSink& events, PortDirectory& ports,
                  QWidget* parent = nullptr);
    CSerialSetDlg(SerialProbes probes, gui::QtEventSink& events, PortDirectory& ports,
                  LinkChoice start = {}, QWidget* parent = nullptr);

    // Selects the rows of a port number and a baud rate given on the command
    // line. A port not in the list is still the one used while the list
    // offers nothing to choose.
    void preselect(std::optional<int> port, std::optional<int> baud);

    // The link to keep, whichever way the dialog ended: after Connected the
    // module's port, baud rate and format; after a failed "确定" the port and
    // baud rate chosen in the lists; after a failed detection that port and
    // the last baud rate tried; the starting link where nothing was tried.
    LinkChoice link() const { return m_link; }
    // When the start-up connection should run after Connected (0 after
    // "确定", 1000 ms after a detection).
    int connectDelayMs() const { return m_connectDelayMs; }

    // Escape and the close box: at once, or at the end of a running try.
    void reject() override;

protected:
    // Enter presses the focused button, or closes like Escape when no
    // button has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Try { None, Probe, Detect };

    void fillPortList();
    void readPortChoice();
    void onConfirm();
    void onDetect();
    void onEvents(const std::vector<Event>& events);
    void tryEnded(const Outcome& outcome);
    void setBusy(bool busy);

    SerialProbes m_probes;
    PortDirectory& m_ports;
    LinkChoice m_link;
    int m_connectDelayMs = 0;
    Try m_running = Try::None;
    bool m_closePending = false;
    QComboBox* m_portList;
    QComboBox* m_baudList;
    QPushButton* m_okButton;
    QPushButton* m_detectButton;
    QPushButton* m_cancelButton;
};

} // namespace tmx7
