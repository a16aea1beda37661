#pragma once
// The main window: receive and send areas, the parameter pages, the status bar
// and menu 129. It owns the port table, the state shared with the decoder
// thread and the decoder itself, and applies the decoder's view updates on its
// own thread.
//
// Sequences (refresh now; set commands, download and probes later) wait on the
// window's UiClock: the window keeps painting and showing updates while the
// user's input to it is held back. One sequence runs at a time; see
// RunSequence for what happens to commands and timer ticks meanwhile.

#include "gui/InputGate.h"
#include "gui/TemplateDialog.h"
#include "gui/UiClock.h"
#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/DecoderShared.h"
#include "protocol/DecoderThread.h"
#include "protocol/ParamFile.h"
#include "protocol/ParamSet.h"
#include "protocol/SerialSetup.h"
#include "settings/Production.h"
#include "settings/SetCommands.h"
#include "ui/window/WindowSink.h"

#include "ui/ContinuousSend.h"

#include <QRect>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tmx7 {

// What the serial settings dialog ended with.
struct SerialSettingsOutcome {
    int code = 2;       // IDOK: connected (result valid); IDCANCEL; kExitProgram
    SetupResult result; // comPort, baud, lineFormat, connectDelayMs when IDOK
};

class TestDataModel;

class CRadioConfigDlg : public gui::TemplateDialog {
    Q_OBJECT
public:
    // The serial settings dialog's code asking to end the program.
    static constexpr int kExitProgram = 1000;
    static constexpr const char* kUserDataFile = "yonghushuju.mak";
    static constexpr const char* kDefaultUserData =
        "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 10 11 12";
    static constexpr const char* kDefaultStdData =
        "00:01:02:03:04:05:06:07:08:09:0A:0B:0C:0D:0E:0F:10:11:12:13";
    // Bound of the wait for the exit command to leave the line.
    static constexpr Millis kExitDrainLimit{500};

    // `base` is where time comes from (tests pass a VirtualClock); waits on
    // the window thread still keep the window alive through the UiClock.
    // `userDataPath` is the user data file (relative to the working directory).
    explicit CRadioConfigDlg(QWidget* parent = nullptr, Clock& base = RealClock(),
                             PortDirectory& ports = PortDirectory::System(),
                             std::string userDataPath = kUserDataFile);
    ~CRadioConfigDlg() override;

    // ---- shared state (window thread unless noted) ----
    CPortTable& PortTable() { return m_portTable; }
    DecoderShared& Shared() { return m_shared; }
    const LinkSettings& Link() const { return m_link; } // read by the decoder thread
    int ComPort() const { return m_link.comPort.load(); }
    int BaudRate() const { return m_link.baud.load(); }
    const std::string& LineFormat() const { return m_strLineFormat; }
    void SetConnection(int comPort, int baud, const std::string& lineFormat);
    int SerialMode() const { return m_shared.Snapshot().serialMode; } // -1 unknown
    std::string PassiveAddr() const { return m_shared.Snapshot().passiveAddr; }
    ParamSet Params() const { return m_shared.Params(); }
    bool SaveTab() const { return TabFind(kTabs, QString::fromUtf8("省电参数")) >= 0; }
    bool PassiveTab() const { return TabFind(kTabs, QString::fromUtf8("被动参数")) >= 0; }
    EventSink& Sink() { return *m_sink; }
    Clock& SequenceClock() { return m_uiClock; }
    gui::InputGate& Gate() { return m_gate; }

    bool m_bProductionMode = false;
    bool m_bPresetPanel = false;
    int m_nSendsLeft = 0;
    int m_nSendCount = 0;
    int m_nTxPowerIndex = 0;
    int m_nAirRateIndex = 0;
    std::string m_strUserData;
    std::string m_strStdData = kDefaultStdData;
    std::array<std::string, 9> m_strPreset;
    std::string m_strCalibA = "00";
    std::string m_strCalibB = "00";
    const std::vector<QRect>& ValueRects() const { return m_rcValue; }     // 17, value-field order
    const std::vector<QRect>& ProductRects() const { return m_rcProduct; } // 8

    // The receive area's text (what the decoder appended since the last clear).
    QString ReceivedText() const;

    // ---- start-up and connection ----
    // Runs the serial settings dialog; until it exists the shell injects it.
    void SetSerialSettingsRunner(std::function<SerialSettingsOutcome()> run) {
        m_runSerialSettings = std::move(run);
    }
    // Reports the connection, starts the decoder when the port is really open,
    // waits 100 ms and refreshes.
    void ConnectAtStartup();
    bool DecoderRunning() const { return m_decoder && m_decoder->Running(); }

    // ---- sequences ----
    // Runs `body` as the one sequence of the window. Returns false without
    // running it when a sequence is already running (menu commands and timer
    // ticks are skipped then: their input was held back anyway, and a repeated
    // tick comes again). A close requested meanwhile ends the sequence's waits
    // early (SequenceStop) and closes the window once `body` returns.
    bool RunSequence(const std::function<void()>& body);
    bool SequenceRunning() const { return m_sequenceRunning; }
    // Set while a sequence should end early (the window is closing).
    StopSignal* SequenceStop() { return m_sequenceStop.get(); }
    // The refresh sequence with the current connection; false when cut short.
    bool RefreshParameters();
    // Removes the tab with that caption; false when there is none.
    bool RemovePage(Page page);

    // ---- commands ----
    void OnRefreshParams();
    void OnOpenPort();
    void OnClosePort();
    void OnExit();
    // Stop word, decoder joined, timers killed, then the modal run ends.
    void CloseSequence(int exitCode = 0);
    bool Closed() const { return m_closed; }
    int ExitCode() const { return m_exitCode; }

    // Shows the pairs of the page whose caption the selected tab carries.
    void SwitchPages();
    // One engine event, on the window thread (the sink calls this).
    void ApplyEvent(const Event& event);
    // The "文件" pop-up at a global position (right button released).
    void ShowFilePopup(QPoint globalPos);

    // Writes the parameter file from what the display shows (timer 8).
    virtual void WriteParameterFile();

    static constexpr int kTabs = 1126;
    static constexpr int kProgress = 1099;
    static constexpr int kReceiveArea = 1000;
    static constexpr int kSendArea = 1001;

protected:
    // ---- hooks that later work fills; no-ops here ----
    virtual SerialSettingsOutcome RunSerialSettings();
    virtual void OnContinuousSendTick(int timerId);
    virtual void OnImportParams();
    virtual void OnExportParams();
    virtual void OnDownloadParams();
    virtual void OnEditUserData();
    virtual void OnShowUserData();
    virtual void OnShowStandardData();
    virtual void OnStdDataLength(int commandId);
    virtual void OnSerialModeCommand(int commandId); // 32777-32779
    virtual void OnPowerModeCommand(int commandId);  // 32780-32781
    virtual void OnParameterDialog(int commandId);   // 32782-32790
    virtual void OnHelpDocument();
    virtual void OnHomePage();
    virtual void OnAbout();
    // Buttons of the window: the production controls 1028 and 1040-1042 go to
    // OnProductionButton, the data-test buttons 1021, 1023-1025 and 1061-1069
    // to OnDataButton.
    void OnButton(int controlId);
    virtual void OnProductionButton(int controlId);
    virtual void OnDataButton(int controlId);
    // Double-click on a parameter label 1100-1117 (settings by double-click).
    virtual void OnLabelDoubleClick(int /*labelId*/) {}
    virtual void OnSendAreaEnter();
    virtual void OnReceiveAreaDoubleClick();
    virtual void OnSendAreaDoubleClick();
    // Left button down or mouse move over the window (product links).
    virtual void OnProductMouse(QWidget* target, QEvent* event);

    void OnCommand(int id, int code) override;
    void OnTimer(int id) override;
    bool PreTranslate(QWidget* target, QEvent* event) override;
    bool OnCloseRequest() override;

    // ---- parameter setting, parameter file and production mode ----
    // (RadioConfigDlg_Settings.cpp)
public:
    // Where "导出参数" writes and "导入参数" reads the parameter file.
    void SetParamFilePath(std::string path) { m_strParamFilePath = std::move(path); }
    const std::string& ParamFilePath() const { return m_strParamFilePath; }
    // Test seam: called with each parameter dialog (and the access-code
    // dialog) once its modal run has started, to answer it through its
    // public interface. Empty: the user answers.
    void SetDialogDriver(std::function<void(gui::TemplateDialog&)> driver) {
        m_dialogDriver = std::move(driver);
    }
    // A double-click at a point of the client area (value fields let the
    // mouse through to it): the set operations of the field hit, in order.
    void OnValueDoubleClick(QPoint clientPos);

protected:
    void OnProductionMode();
    // Runs the plan as a sequence: write, wait, refresh or restart advice.
    void RunSetCommand(const SetPlan& plan);
    void RunSerialModeChoice();
    void RunPowerModeChoice();

private:
    template <class D> int RunDialog(D& dlg);
    std::string m_strParamFilePath = kParamFilePath;
    std::function<void(gui::TemplateDialog&)> m_dialogDriver;
    CProductionMode m_production;
    // ---- end of parameter setting ----

private:
    void Initialise();
    void LoadUserData();
    void StartDecoder();
    void ClearReceiveArea(std::uint64_t epoch);

    std::string m_userDataPath;
    // Destroyed last: the decoder and its sink go before the table they use.
    CPortTable m_portTable;
    LinkSettings m_link;
    DecoderShared m_shared;
    std::string m_strLineFormat = "n,8,1";
    gui::InputGate m_gate;
    gui::UiClock m_uiClock;
    WindowSink* m_sink = nullptr; // child QObject
    std::unique_ptr<DecoderThread> m_decoder;
    StopSignal m_stopWord; // the decoder's stop word, set once at close
    std::unique_ptr<StopSignal> m_sequenceStop = std::make_unique<StopSignal>();
    std::function<SerialSettingsOutcome()> m_runSerialSettings;
    std::vector<QRect> m_rcValue;
    std::vector<QRect> m_rcProduct;
    std::uint64_t m_receiveEpoch = 0;
    bool m_sequenceRunning = false;
    bool m_closePending = false;
    bool m_closed = false;
    int m_exitCode = 0;

    // ---- data test: send and receive areas, continuous send, test data,
    // help and product links (RadioConfigDlg_DataTest.cpp) ----
public:
    // Sends of the current continuous run (what the count display shows).
    const ContinuousSendTimers& SendTimers() const { return m_sendTimers; }
    // The send area's width with the preset panel shown / hidden, in pixels
    // of the window's font.
    int PresetPanelNarrowWidth() const;
    int PresetPanelWideWidth() const;

private:
    bool InitDataTest();
    TestDataModel& TestData();
    BoundedSender& Sender();
    // Hands a built send to the port without waiting for the line; a
    // refusal or a skipped frame is said in the status bar.
    void SendBuilt(const SendResult& built);
    void OnContinuousSend();
    void StopContinuousSend();
    void ShowSendStatus(const std::string& text);

    std::shared_ptr<TestDataModel> m_testData; // made at the first use
    ContinuousSendTimers m_sendTimers;
    std::unique_ptr<BoundedSender> m_sender;
    int m_senderBaud = 0;
    int m_senderBits = 0;
    // Last: runs once every control exists (the base class built them).
    bool m_dataTestReady = InitDataTest();
};

} // namespace tmx7
