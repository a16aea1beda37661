#include "settings/dialogs/ScrollDlgs.h"

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"

#include <QLineEdit>
#include <QScrollBar>

namespace tmx7 {
namespace {

// The window layer reports the bar's top arrow as kScrollLineUp and its
// bottom arrow as kScrollLineDown whatever Qt does with the value; the
// dialogs' upper arrow raises the value.
ScrollRequest RequestOf(int code) {
    switch (code) {
    case gui::kScrollLineUp:
        return ScrollRequest::LineUp;
    case gui::kScrollLineDown:
        return ScrollRequest::LineDown;
    default:
        return ScrollRequest::Track; // page, thumb, wheel: no movement
    }
}

// A Qt bar grows downwards; the value here grows upwards, so the bar shows
// the mirrored position and its thumb rises with the value.
void ShowOnBar(QScrollBar* bar, const ScrollModel& m) {
    if (!bar)
        return;
    bar->setRange(m.minimum, m.maximum);
    bar->setSingleStep(m.step);
    bar->setValue(m.maximum + m.minimum - m.position);
}

void ShowText(gui::TemplateDialog& dlg, int id, const std::string& text) {
    dlg.SetText(id, QString::fromStdString(text));
}

} // namespace

// ---------------------------------------------------------------------------

CSleepPeriodDlg::CSleepPeriodDlg(QWidget* parent)
    : gui::TemplateDialog(res::IDD_SLEEP_PERIOD, parent) {
    ShowOnBar(ScrollBar(res::IDC_SLEEP_SCROLL), m_model.Scroll());
    ShowText(*this, res::IDC_SLEEP_VALUE, m_model.Text());
}

int CSleepPeriodDlg::DoModal() {
    gui::TemplateDialog::DoModal();
    return m_model.Choice();
}

bool CSleepPeriodDlg::Validate() {
    // A copy judges the value, so Enter can run the check without turning
    // the run into choice 1.
    SleepPeriodModel probe = m_model;
    if (const auto prompt = probe.Ok()) {
        gui::MessageBox(this, QString::fromStdString(*prompt), {},
                        gui::MB_OK | gui::MB_ICONWARNING);
        if (QWidget* edit = Control(res::IDC_SLEEP_VALUE))
            edit->setFocus();
        return false;
    }
    return true;
}

void CSleepPeriodDlg::OnCommand(int id, int code) {
    if (id == res::IDC_SLEEP_SCROLL) {
        if (m_model.Scroll().Apply(RequestOf(code)))
            ShowText(*this, res::IDC_SLEEP_VALUE, m_model.Text());
        ShowOnBar(ScrollBar(id), m_model.Scroll());
        return;
    }
    if (code != gui::kClicked)
        return;
    switch (id) {
    case res::IDC_SLEEP_OK:
        if (Validate()) {
            (void)m_model.Ok(); // passes: sets choice 1
            EndDialog(res::IDOK);
        }
        return;
    case res::IDC_SLEEP_CANCEL:
        m_model.Cancel();
        EndDialog(res::IDCANCEL);
        return;
    case res::IDOK: // Enter: the window system's OK, which checks but sets no choice
        if (Validate())
            EndDialog(res::IDOK);
        return;
    case res::IDCANCEL:
        EndDialog(res::IDCANCEL);
        return;
    default:
        return;
    }
}

// ---------------------------------------------------------------------------

CWakeDelayDlg::CWakeDelayDlg(QWidget* parent) : gui::TemplateDialog(res::IDD_WAKE_DELAY, parent) {
    ShowOnBar(ScrollBar(res::IDC_WAKE_SCROLL), m_model.Scroll());
    ShowText(*this, res::IDC_WAKE_VALUE, m_model.Text());
}

void CWakeDelayDlg::OnCommand(int id, int code) {
    if (id == res::IDC_WAKE_SCROLL) {
        if (m_model.Scroll().Apply(RequestOf(code)))
            ShowText(*this, res::IDC_WAKE_VALUE, m_model.Text());
        ShowOnBar(ScrollBar(id), m_model.Scroll());
        return;
    }
    if (code != gui::kClicked)
        return;
    // Every position of the bar lies inside 0.3..19660.5, so OK always closes.
    if (id == res::IDC_WAKE_OK || id == res::IDOK)
        EndDialog(res::IDOK);
    else if (id == res::IDC_WAKE_CANCEL || id == res::IDCANCEL)
        EndDialog(res::IDCANCEL);
}

// ---------------------------------------------------------------------------

CPassiveAddrDlg::CPassiveAddrDlg(QWidget* parent)
    : gui::TemplateDialog(res::IDD_PASSIVE_ADDR, parent) {
    ShowOnBar(ScrollBar(res::IDC_PASSIVE_SCROLL), m_model.Scroll());
    ShowText(*this, res::IDC_PASSIVE_VALUE, m_model.Text());
}

void CPassiveAddrDlg::OnCommand(int id, int code) {
    if (id == res::IDC_PASSIVE_SCROLL) {
        if (m_model.Scroll().Apply(RequestOf(code)))
            ShowText(*this, res::IDC_PASSIVE_VALUE, m_model.Text());
        ShowOnBar(ScrollBar(id), m_model.Scroll());
        return;
    }
    if (code != gui::kClicked)
        return;
    // Two hex digits always fit the two-character limit.
    if (id == res::IDC_PASSIVE_OK || id == res::IDOK)
        EndDialog(res::IDOK);
    else if (id == res::IDC_PASSIVE_CANCEL || id == res::IDCANCEL)
        EndDialog(res::IDCANCEL);
}

} // namespace tmx7
