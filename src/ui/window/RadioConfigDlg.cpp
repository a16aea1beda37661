#include "ui/window/RadioConfigDlg.h"

#include "gui/MessageBox.h"
#include "gui/Widgets.h"
#include "platform/TextFile.h"
#include "protocol/Catalogue.h"
#include "protocol/Fields.h"
#include "protocol/Frames.h"
#include "protocol/ParamFile.h"
#include "protocol/Refresh.h"
#include "res/Pictures.h"
#include "res/ResourceIds.h"
#include "settings/ParamTransfer.h"
#include "ui/window/ReceiveArea.h"

#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace tmx7 {

namespace {

QString U(const char* s) {
    return QString::fromUtf8(s);
}
QString U(const std::string& s) {
    return QString::fromStdString(s);
}

// Label/value pairs of each page, as the tab selection shows them.
const std::vector<int> kGeneralPairs = {1100, 1038, 1109, 1050, 1102, 1049, 1101, 1039, 1110,
                                        1051, 1111, 1058, 1103, 1080, 1105, 1044, 1104, 1043};
const std::vector<int> kSavingPairs = {1106, 1045, 1117, 1057, 1107, 1047, 1114,
                                       1053, 1108, 1048, 1115, 1046, 1116, 1056};
const std::vector<int> kPassivePairs = {1113, 1052};

constexpr int kValueOrder[17] = {1038, 1039, 1043, 1044, 1045, 1046, 1047, 1048, 1049,
                                 1050, 1051, 1052, 1053, 1056, 1057, 1058, 1080};
constexpr int kProductOrder[8] = {1088, 1092, 1089, 1093, 1090, 1094, 1091, 1095};

// Menu commands switched by "打开串口" and "关闭串口".
const std::vector<int> kOpenEnables = {32771, 32773, 32775, 32776, 32777, 32778,
                                       32779, 32780, 32781, 32782, 32783, 32788,
                                       32789, 32790, 32808, 32805, 32804};
const std::vector<int> kCloseGreys = {32771, 32773, 32775, 32776, 32777, 32778, 32779,
                                      32780, 32781, 32782, 32783, 32784, 32785, 32786,
                                      32787, 32788, 32789, 32790, 32808, 32805, 32804};

struct Tip {
    int id;
    const char* text;
};
constexpr Tip kTips[] = {
    {1000, "信息接收区域，双击可清除接收到的内容"},
    {1001, "信息发送区域，双击可编辑发送指令"},
    {1021, "对连续发送的参数进行设置"},
    {1023, "将发送区的数据发送出去"},
    {1024, "被动模式下可读取被动地址模块中的内容"},
    {1025, "被动模式下判断模块的内存是否为空"},
    {1100, "双击对话框对发射频率进行设置"},
    {1101, "双击对话框对串口格式进行设置"},
    {1103, "双击对话框对组号进行设置"},
    {1109, "双击对话框对接收频率进行设置"},
    {1111, "双击对话框对发射功率进行设置"},
    {1102, "双击对话框对无线速率进行设置"},
    {1113, "双击对话框对被动地址进行设置"},
    {1114, "双击对话框对省电地址进行设置"},
    {1106, "双击对话框对省电周期进行设置"},
    {1115, "双击对话框对唤醒延时进行设置"},
    {1104, "双击对话框对串口模式进行设置"},
    {1105, "双击对话框对省电模式进行设置"},
};

// The user data file's first line is short; a longer one is cut.
constexpr std::size_t kUserDataMaxBytes = 4096;

} // namespace

CRadioConfigDlg::CRadioConfigDlg(QWidget* parent, Clock& base, PortDirectory& ports,
                                 std::string userDataPath)
    : gui::TemplateDialog(res::IDD_MAIN, parent), m_userDataPath(std::move(userDataPath)),
      m_portTable(ports), m_gate(this), m_uiClock(&m_gate, base) {
    m_sink = new WindowSink(this, [this](const Event& e) { ApplyEvent(e); });
    // Enter and Escape never end the program; only the close sequence does.
    SetKeysEndDialog(false);
    // The port table reports open failures from whichever thread noticed
    // them; the box is shown on the window thread.
    m_portTable.SetMessageHandler([this](const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, text] { gui::MessageBox(this, U(text)); }, Qt::QueuedConnection);
    });
    Initialise();
}

CRadioConfigDlg::~CRadioConfigDlg() {
    // A window destroyed without its close sequence (tests, early exits)
    // still stops the decoder before the state it uses goes away.
    m_portTable.SetMessageHandler({});
    m_stopWord.request();
    if (m_decoder)
        m_decoder->Stop();
}

void CRadioConfigDlg::Initialise() {
    Hide(res::IDC_TX_INDICATOR);
    SetProgressRange(kProgress, 0, 230);
    for (int id : {1040, 1041, 1042, 1028, 1134, 1133, 1135})
        Hide(id);
    for (int id = 1061; id <= 1078; ++id)
        Hide(id);
    for (int id : kValueOrder)
        m_rcValue.push_back(ControlRect(id));
    for (int id : kProductOrder)
        m_rcProduct.push_back(ControlRect(id));
    for (std::size_t i = 0; i < kSavingPairs.size(); ++i)
        Hide(kSavingPairs[i]);
    for (int id : kPassivePairs)
        Hide(id);

    LoadUserData();
    SetText(kSendArea, U(m_strUserData));
    m_strStdData = kDefaultStdData;
    m_bProductionMode = false;
    m_bPresetPanel = false;
    m_nSendCount = 0;

    // Typed and pasted text alike pass the hex filter in the data fields.
    for (int id = 1070; id <= 1078; ++id)
        SetHexFilter(id);
    SetHexFilter(kSendArea);
    SetHexFilter(1133);
    SetHexFilter(1134);
    SetLimitText(1133, 2);
    SetLimitText(1134, 2);
    SetText(1133, U(m_strCalibA));
    SetText(1134, U(m_strCalibB));

    SetTimer(1, 0);
    setWindowTitle(U(Template().caption));
    SetToolTipColor(QColor(0, 0, 255));
    for (const Tip& t : kTips)
        SetToolTip(t.id, U(t.text));
    setWindowIcon(res::AppIcon());

    const int half = Client()->width() / 2;
    CreateStatusBar({{half, false, U("未建立通信")},
                     {0, true, U("下载程序延时......")},
                     {97, false, U(res::LoadString(res::IDS_STATUS_MOTTO))}});
    Hide(kProgress);
    if (TabCount(kTabs) == 0)
        TabInsert(kTabs, 0, U("一般参数"));
    TabSetCurSel(kTabs, 0);
    m_nTxPowerIndex = 0;
    m_nAirRateIndex = 0;
    // Until a parameter file is imported there is no transmit power to download.
    m_shared.With([](DecoderState& st) { st.params.powerLevel = kPowerLevelNotSet; });
}

void CRadioConfigDlg::LoadUserData() {
    std::string line;
    if (ReadFirstLine(m_userDataPath, kUserDataMaxBytes, line).ok) {
        m_strUserData = line;
        return;
    }
    // Only a file that does not exist is created; one that exists but cannot
    // be read is left alone, and the default text is used in memory.
    CreateTextFileIfMissing(m_userDataPath, kDefaultUserData);
    m_strUserData = kDefaultUserData;
}

void CRadioConfigDlg::SetConnection(int comPort, int baud, const std::string& lineFormat) {
    m_link.comPort = comPort;
    m_link.baud = baud;
    m_strLineFormat = lineFormat;
}

QString CRadioConfigDlg::ReceivedText() const {
    return Text(kReceiveArea);
}

// ---------------------------------------------------------------------------
// View updates

void CRadioConfigDlg::ClearReceiveArea(std::uint64_t epoch) {
    m_receiveEpoch = std::max(m_receiveEpoch, epoch);
    if (auto* area = MultiEdit(kReceiveArea))
        area->clear();
}

bool CRadioConfigDlg::RemovePage(Page page) {
    const int at = TabFind(kTabs, U(std::string(PageOf(page).caption)));
    return at >= 0 && TabRemove(kTabs, at);
}

void CRadioConfigDlg::ApplyEvent(const Event& event) {
    std::visit(
        [this](const auto& e) {
            using T = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<T, ValueShown>) {
                SetText(res::ControlFor(e.field), U(e.text));
            } else if constexpr (std::is_same_v<T, CommandEnabled>) {
                if (res::IsButton(e.command))
                    Enable(res::IdFor(e.command), e.on);
                else if (Menu())
                    Menu()->SetEnabled(res::IdFor(e.command), e.on);
            } else if constexpr (std::is_same_v<T, PageShown>) {
                const PageInfo& page = PageOf(e.page);
                if (e.shown && TabFind(kTabs, U(std::string(page.caption))) < 0) {
                    TabInsert(kTabs, page.position, U(std::string(page.caption)));
                    SwitchPages();
                } else if (!e.shown && RemovePage(e.page)) {
                    SwitchPages();
                }
            } else if constexpr (std::is_same_v<T, PageSelected>) {
                TabSetCurSel(kTabs, TabFind(kTabs, U(std::string(PageOf(e.page).caption))));
                SwitchPages();
            } else if constexpr (std::is_same_v<T, ProgressShown>) {
                Show(kProgress, e.shown);
            } else if constexpr (std::is_same_v<T, tmx7::Progress>) {
                SetProgressPos(kProgress, e.done);
            } else if constexpr (std::is_same_v<T, tmx7::Status>) {
                SetPaneText(static_cast<int>(e.slot), U(e.text));
            } else if constexpr (std::is_same_v<T, Received>) {
                // Decoded before the area was last cleared: not shown.
                if (e.epoch < m_receiveEpoch)
                    return;
                if (auto* area = MultiEdit(kReceiveArea))
                    AppendReceivedText(area, U(e.text));
            } else if constexpr (std::is_same_v<T, ReceiveCleared>) {
                ClearReceiveArea(e.epoch);
            } else if constexpr (std::is_same_v<T, Notice>) {
                gui::MessageBox(this, U(e.text), U(e.caption));
            }
        },
        event);
}

void CRadioConfigDlg::SwitchPages() {
    // Decided by the caption of the selected tab: the decoder's flags may
    // already have changed for pages that are about to come or go.
    const QString caption = TabText(kTabs, TabCurSel(kTabs));
    const bool general = caption == U("一般参数");
    const bool saving = caption == U("省电参数");
    const bool passive = caption == U("被动参数");
    if (!general && !saving && !passive)
        return;
    for (int id : kGeneralPairs)
        Show(id, general);
    for (int id : kSavingPairs)
        Show(id, saving);
    for (int id : kPassivePairs)
        Show(id, passive);
}

// ---------------------------------------------------------------------------
// Sequences

bool CRadioConfigDlg::RunSequence(const std::function<void()>& body) {
    if (m_sequenceRunning || m_closed)
        return false;
    m_sequenceRunning = true;
    m_sequenceStop = std::make_unique<StopSignal>();
    {
        // Held for the whole sequence, so a close asked for at any point
        // waits for its end; the watch turns such a close into an early end.
        gui::InputHold hold(m_gate);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [this] {
            if (m_gate.IsCloseDeferred() || m_closePending)
                m_sequenceStop->request();
        });
        watch.start(20);
        body();
    }
    m_sequenceRunning = false;
    if (m_closePending)
        CloseSequence(m_exitCode);
    return true;
}

bool CRadioConfigDlg::RefreshParameters() {
    return tmx7::RefreshParameters({m_portTable, m_shared, *m_sink, m_uiClock, ComPort(),
                                    BaudRate(), m_sequenceStop.get()})
        .ok();
}

void CRadioConfigDlg::StartDecoder() {
    if (DecoderRunning() || m_closed)
        return;
    m_decoder =
        std::make_unique<DecoderThread>(m_portTable, m_shared, m_link, *m_sink, m_uiClock.Base());
    m_decoder->Start();
}

void CRadioConfigDlg::ConnectAtStartup() {
    RunSequence([this] {
        char text[160];
        if (m_portTable.IsOpen(ComPort())) {
            std::snprintf(text, sizeof text, "端口COM%d连接成功,上位机串口格式为%d,%s", ComPort(),
                          BaudRate(), m_strLineFormat.c_str());
            StartDecoder();
        } else {
            // Nothing claimed when no port is really open; "打开串口" starts
            // the decoder later.
            std::snprintf(text, sizeof text, "端口COM%d未打开", ComPort());
        }
        SetPaneText(0, U(text));
        if (!m_uiClock.sleepFor(Millis(100), m_sequenceStop.get()))
            return;
        RefreshParameters();
    });
}

void CRadioConfigDlg::OnRefreshParams() {
    RunSequence([this] { RefreshParameters(); });
}

void CRadioConfigDlg::OnOpenPort() {
    RunSequence([this] {
        if (Menu())
            for (int id : kOpenEnables)
                Menu()->Enable(id);
        Enable(1021);
        Enable(1023);
        m_portTable.Open(ComPort(), BaudRate(), m_strLineFormat);
        // Without a decoder no answer would ever be shown (the settings
        // dialog may have ended without a port).
        if (m_portTable.IsOpen(ComPort()))
            StartDecoder();
        RefreshParameters();
    });
}

void CRadioConfigDlg::OnClosePort() {
    if (m_sequenceRunning)
        return;
    if (Menu())
        for (int id : kCloseGreys)
            Menu()->Grey(id);
    for (int id : {1021, 1023, 1024, 1025})
        Enable(id, false);
    m_portTable.Stop(ComPort());
}

void CRadioConfigDlg::OnExit() {
    if (m_sequenceRunning) {
        m_closePending = true;
        m_sequenceStop->request();
        return;
    }
    if (auto frame = MakeShortFrame(CmdStop0101)) {
        (void)m_portTable.Write(ComPort(), *frame);
        // Closing the port discards output still queued: let it leave first.
        m_portTable.Drain(ComPort(), kExitDrainLimit);
    }
    CloseSequence(0);
}

void CRadioConfigDlg::CloseSequence(int exitCode) {
    if (m_closed)
        return;
    m_closed = true;
    m_closePending = false;
    m_exitCode = exitCode;
    m_sequenceStop->request();
    for (int id : {1, 2, 4, 5, 6, 7, 8})
        KillTimer(id);
    m_stopWord.request();
    // Joined here, before the owner destroys the window and the port table.
    if (m_decoder)
        m_decoder->Stop();
    EndDialog(exitCode);
}

bool CRadioConfigDlg::OnCloseRequest() {
    if (m_sequenceRunning) {
        m_closePending = true;
        m_sequenceStop->request();
        return false;
    }
    CloseSequence(m_exitCode);
    return false;
}

// ---------------------------------------------------------------------------
// Timers

SerialSettingsOutcome CRadioConfigDlg::RunSerialSettings() {
    if (m_runSerialSettings)
        return m_runSerialSettings();
    return {};
}

void CRadioConfigDlg::OnTimer(int id) {
    switch (id) {
    case 6:
    case 7:
    case 4:
    case 5:
        // A tick that comes while a sequence runs is skipped: its frames must
        // not interleave with the sequence's; the next tick sends again.
        if (!m_sequenceRunning)
            OnContinuousSendTick(id);
        break;
    case 1: {
        KillTimer(1);
        const SerialSettingsOutcome out = RunSerialSettings();
        if (out.code == res::IDOK && out.result.connected) {
            SetConnection(out.result.comPort, out.result.baud, out.result.lineFormat);
            SetTimer(2, out.result.connectDelayMs);
        } else if (out.code == kExitProgram) {
            CloseSequence(0);
        }
        break;
    }
    case 2:
        KillTimer(2);
        ConnectAtStartup();
        break;
    case 8:
        if (m_sequenceRunning) {
            SetTimer(8, 100); // written once the sequence is over
            break;
        }
        KillTimer(8);
        WriteParameterFile();
        break;
    default:
        break;
    }
}

// WriteParameterFile: RadioConfigDlg_Settings.cpp, with the rest of the export.

// ---------------------------------------------------------------------------
// Commands and input

void CRadioConfigDlg::OnButton(int controlId) {
    if (controlId == 1028 || (controlId >= 1040 && controlId <= 1042))
        OnProductionButton(controlId);
    else
        OnDataButton(controlId);
}

void CRadioConfigDlg::OnCommand(int id, int code) {
    if (m_closed)
        return;
    if (id == kTabs) {
        if (code == gui::kTabSelChange)
            SwitchPages();
        return;
    }
    if (code == gui::kDoubleClicked) {
        if (id >= 1100 && id <= 1117)
            OnLabelDoubleClick(id);
        return;
    }
    if (code != gui::kClicked)
        return;
    // Commands of the menu bar and of the pop-up arrive here alike. Commands
    // that start a sequence are skipped while one runs (RunSequence).
    switch (id) {
    case res::IDOK:
    case res::IDCANCEL:
        return; // Enter/Escape never end the program
    case res::ID_FILE_REFRESH:
        OnRefreshParams();
        return;
    case res::ID_FILE_IMPORT:
        OnImportParams();
        return;
    case res::ID_FILE_EXPORT:
        OnExportParams();
        return;
    case res::ID_FILE_DOWNLOAD:
        OnDownloadParams();
        return;
    case res::ID_FILE_EXIT:
        OnExit();
        return;
    case res::ID_DATA_EDIT_USER:
        OnEditUserData();
        return;
    case res::ID_DATA_SHOW_USER:
        OnShowUserData();
        return;
    case res::ID_DATA_SHOW_STANDARD:
        OnShowStandardData();
        return;
    case res::ID_MODE_ACTIVE:
    case res::ID_MODE_PASSIVE:
    case res::ID_MODE_MODBUS:
        OnSerialModeCommand(id);
        return;
    case res::ID_POWER_NORMAL:
    case res::ID_POWER_SAVING:
        OnPowerModeCommand(id);
        return;
    case res::ID_PORT_CLOSE:
        OnClosePort();
        return;
    case res::ID_PORT_OPEN:
        OnOpenPort();
        return;
    case res::ID_STD_LENGTH_192:
    case res::ID_STD_LENGTH_48:
    case res::ID_STD_LENGTH_20:
        OnStdDataLength(id);
        return;
    case res::ID_HELP_DOCUMENT:
        OnHelpDocument();
        return;
    case res::ID_HELP_HOME_PAGE:
        OnHomePage();
        return;
    case res::ID_HELP_ABOUT:
        OnAbout();
        return;
    default:
        break;
    }
    if (id >= res::ID_SET_FREQUENCY && id <= res::ID_SET_PRODUCTION) {
        OnParameterDialog(id);
        return;
    }
    if (id == 1021 || id == 1023 || id == 1024 || id == 1025 || id == 1028 ||
        (id >= 1040 && id <= 1042) || (id >= 1061 && id <= 1069))
        OnButton(id);
}

void CRadioConfigDlg::ShowFilePopup(QPoint globalPos) {
    if (Menu())
        Menu()->Popup(0, globalPos);
}

bool CRadioConfigDlg::PreTranslate(QWidget* target, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(event);
        // A right-button press never reaches a control of the window.
        if (me->button() == Qt::RightButton)
            return true;
        if (event->type() == QEvent::MouseButtonDblClick && me->button() == Qt::LeftButton) {
            const int id = ControlId(target);
            if (id == kReceiveArea)
                OnReceiveAreaDoubleClick();
            else if (id == kSendArea)
                OnSendAreaDoubleClick();
            else if (target == this || target == Client() || id == kTabs ||
                     (Tabs(kTabs) && Tabs(kTabs)->isAncestorOf(target)))
                // The value fields let the mouse through to what lies under them.
                OnValueDoubleClick(Client()->mapFromGlobal(me->globalPosition().toPoint()));
        }
        if (event->type() == QEvent::MouseButtonPress)
            OnProductMouse(target, event);
        break;
    }
    case QEvent::ContextMenu:
        return true; // the controls' own context menus belong to the right button
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::RightButton)
            break;
        // Over the window's own surface (plain labels and frames let the
        // mouse through to it): the "文件" menu of the bar, same entries.
        if (target == this || target == Client()) {
            ShowFilePopup(me->globalPosition().toPoint());
            return true;
        }
        return true;
    }
    case QEvent::MouseMove:
        OnProductMouse(target, event);
        break;
    case QEvent::KeyPress: {
        auto* ke = static_cast<QKeyEvent*>(event);
        if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) &&
            ControlId(target) == kSendArea)
            OnSendAreaEnter();
        break;
    }
    default:
        break;
    }
    return TemplateDialog::PreTranslate(target, event);
}

} // namespace tmx7
