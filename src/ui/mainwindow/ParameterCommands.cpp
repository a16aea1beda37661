#include "ui/mainwindow/ParameterCommands.h"

#include "gui/Messages.h"
#include "gui/Text.h"
#include "settings/ParamTransfer.h"
#include "settings/Session.h"
#include "settings/SetCommands.h"
#include "ui/dialogs/FrequencyDlg.h"
#include "ui/dialogs/GroupDlg.h"
#include "ui/dialogs/PassiveAddrDlg.h"
#include "ui/dialogs/PowerModeDlg.h"
#include "ui/dialogs/SaveAddrDlg.h"
#include "ui/dialogs/SerialFormatDlg.h"
#include "ui/dialogs/SerialModeDlg.h"
#include "ui/dialogs/SleepPeriodDlg.h"
#include "ui/dialogs/WakeDelayDlg.h"
#include "ui/dialogs/WirelessDlg.h"
#include "ui/mainwindow/CommandActions.h"

#include <QMessageBox>

namespace tmx7 {

ParameterCommands::ParameterCommands(Session& session, CommandActions& actions,
                                     std::string paramFilePath, QWidget* window)
    : QObject(window), m_session(session), m_actions(actions),
      m_paramFilePath(std::move(paramFilePath)), m_window(window) {
    connect(&actions, &CommandActions::sequenceEnded, this, &ParameterCommands::ended);
}

// Opens `dialog` over the window and hands it to `then` once it is closed;
// the window's event loop runs on meanwhile (no nested loop).
template <class D, class Then> void ParameterCommands::ask(D* dialog, Then then) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog, then](int result) {
        m_dialog = nullptr;
        then(*dialog, result);
    });
    dialog->open();
}

void ParameterCommands::run(Command command) {
    if (m_dialog || m_actions.running())
        return;
    QWidget* w = m_window;
    switch (command) {
    case Command::ActiveMode:
    case Command::PassiveMode:
    case Command::ModbusMode:
    case Command::NormalMode:
    case Command::PowerSavingMode:
        set(PlanModeCommand(command));
        return;
    case Command::SetFrequency:
        ask(new CFrequencyDlg(w),
            [this](CFrequencyDlg& d, int) { set(PlanSetFrequency(d.channel())); });
        return;
    case Command::SetSerialFormat:
        ask(new CSerialFormatDlg(w), [this](CSerialFormatDlg& d, int) {
            set(PlanSetSerialFormat(static_cast<int>(d.choice()), d.row()));
        });
        return;
    case Command::SetSleepPeriod:
        ask(new CSleepPeriodDlg(w), [this](CSleepPeriodDlg& d, int) {
            if (const auto period = d.period())
                set(PlanSetSleepPeriod(1, *period));
        });
        return;
    case Command::SetSaveAddress:
        ask(new CSaveAddrDlg(w), [this](CSaveAddrDlg& d, int r) {
            if (r == QDialog::Accepted)
                set(PlanSetSaveAddress(d.text()));
        });
        return;
    case Command::SetWakeDelay:
        ask(new CWakeDelayDlg(w), [this](CWakeDelayDlg& d, int r) {
            if (r == QDialog::Accepted)
                set(PlanSetWakeDelay(d.count()));
        });
        return;
    case Command::SetPassiveAddress:
        ask(new CPassiveAddrDlg(w), [this](CPassiveAddrDlg& d, int r) {
            if (r == QDialog::Accepted)
                set(PlanSetPassiveAddress(d.text()));
        });
        return;
    case Command::SetGroup:
        ask(new CGroupDlg(w), [this](CGroupDlg& d, int r) {
            if (r == QDialog::Accepted)
                set(PlanSetGroup(d.text()));
        });
        return;
    case Command::SetWireless:
        ask(new CWirelessDlg(w), [this](CWirelessDlg& d, int) {
            if (d.choice() != 0)
                set(PlanSetWireless(d.choice(), d.txPowerIndex(), d.airRateIndex()));
        });
        return;
    case Command::ImportParams:
        importParams();
        return;
    case Command::ExportParams:
        m_actions.start(SequenceKind::Export,
                        [path = m_paramFilePath](Session& s) { return s.Export(path); });
        return;
    case Command::DownloadParams:
        // The set as it stands now is what is written, whatever the module
        // answers meanwhile.
        m_actions.start(SequenceKind::Download, [](Session& s) { return s.Download(s.Params()); });
        return;
    default:
        return;
    }
}

void ParameterCommands::edit(Field field) {
    const EditAction action = InfoOf(field).edit;
    const auto command = CommandOf(action);
    if (!command || m_dialog)
        return;
    if (!m_actions.usable(*command)) {
        if (m_actions.running())
            emit status(m_actions.busyText());
        return;
    }
    if (action == EditAction::SerialModeChoice)
        ask(new CSerialModeDlg(m_window),
            [this](CSerialModeDlg& d, int) { set(PlanSerialMode(d.choice())); });
    else if (action == EditAction::PowerModeChoice)
        ask(new CPowerModeDlg(m_window),
            [this](CPowerModeDlg& d, int) { set(PlanPowerMode(d.choice())); });
    else
        run(*command);
}

void ParameterCommands::set(const SetPlan& plan) {
    if (plan.Cancelled())
        return;
    if (m_actions.start(SequenceKind::Set, [plan](Session& s) { return s.Set(plan); }))
        m_restartAdvice = plan.restartAdvice;
}

void ParameterCommands::importParams() {
    const ParamImportResult imported = ImportParamFile(m_paramFilePath);
    ParamSet params = m_session.Params();
    const std::string text = ImportIntoParams(params, imported);
    m_session.SetParams(params);
    emit status(gui::ToQString(text));
}

void ParameterCommands::ended(SequenceKind kind, const Outcome& outcome) {
    if (kind == SequenceKind::Download && !outcome.ok() && outcome.stepsTotal > 0)
        emit status(QStringLiteral("参数下载未完成：已写入 %1/%2 项")
                        .arg(outcome.stepsDone)
                        .arg(outcome.stepsTotal));
    if (kind != SequenceKind::Set || !m_restartAdvice)
        return;
    m_restartAdvice = false;
    if (!outcome.ok())
        return;
    // The program's own line no longer matches the module's: the user is
    // told to start again, and the window then closes.
    QMessageBox* box = gui::OpenMessage(m_window, gui::ToQString(kRestartAdviceText),
                                        gui::ToQString(kRestartAdviceCaption));
    connect(box, &QDialog::finished, this, &ParameterCommands::restartNeeded);
}

} // namespace tmx7
