#include "settings/dialogs/ChoiceDlgs.h"

#include "res/ResourceIds.h"

namespace tmx7 {

CChoiceDlg::CChoiceDlg(int dialogId, std::span<const ChoiceButton> buttons, QWidget* parent)
    : gui::TemplateDialog(dialogId, parent), m_buttons(buttons) {}

int CChoiceDlg::DoModal() {
    m_nChoice = 0;
    gui::TemplateDialog::DoModal();
    return m_nChoice;
}

void CChoiceDlg::Close(int choice) {
    m_nChoice = choice;
    EndDialog(choice == 0 ? res::IDCANCEL : res::IDOK);
}

void CChoiceDlg::OnCommand(int id, int code) {
    if (code != gui::kClicked)
        return;
    if (id == res::IDOK || id == res::IDCANCEL) {
        EndDialog(res::IDCANCEL);
        return;
    }
    for (const ChoiceButton& b : m_buttons) {
        if (b.controlId == id) {
            Close(b.choice);
            return;
        }
    }
}

CSerialModeDlg::CSerialModeDlg(QWidget* parent)
    : CChoiceDlg(res::IDD_SERIAL_MODE, kSerialModeButtons, parent) {}

CPowerModeDlg::CPowerModeDlg(QWidget* parent)
    : CChoiceDlg(res::IDD_POWER_MODE, kPowerModeButtons, parent) {}

CFrequencyDlg::CFrequencyDlg(QWidget* parent)
    : CChoiceDlg(res::IDD_FREQUENCY, kFrequencyButtons, parent) {}

// ---------------------------------------------------------------------------

CSerialFormatDlg::CSerialFormatDlg(QWidget* parent)
    : CChoiceDlg(res::IDD_SERIAL_FORMAT, {}, parent) {
    for (std::string_view s : kSerialFormatEntries)
        AddString(res::IDC_SERFMT_FORMAT_LIST, QString::fromUtf8(s.data(), qsizetype(s.size())));
    for (std::string_view s : kRateEntries)
        AddString(res::IDC_SERFMT_BAUD_LIST, QString::fromUtf8(s.data(), qsizetype(s.size())));
    // No row is selected at first: a confirm must be a deliberate choice.
    SetCurSel(res::IDC_SERFMT_FORMAT_LIST, -1);
    SetCurSel(res::IDC_SERFMT_BAUD_LIST, -1);
}

void CSerialFormatDlg::OnCommand(int id, int code) {
    if (code != gui::kClicked)
        return;
    int list = 0;
    if (id == res::IDC_SERFMT_FORMAT_OK)
        list = res::IDC_SERFMT_FORMAT_LIST;
    else if (id == res::IDC_SERFMT_BAUD_OK)
        list = res::IDC_SERFMT_BAUD_LIST;
    if (list != 0) {
        const SerialFormatChoice c = SerialFormatConfirm(id, CurSel(list));
        m_nRow = c.result == 0 ? -1 : c.index;
        Close(c.result);
        return;
    }
    if (id == res::IDC_SERFMT_FORMAT_CANCEL || id == res::IDC_SERFMT_BAUD_CANCEL) {
        m_nRow = -1;
        Close(0);
        return;
    }
    CChoiceDlg::OnCommand(id, code);
}

// ---------------------------------------------------------------------------

CWirelessDlg::CWirelessDlg(QWidget* parent)
    : CChoiceDlg(res::IDD_WIRELESS, kWirelessButtons, parent) {
    for (std::string_view s : kTxPowerEntries)
        AddString(res::IDC_WIRELESS_POWER_LIST, QString::fromUtf8(s.data(), qsizetype(s.size())));
    for (std::string_view s : kRateEntries)
        AddString(res::IDC_WIRELESS_RATE_LIST, QString::fromUtf8(s.data(), qsizetype(s.size())));
    SetCurSel(res::IDC_WIRELESS_POWER_LIST, 0);
    SetCurSel(res::IDC_WIRELESS_RATE_LIST, 0);
    m_model = {};
}

void CWirelessDlg::OnCommand(int id, int code) {
    if (code == gui::kSelChange) {
        if (id == res::IDC_WIRELESS_POWER_LIST)
            m_model.SelectTxPower(CurSel(id));
        else if (id == res::IDC_WIRELESS_RATE_LIST)
            m_model.SelectAirRate(CurSel(id));
        return;
    }
    CChoiceDlg::OnCommand(id, code);
}

} // namespace tmx7
