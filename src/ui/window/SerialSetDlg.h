#pragma once
// The serial settings dialog shown at start-up: the user picks a port and a
// baud rate and confirms, or lets the tool try every baud rate. The probing
// itself is SerialSetup's; this class is its window.

#include "link/PortTable.h"
#include "protocol/SerialSetup.h"

#include "gui/InputGate.h"
#include "gui/TemplateDialog.h"
#include "gui/UiClock.h"
#include "platform/Clock.h"
#include "platform/PortDirectory.h"

#include <QString>

#include <optional>
#include <vector>

namespace tmx7 {

// One row of the port list: what the user reads and the number it stands for.
struct PortListRow {
    int number = 0;
    QString text; // "COM3  /dev/ttyUSB0  (USB Serial)"
};

// Rows for the ports found, in natural order (COM2 before COM10).
std::vector<PortListRow> PortListRows(std::vector<PortInfo> ports);
// "COM2" < "COM10": digit runs compare by value, everything else by character.
bool NaturalLess(const QString& a, const QString& b);

class CSerialSetDlg : public gui::TemplateDialog {
    Q_OBJECT
public:
    // Result of the "取消" button: the user wants the program to end.
    static constexpr int kExitProgram = 1000;

    // `clock` is the time base of the waits (RealClock in the program, a
    // virtual clock in tests); the dialog keeps its window alive on top of it.
    CSerialSetDlg(CPortTable& table, Clock& clock, QWidget* parent = nullptr);
    ~CSerialSetDlg() override;

    // Selects the list rows for a port number and a baud rate given on the
    // command line. A port not in the list is still the one used when the
    // list is empty.
    void Preselect(std::optional<int> port, std::optional<int> baud);

    // IDOK once connected; IDCANCEL when closed without a port (close box,
    // Escape, Enter with no button focused); kExitProgram for "取消".
    int DoModal();
    const SetupResult& Result() const { return m_result; }

    // The directory the port list is read from; tests give their own.
    void SetPortDirectory(PortDirectory& directory);

protected:
    void OnCommand(int id, int code) override;
    bool PreTranslate(QWidget* target, QEvent* event) override;

private:
    void FillPortList();
    void ReadPortChoice();
    void OnConfirm();
    void OnAutoDetect();
    void Finish(const SetupResult& result);

    CPortTable& m_table;
    gui::InputGate m_gate;
    gui::UiClock m_clock;
    PortDirectory* m_directory;
    SetupResult m_result;
    int m_comPort = 1; // used when the list offers nothing to choose
    int m_baud = 9600;
    bool m_busy = false;
    bool m_ended = false;
};

} // namespace tmx7
