// The data test bench of the main window: the send button, the preset lines,
// the passive-mode buttons, continuous send with its two dialogs, the user
// and standard data, and the window's ways out to help and product pages.

#include "ui/window/RadioConfigDlg.h"

#include "gui/Widgets.h"
#include "res/ResourceIds.h"
#include "ui/DataSend.h"
#include "ui/TestData.h"

#include "ui/window/AboutDlg.h"
#include "ui/window/ContinuousSendDlg.h"
#include "ui/window/Links.h"
#include "ui/window/SendCountDlg.h"
#include <cerrno>

#include <QMouseEvent>

#include <algorithm>

namespace tmx7 {

namespace {

constexpr int kStatusPane = 1;
constexpr int kFirstPresetButton = 1061;
constexpr int kLastPresetButton = 1069;
constexpr int kFirstPresetLine = 1070;
constexpr int kLastPresetLine = 1078;

// The send area narrows to 60 pixels with the preset panel shown and widens
// to 275 without it. Those widths were measured in a font whose average
// character is 6 pixels wide: 40 and 183 dialog units, so they follow the
// font the window really uses.
constexpr int kNarrowDlu = 40;
constexpr int kWideDlu = 183;
// Space kept between the narrowed send area and the preset lines: at 40
// units the area would run 3 units into them.
constexpr int kPresetGapDlu = 3;

} // namespace

bool CRadioConfigDlg::InitDataTest() {
    // Moves without a button reach the window only with tracking on: the
    // hand cursor over the products needs them.
    Client()->setMouseTracking(true);
    return true;
}

TestDataModel& CRadioConfigDlg::TestData() {
    // Its user data is not read from here: the window's own copy, loaded at
    // start-up, is what the show and send commands use.
    if (!m_testData)
        m_testData = std::make_shared<TestDataModel>(m_userDataPath);
    return *m_testData;
}

// ---------------------------------------------------------------------------
// Sending

BoundedSender& CRadioConfigDlg::Sender() {
    // The sender's estimate of what is still on the line depends on the byte
    // time; a new connection starts a new estimate.
    const int baud = BaudRate();
    const int bits = BitsPerByte(m_strLineFormat);
    if (!m_sender || baud != m_senderBaud || bits != m_senderBits) {
        m_sender = std::make_unique<BoundedSender>(m_uiClock.Base(), baud, bits);
        m_senderBaud = baud;
        m_senderBits = bits;
    }
    return *m_sender;
}

void CRadioConfigDlg::ShowSendStatus(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    // Continuous send may report every tick: repaint only on a change.
    if (PaneText(kStatusPane) != shown)
        SetPaneText(kStatusPane, shown);
}

void CRadioConfigDlg::SendBuilt(const SendResult& built) {
    if (!built.ok()) {
        if (!built.status.empty())
            ShowSendStatus(built.status);
        return;
    }
    if (built.bytes.empty())
        return; // an empty preset line: nothing to send, nothing to say
    PortSink sink(m_portTable, ComPort());
    if (Sender().Send(sink, built.bytes) == SendOutcome::Skipped)
        ShowSendStatus(BoundedSender::SkipStatus());
}

void CRadioConfigDlg::OnDataButton(int controlId) {
    if (m_closed || m_sequenceRunning)
        return; // a sequence's frames are not interleaved with test data
    if (controlId == res::IDC_CONTINUOUS_SEND) {
        OnContinuousSend();
        return;
    }
    const DecoderState state = m_shared.Snapshot();
    switch (controlId) {
    case res::IDC_SEND:
        SendBuilt(BuildDataSend(Text(kSendArea).toStdString(), kSendAreaBuffer, state.serialMode,
                                state.passiveAddr));
        return;
    case res::IDC_READ_DATA:
        SendBuilt(BuildReadDataSend(state.passiveAddr));
        return;
    case res::IDC_CHECK_MEMORY:
        SendBuilt(BuildCheckMemorySend(state.passiveAddr));
        return;
    default:
        break;
    }
    if (controlId >= kFirstPresetButton && controlId <= kLastPresetButton) {
        const int k = controlId - kFirstPresetButton;
        m_strPreset[static_cast<std::size_t>(k)] = Text(kFirstPresetLine + k).toStdString();
        SendBuilt(BuildPresetSend(m_strPreset[static_cast<std::size_t>(k)]));
    }
}

// ---------------------------------------------------------------------------
// Continuous send

void CRadioConfigDlg::OnContinuousSend() {
    CContinuousSendDlg choose(this);
    if (choose.DoModal() != res::IDOK)
        return;
    const TimerStart start = m_sendTimers.Start(choose.Choice());
    m_nSendsLeft = m_sendTimers.SendsLeft();
    SetTimer(start.timerId, static_cast<int>(start.intervalMs));

    // Every way out of the count display stops the run: a send never goes
    // on without a window that shows it and can stop it.
    CSendCountDlg count([this] { return m_sendTimers.SendCount(); },
                        [this] { StopContinuousSend(); }, this);
    count.DoModal();
}

void CRadioConfigDlg::StopContinuousSend() {
    for (int id : m_sendTimers.Leave())
        KillTimer(id);
    m_nSendCount = 0;
    m_nSendsLeft = 0;
}

void CRadioConfigDlg::OnContinuousSendTick(int timerId) {
    const DecoderState state = m_shared.Snapshot();
    // Payloads are read at the tick: a length chosen during a run applies
    // from the next tick on.
    const SendContext context{m_strUserData, m_strStdData, state.serialMode, state.passiveAddr};
    PortSink sink(m_portTable, ComPort());
    const TickOutcome out = RunContinuousTick(m_sendTimers, timerId, context, Sender(), sink);
    if (out.stopTimer)
        KillTimer(timerId);
    m_nSendCount = static_cast<int>(m_sendTimers.SendCount());
    m_nSendsLeft = m_sendTimers.SendsLeft();
    if (!out.status.empty())
        ShowSendStatus(out.status);
}

// ---------------------------------------------------------------------------
// The two areas

void CRadioConfigDlg::OnReceiveAreaDoubleClick() {
    // Appends decoded before this point carry an older epoch and are
    // dropped when they arrive; decoded values are not affected.
    ApplyEvent(ReceiveCleared{m_shared.BeginNewReceiveEpoch()});
    setFocus();
}

int CRadioConfigDlg::PresetPanelNarrowWidth() const {
    const QRect area = ControlRect(kSendArea);
    const int presetLeft = ControlRect(kFirstPresetLine).left();
    const int limit = presetLeft - gui::DluToPixelsX(kPresetGapDlu, Base()) - area.left();
    return std::max(1, std::min(gui::DluToPixelsX(kNarrowDlu, Base()), limit));
}

int CRadioConfigDlg::PresetPanelWideWidth() const {
    return gui::DluToPixelsX(kWideDlu, Base());
}

void CRadioConfigDlg::OnSendAreaDoubleClick() {
    QRect area = ControlRect(kSendArea);
    const bool show = !m_bPresetPanel;
    area.setWidth(show ? PresetPanelNarrowWidth() : PresetPanelWideWidth());
    SetControlRect(kSendArea, area);
    for (int id = kFirstPresetButton; id <= kLastPresetLine; ++id)
        Show(id, show);
    m_bPresetPanel = show;
}

// ---------------------------------------------------------------------------
// User and standard data

namespace {
void SetSendAreaReadOnly(gui::TextArea* area, bool readOnly) {
    if (area)
        area->setReadOnly(readOnly);
}
} // namespace

void CRadioConfigDlg::OnEditUserData() {
    const FileResult loaded = TestData().EditUserData();
    if (loaded.ok) {
        m_strUserData = TestData().UserData();
        SetText(kSendArea, QString::fromStdString(m_strUserData));
    } else if (loaded.error != ENOENT) {
        // The file is there but is no user data file: it is left alone, and
        // the user is told why the area did not change.
        ShowSendStatus("用户数据文件无法使用：" + loaded.message);
    }
    // A missing file was created with the default; the area keeps its text.
    SetSendAreaReadOnly(MultiEdit(kSendArea), false);
    if (auto* area = MultiEdit(kSendArea))
        area->setFocus();
}

void CRadioConfigDlg::OnSendAreaEnter() {
    // Read-only before the key reaches the area, so the Enter adds no line.
    SetSendAreaReadOnly(MultiEdit(kSendArea), true);
    const FileResult saved = TestData().PressEnter(Text(kSendArea).toStdString());
    m_strUserData = TestData().UserData();
    if (!saved.ok)
        ShowSendStatus("用户数据未能保存到文件");
}

void CRadioConfigDlg::OnShowUserData() {
    SetText(kSendArea, QString::fromStdString(m_strUserData));
    SetSendAreaReadOnly(MultiEdit(kSendArea), true);
}

void CRadioConfigDlg::OnShowStandardData() {
    SetText(kSendArea, QString::fromStdString(m_strStdData));
    SetSendAreaReadOnly(MultiEdit(kSendArea), true);
}

void CRadioConfigDlg::OnStdDataLength(int commandId) {
    if (!TestData().ChooseStdLength(commandId))
        return;
    if (Menu())
        for (const MenuCheck& c : StdLengthChecks(commandId))
            Menu()->Check(c.menuId, c.checked);
    m_strStdData = TestData().StdData();
    SetText(kSendArea, QString::fromStdString(m_strStdData));
}

// ---------------------------------------------------------------------------
// Help, home page, about, products

void CRadioConfigDlg::OnHelpDocument() {
    OpenHelp();
}

void CRadioConfigDlg::OnHomePage() {
    OpenHomePage();
}

void CRadioConfigDlg::OnAbout() {
    CAboutDlg about(this);
    about.DoModal();
}

void CRadioConfigDlg::OnProductMouse(QWidget* /*target*/, QEvent* event) {
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (!press && event->type() != QEvent::MouseMove)
        return;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (press && mouse->button() != Qt::LeftButton)
        return;
    if (!LinksEnabled()) {
        Client()->unsetCursor();
        return;
    }
    const QPoint at = Client()->mapFromGlobal(mouse->globalPosition().toPoint());
    // Strictly inside: a point on a rectangle's edge belongs to none.
    auto inside = [&at](const QRect& r) {
        return at.x() > r.left() && at.x() < r.left() + r.width() && at.y() > r.top() &&
               at.y() < r.top() + r.height();
    };
    bool any = false;
    const int n = std::min<int>(kProductLinkCount, static_cast<int>(m_rcProduct.size()));
    for (int i = 0; i < n; ++i) {
        if (!inside(m_rcProduct[static_cast<std::size_t>(i)]))
            continue;
        any = true;
        if (press)
            OpenProductLink(i);
    }
    if (!press) {
        if (any)
            Client()->setCursor(Qt::PointingHandCursor);
        else
            Client()->unsetCursor();
    }
}

} // namespace tmx7
