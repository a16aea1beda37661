#pragma once
// The choice dialogs of the parameter menu: each button stands for one value
// and closes the dialog. The caller constructs one on its stack, runs
// DoModal() and acts only on the choices it knows; 0 always means cancelled.
//
// No push button here turns into the default when it gets the focus, so
// Enter, like Escape and the close box, closes with 0 and never presses a
// focused button by accident.

#include "gui/TemplateDialog.h"
#include "settings/DialogModels.h"

#include <span>

namespace tmx7 {

// Shared run of the choice dialogs: the choice is reset when the run starts
// and set only by the dialog's own buttons.
class CChoiceDlg : public gui::TemplateDialog {
public:
    // Runs the dialog modally and returns the choice (not the window
    // system's OK/Cancel code).
    int DoModal();
    int Choice() const { return m_nChoice; }

protected:
    CChoiceDlg(int dialogId, std::span<const ChoiceButton> buttons, QWidget* parent);
    // Choice buttons set the choice and close; IDOK (Enter) and IDCANCEL
    // (Escape, close box) close with the choice untouched.
    void OnCommand(int id, int code) override;
    void Close(int choice);

    int m_nChoice = 0;

private:
    std::span<const ChoiceButton> m_buttons;
};

// 149 "串口模式": 1 active, 2 passive, 3 MODBUS, 0 cancelled.
class CSerialModeDlg : public CChoiceDlg {
public:
    explicit CSerialModeDlg(QWidget* parent = nullptr);
};

// 150 "省电模式": 1 normal, 2 power saving, 0 cancelled.
class CPowerModeDlg : public CChoiceDlg {
public:
    explicit CPowerModeDlg(QWidget* parent = nullptr);
};

// 135 "频率设置": channel 1..17 (431.000 to 435.000 MHz in 250 kHz steps),
// 0 cancelled. DoModal() returns the channel too.
class CFrequencyDlg : public CChoiceDlg {
public:
    explicit CFrequencyDlg(QWidget* parent = nullptr);
    int Channel() const { return m_nChoice; }
};

// 132 "串口格式设置": DoModal() returns 2 (data format confirmed with a row
// of list 1025), 3 (baud rate confirmed with a row of list 1026) or 0. A
// confirm without a selected row closes as a cancel (0, SelectedRow() -1),
// so nothing is written and no restart is advised over it.
class CSerialFormatDlg : public CChoiceDlg {
public:
    explicit CSerialFormatDlg(QWidget* parent = nullptr);
    int Result() const { return m_nChoice; }
    // Row of the list that goes with Result(): a kSerialFormatEntries index
    // for 2, a kRateEntries index for 3; -1 when cancelled.
    int SelectedRow() const { return m_nRow; }
    int FormatIndex() const { return m_nChoice == 2 ? m_nRow : -1; }
    int BaudIndex() const { return m_nChoice == 3 ? m_nRow : -1; }

protected:
    void OnCommand(int id, int code) override;

private:
    int m_nRow = -1;
};

// 133 "无线参数设置": 2 = transmit power "设置", 3 = air rate "设置", 0
// cancelled. Both lists start on row 0, so a "设置" without touching a list
// gives level 0 or 1200bps. The caller copies TxPowerIndex() and
// AirRateIndex() into its own members after the run.
class CWirelessDlg : public CChoiceDlg {
public:
    explicit CWirelessDlg(QWidget* parent = nullptr);
    int TxPowerIndex() const { return m_model.txPowerIndex; } // 0..7
    int AirRateIndex() const { return m_model.airRateIndex; } // 0..6, kRateEntries

protected:
    void OnCommand(int id, int code) override;

private:
    WirelessModel m_model;
};

} // namespace tmx7
