// The main window's "参数设置" menu, double-click editing, the parameter file
// commands of "文件", the download of a whole set and the production mode.
//
// A set command runs its dialog first, with the window's input free, and only
// then starts the sequence (write, wait, refresh) with input held; a command
// that comes while another sequence runs is dropped before its dialog opens.

#include "ui/window/RadioConfigDlg.h"

#include "gui/MessageBox.h"
#include "protocol/Settle.h"
#include "res/ResourceIds.h"
#include "settings/Download.h"
#include "settings/ParamTransfer.h"
#include "settings/dialogs/ChoiceDlgs.h"
#include "settings/dialogs/PasswordDlg.h"
#include "settings/dialogs/ScrollDlgs.h"
#include "settings/dialogs/TypedDlgs.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace tmx7 {

namespace {

QString U(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

Command CommandForId(int id) {
    for (int i = 0; i < static_cast<int>(std::size(res::kCommandIds)); ++i)
        if (res::kCommandIds[i] == id)
            return static_cast<Command>(i);
    return Command::Refresh;
}

} // namespace

template <class D> int CRadioConfigDlg::RunDialog(D& dlg) {
    if (m_dialogDriver) {
        // Runs inside the dialog's own modal loop, once it is up.
        QTimer::singleShot(0, &dlg, [this, &dlg] { m_dialogDriver(dlg); });
    }
    return dlg.DoModal();
}

// ---------------------------------------------------------------------------
// Set commands

void CRadioConfigDlg::RunSetCommand(const SetPlan& plan) {
    if (plan.Cancelled() || Closed())
        return;
    Outcome result;
    const bool ran = RunSequence([&] {
        result = RunSetPlan(plan, PortTable(), ComPort(), SequenceClock(), Sink(), SequenceStop());
        if (result.ok() && plan.refreshAfter)
            RefreshParameters();
    });
    if (!ran || Closed() || !result.ok() || !plan.restartAdvice)
        return;
    // The program's own line no longer matches the module's: the user is
    // told to start again, and the window ends through its close path.
    gui::MessageBox(this, U(kRestartAdviceText), U(kRestartAdviceCaption));
    close();
}

void CRadioConfigDlg::OnSerialModeCommand(int commandId) {
    if (!SequenceRunning())
        RunSetCommand(PlanModeCommand(CommandForId(commandId)));
}

void CRadioConfigDlg::OnPowerModeCommand(int commandId) {
    if (!SequenceRunning())
        RunSetCommand(PlanModeCommand(CommandForId(commandId)));
}

void CRadioConfigDlg::RunSerialModeChoice() {
    CSerialModeDlg dlg(this);
    RunSetCommand(PlanSerialMode(RunDialog(dlg)));
}

void CRadioConfigDlg::RunPowerModeChoice() {
    CPowerModeDlg dlg(this);
    RunSetCommand(PlanPowerMode(RunDialog(dlg)));
}

void CRadioConfigDlg::OnParameterDialog(int commandId) {
    if (SequenceRunning() || Closed())
        return;
    switch (CommandForId(commandId)) {
    case Command::SetFrequency: {
        CFrequencyDlg dlg(this);
        RunDialog(dlg);
        RunSetCommand(PlanSetFrequency(dlg.Channel()));
        return;
    }
    case Command::SetSerialFormat: {
        CSerialFormatDlg dlg(this);
        RunDialog(dlg);
        // A confirm without a row comes back as a cancel: nothing written,
        // no advice, no close.
        RunSetCommand(PlanSetSerialFormat(dlg.Result(), dlg.SelectedRow()));
        return;
    }
    case Command::SetSleepPeriod: {
        CSleepPeriodDlg dlg(this);
        const int choice = RunDialog(dlg);
        RunSetCommand(PlanSetSleepPeriod(choice, dlg.Period()));
        return;
    }
    case Command::SetSaveAddress: {
        CSaveAddrDlg dlg(this);
        if (RunDialog(dlg) == res::IDOK)
            RunSetCommand(PlanSetSaveAddress(dlg.Text()));
        return;
    }
    case Command::SetWakeDelay: {
        CWakeDelayDlg dlg(this);
        if (RunDialog(dlg) == res::IDOK)
            RunSetCommand(PlanSetWakeDelay(dlg.Count()));
        return;
    }
    case Command::SetPassiveAddress: {
        CPassiveAddrDlg dlg(this);
        if (RunDialog(dlg) == res::IDOK)
            RunSetCommand(PlanSetPassiveAddress(dlg.Text()));
        return;
    }
    case Command::SetGroup: {
        CGroupDlg dlg(this);
        if (RunDialog(dlg) == res::IDOK)
            RunSetCommand(PlanSetGroup(dlg.Text()));
        return;
    }
    case Command::SetWireless: {
        CWirelessDlg dlg(this);
        const int choice = RunDialog(dlg);
        if (choice == 0)
            return;
        m_nTxPowerIndex = dlg.TxPowerIndex();
        m_nAirRateIndex = dlg.AirRateIndex();
        RunSetCommand(PlanSetWireless(choice, m_nTxPowerIndex, m_nAirRateIndex));
        return;
    }
    case Command::ProductionMode:
        OnProductionMode();
        return;
    default:
        return;
    }
}

// ---------------------------------------------------------------------------
// Double-click editing

void CRadioConfigDlg::OnValueDoubleClick(QPoint clientPos) {
    if (SequenceRunning() || Closed())
        return;
    const QString caption = TabText(kTabs, TabCurSel(kTabs));
    std::vector<EditAction> actions;
    for (const FieldInfo& f : kFields) {
        const auto command = CommandOf(f.edit);
        if (!command || U(PageOf(f.page).caption) != caption)
            continue;
        // Strictly inside: a point on the border line is outside.
        const QRect r = ControlRect(res::ControlFor(f.field));
        if (!(r.left() < clientPos.x() && clientPos.x() < r.right() + 1 &&
              r.top() < clientPos.y() && clientPos.y() < r.bottom() + 1))
            continue;
        if (Menu() && !Menu()->IsEnabled(res::IdFor(*command)))
            continue;
        actions.push_back(f.edit);
    }
    for (EditAction a : actions) {
        if (Closed())
            return;
        switch (a) {
        case EditAction::SerialModeChoice:
            RunSerialModeChoice();
            break;
        case EditAction::PowerModeChoice:
            RunPowerModeChoice();
            break;
        default:
            OnParameterDialog(res::IdFor(*CommandOf(a)));
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Parameter file and download

void CRadioConfigDlg::OnExportParams() {
    // The file is written inside the sequence once the module's answers have
    // settled (every awaited answer in, or silence), not from a fixed 2 s
    // timer: a power-saving module at 1200 baud answers its last follow-ups
    // well after that. Timer 8 stays for anything that still arms it.
    RunSequence([this] {
        if (!RefreshParameters())
            return;
        // The decoder takes no packet while it pauses after each of its
        // follow-up queries, so a chain of them looks like silence with an
        // answer missing. While its list of awaited answers keeps changing it
        // is still at work: wait on, up to the rule's maximum in all.
        const SettleRule rule;
        Millis waited{0};
        SettleRule next = rule;
        for (;;) {
            const std::size_t before = Shared().AwaitedCount();
            bool complete = false;
            waited += WaitForAnswersToSettle(SequenceClock(), Shared(), BaudRate(), SequenceStop(),
                                             next, &complete);
            if (SequenceStop()->requested())
                return;
            if (complete || waited >= rule.maximum || Shared().AwaitedCount() == before)
                break;
            next.minimum = Millis(0);
            next.maximum = rule.maximum - waited;
        }
        // The decoder's last updates are queued to this thread: apply them
        // before the display is copied.
        QCoreApplication::processEvents();
        WriteParameterFile();
    });
}

void CRadioConfigDlg::WriteParameterFile() {
    std::array<std::string, kFieldCount> shown;
    for (const FieldInfo& f : kFields)
        shown[static_cast<std::size_t>(f.field)] = Text(res::ControlFor(f.field)).toStdString();
    const ParamSet params = ParamsFromDisplay(shown, Shared().Params());
    const ParamExportResult r = ExportParamFile(params, m_strParamFilePath);
    SetPaneText(kFileStatusPane, U(ExportStatusText(r)));
}

void CRadioConfigDlg::OnImportParams() {
    if (SequenceRunning() || Closed())
        return;
    const ParamImportResult imported = ImportParamFile(m_strParamFilePath);
    const std::string text =
        Shared().With([&](DecoderState& st) { return ImportIntoParams(st.params, imported); });
    SetPaneText(kFileStatusPane, U(text));
}

void CRadioConfigDlg::OnDownloadParams() {
    if (SequenceRunning() || Closed())
        return;
    // Every frame comes from this copy: answers decoded during the half
    // minute of the download cannot change what is written.
    const DownloadPlan plan = BuildDownload(Shared().Params());
    RunSequence([&] {
        if (RunDownload(plan, PortTable(), ComPort(), SequenceClock(), Sink(), SequenceStop()).ok())
            RefreshParameters();
    });
}

// ---------------------------------------------------------------------------
// Production mode

void CRadioConfigDlg::OnProductionMode() {
    bool accepted = false;
    if (m_production.NeedsCode()) {
        CPasswordDlg dlg(this);
        accepted = RunDialog(dlg) == res::IDOK;
    }
    const bool wasOn = m_production.On();
    if (m_production.Toggle(accepted) != wasOn)
        for (int id : {1040, 1041, 1042, 1028, 1134, 1133, 1135})
            Show(id, m_production.On());
    m_bProductionMode = m_production.On();
}

void CRadioConfigDlg::OnProductionButton(int controlId) {
    if (!m_production.On() || SequenceRunning() || Closed())
        return;
    switch (controlId) {
    case res::IDC_TRANSMIT_0101:
        if (m_production.Transmit0101(PortTable(), ComPort()) == WriteStatus::Queued)
            Show(res::IDC_TX_INDICATOR, true);
        break;
    case res::IDC_STOP_0101:
        if (m_production.StopTransmit0101(PortTable(), ComPort()) == WriteStatus::Queued)
            Show(res::IDC_TX_INDICATOR, false);
        break;
    case res::IDC_SIGNAL_STRENGTH:
        (void)m_production.SignalStrength(PortTable(), ComPort());
        break;
    case res::IDC_SEND_CALIBRATION: {
        m_strCalibA = Text(res::IDC_CALIBRATION_A).toStdString();
        m_strCalibB = Text(res::IDC_CALIBRATION_B).toStdString();
        const CalibrationOutcome out =
            m_production.Calibrate(PortTable(), ComPort(), m_strCalibA, m_strCalibB);
        if (out.message)
            gui::MessageBox(this, U(*out.message));
        break;
    }
    default:
        break;
    }
}

} // namespace tmx7
