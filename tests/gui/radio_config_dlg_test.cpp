#include "ui/window/RadioConfigDlg.h"

#include "QtTestApp.h"
#include "gui/MessageBox.h"
#include "gui/Widgets.h"
#include "res/ResourceIds.h"
#include "sim/Simulator.h"
#include "ui/window/ReceiveArea.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace tmx7;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const QString kStars = QStringLiteral("********");
const std::vector<int> kGeneral = {1100, 1038, 1109, 1050, 1102, 1049, 1101, 1039, 1110,
                                   1051, 1111, 1058, 1103, 1080, 1105, 1044, 1104, 1043};
const std::vector<int> kSaving = {1106, 1045, 1117, 1057, 1107, 1047, 1114,
                                  1053, 1108, 1048, 1115, 1046, 1116, 1056};
const std::vector<int> kPassive = {1113, 1052};

enum class Shown { General, Saving, Passive };

Shown ShownPage(const CRadioConfigDlg& dlg) {
    auto all = [&](const std::vector<int>& ids, bool shown) {
        for (int id : ids)
            if (dlg.IsShown(id) != shown)
                return false;
        return true;
    };
    if (all(kGeneral, true) && all(kSaving, false) && all(kPassive, false))
        return Shown::General;
    if (all(kGeneral, false) && all(kSaving, true) && all(kPassive, false))
        return Shown::Saving;
    EXPECT_TRUE(all(kGeneral, false) && all(kSaving, false) && all(kPassive, true))
        << "pairs of more than one page shown";
    return Shown::Passive;
}

class TempDir {
public:
    TempDir() {
        char tpl[] = "/tmp/tmx7_window_XXXXXX";
        m_path = mkdtemp(tpl);
    }
    ~TempDir() { fs::remove_all(m_path); }
    std::string File(const char* name) const { return (fs::path(m_path) / name).string(); }

private:
    std::string m_path;
};

// The window without its start-up timer, on a virtual clock, so the
// sequences run instantly.
struct Window {
    explicit Window(const std::string& userData)
        : dlg(nullptr, clock, PortDirectory::System(), userData) {
        clock.setAutoAdvance(true);
        dlg.KillTimer(1);
    }
    VirtualClock clock;
    CRadioConfigDlg dlg;
};

void Drain() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

TEST(RadioConfigDlg, InitialState) {
    TempDir dir;
    const std::string file = dir.File("yonghushuju.mak");
    CRadioConfigDlg dlg(nullptr, RealClock(), PortDirectory::System(), file);
    EXPECT_TRUE(dlg.HasTimer(1)) << "start-up runs from timer 1";
    dlg.KillTimer(1);

    for (int id : {1137, 1040, 1041, 1042, 1028, 1133, 1134, 1135, 1099})
        EXPECT_FALSE(dlg.IsShown(id)) << id;
    for (int id = 1061; id <= 1078; ++id)
        EXPECT_FALSE(dlg.IsShown(id)) << id;
    for (int id : {1000, 1001, 1021, 1023, 1024, 1025, 1126, 1092, 1095, 1088})
        EXPECT_TRUE(dlg.IsShown(id)) << id;
    EXPECT_EQ(ShownPage(dlg), Shown::General);

    EXPECT_EQ(dlg.TabCount(1126), 1);
    EXPECT_EQ(dlg.TabText(1126, 0), QString::fromUtf8("一般参数"));
    EXPECT_EQ(dlg.TabCurSel(1126), 0);
    EXPECT_EQ(dlg.Progress(1099)->minimum(), 0);
    EXPECT_EQ(dlg.Progress(1099)->maximum(), 230);

    ASSERT_EQ(dlg.PaneCount(), 3);
    EXPECT_EQ(dlg.PaneText(0), QString::fromUtf8("未建立通信"));
    EXPECT_EQ(dlg.PaneText(1), QString::fromUtf8("下载程序延时......"));
    EXPECT_EQ(dlg.PaneText(2), QString::fromUtf8("我们是优秀的团队"));
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("远桥通信——Q系列电台"));

    ASSERT_NE(dlg.Menu(), nullptr);
    for (int cmd : dlg.Menu()->Commands())
        EXPECT_TRUE(dlg.Menu()->IsEnabled(cmd)) << cmd;
    EXPECT_TRUE(dlg.Menu()->IsChecked(res::ID_STD_LENGTH_20));

    EXPECT_EQ(dlg.ToolTip(1000), QString::fromUtf8("信息接收区域，双击可清除接收到的内容"));
    EXPECT_EQ(dlg.ToolTip(1105), QString::fromUtf8("双击对话框对省电模式进行设置"));
    EXPECT_TRUE(dlg.ToolTip(1110).isEmpty());

    EXPECT_EQ(dlg.Text(1133), "00");
    EXPECT_EQ(dlg.m_strStdData, "00:01:02:03:04:05:06:07:08:09:0A:0B:0C:0D:0E:0F:10:11:12:13");
    EXPECT_EQ(dlg.SerialMode(), -1);
    EXPECT_EQ(dlg.ValueRects().size(), 17u);
    EXPECT_EQ(dlg.ProductRects().size(), 8u);
    // No user data file: created with exactly the default text, shown in the send area.
    EXPECT_EQ(ReadAll(file), CRadioConfigDlg::kDefaultUserData);
    EXPECT_EQ(dlg.Text(1001).toStdString(), CRadioConfigDlg::kDefaultUserData);
}

TEST(RadioConfigDlg, UserDataFile) {
    TempDir dir;
    {
        const std::string file = dir.File("data.mak");
        std::ofstream(file) << "AA BB CC\nsecond line";
        Window w(file);
        EXPECT_EQ(w.dlg.m_strUserData, "AA BB CC");
        EXPECT_EQ(w.dlg.Text(1001), "AA BB CC");
        EXPECT_EQ(ReadAll(file), "AA BB CC\nsecond line") << "an existing file is left alone";
    }
    // A path that is no file (a FIFO used to freeze the window at start):
    // default in memory, nothing written through it, and editing says why.
    fs::create_directory(dir.File("adir"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", dir.File("zero"));
    for (const auto& [name, kind] : {std::pair{"adir", "a folder"}, std::pair{"fifo", "a FIFO"},
                                     std::pair{"zero", "a character device"}}) {
        const std::string file = dir.File(name);
        const auto type = fs::symlink_status(file).type();
        Window w(file);
        EXPECT_EQ(w.dlg.m_strUserData, CRadioConfigDlg::kDefaultUserData);
        w.dlg.PostCommand(res::ID_DATA_EDIT_USER);
        Drain();
        EXPECT_EQ(w.dlg.PaneText(1).toStdString(),
                  "用户数据文件无法使用：open " + file + ": " + kind + ", not a regular file");
        EXPECT_EQ(fs::symlink_status(file).type(), type);
    }
}

TEST(RadioConfigDlg, TabSwitchingByCaption) {
    TempDir dir;
    struct Case {
        bool saving, passive;
        int select;
        Shown expected;
    };
    // Selecting an index that does not exist changes nothing (page stays).
    const Case cases[] = {
        {false, false, 0, Shown::General}, {false, false, 1, Shown::General},
        {true, false, 1, Shown::Saving},   {true, false, 2, Shown::Saving},
        {false, true, 1, Shown::Passive},  {false, true, 2, Shown::Passive},
        {true, true, 1, Shown::Saving},    {true, true, 2, Shown::Passive},
        {true, true, 0, Shown::General},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.saving << c.passive << " select " << c.select);
        Window w(dir.File("u.mak"));
        if (c.saving)
            w.dlg.ApplyEvent(PageShown{Page::PowerSaving, true});
        if (c.passive)
            w.dlg.ApplyEvent(PageShown{Page::Passive, true});
        // Go to the last page first so a no-op selection is visible as such.
        const int last = w.dlg.TabCount(1126) - 1;
        w.dlg.Tabs(1126)->setCurrentIndex(last);
        const Shown before = ShownPage(w.dlg);
        w.dlg.Tabs(1126)->setCurrentIndex(c.select);
        EXPECT_EQ(ShownPage(w.dlg), c.select <= last ? c.expected : before);
    }
}

TEST(RadioConfigDlg, RemovedPageFallsBackToTheSelectedCaption) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    w.dlg.ApplyEvent(PageShown{Page::PowerSaving, true});
    w.dlg.ApplyEvent(PageShown{Page::Passive, true});
    w.dlg.Tabs(1126)->setCurrentIndex(2);
    ASSERT_EQ(ShownPage(w.dlg), Shown::Passive);
    // A refresh removes both pages: the view follows the tab left selected.
    w.dlg.ApplyEvent(PageShown{Page::PowerSaving, false});
    w.dlg.ApplyEvent(PageShown{Page::Passive, false});
    EXPECT_EQ(w.dlg.TabCount(1126), 1);
    EXPECT_EQ(ShownPage(w.dlg), Shown::General);
}

TEST(RadioConfigDlg, HexFilterTypedAndPasted) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    w.dlg.show();
    for (int id : {1070, 1078, 1133}) {
        SCOPED_TRACE(id);
        QLineEdit* e = w.dlg.LineEdit(id);
        ASSERT_NE(e, nullptr);
        e->setMaxLength(100);
        e->clear();
        QTest::keyClicks(e, "a1Ab.f");
        EXPECT_EQ(e->text(), "1A.");
        e->clear();
        QApplication::clipboard()->setText("0a 1B\tc");
        e->paste();
        EXPECT_EQ(e->text(), "0 1B");
    }
    auto* send = w.dlg.MultiEdit(1001);
    ASSERT_NE(send, nullptr);
    send->setReadOnly(false); // the filter holds also where typing is possible
    send->clear();
    QTest::keyClicks(send, "1a A");
    EXPECT_EQ(send->toPlainText(), "1 A");
    QApplication::clipboard()->setText("ff FF");
    send->paste();
    EXPECT_EQ(send->toPlainText(), "1 A FF");
}

TEST(RadioConfigDlg, RightButtonPressSwallowedAndReleaseShowsFileMenu) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    w.dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.dlg));
    QWidget* area = w.dlg.MultiEdit(1000)->viewport();
    // The edit's own context menu would open on the right button; nothing does.
    QTest::mousePress(area, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(area, Qt::RightButton, {}, QPoint(10, 10));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(10, 10),
                                area->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(area, &menuEvent);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "right button reached the control";

    w.dlg.OnClosePort(); // greys most entries
    const QPoint background = w.dlg.ControlRect(1000).topLeft() - QPoint(4, 4);
    QTest::mouseRelease(w.dlg.Client(), Qt::RightButton, {}, background);
    QMenu* file = w.dlg.Menu()->SubMenu(0);
    ASSERT_TRUE(file->isVisible());
    for (QAction* a : file->actions()) {
        if (a->isSeparator())
            continue;
        const bool isExit = a == w.dlg.Menu()->Action(res::ID_FILE_EXIT);
        EXPECT_EQ(a->isEnabled(), isExit) << a->text().toStdString();
    }
    file->hide();
}

TEST(RadioConfigDlg, OpenAndClosePortMenuTables) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    gui::SetMessageBoxHook([](const QString&, const QString&, int) { return res::IDOK; });
    w.dlg.SetConnection(977, 9600, "n,8,1"); // no such port: the open fails
    w.dlg.OnClosePort();
    const std::vector<int> greyed = {32771, 32773, 32775, 32776, 32777, 32778, 32779,
                                     32780, 32781, 32782, 32783, 32784, 32785, 32786,
                                     32787, 32788, 32789, 32790, 32808, 32805, 32804};
    for (int cmd : w.dlg.Menu()->Commands()) {
        const bool grey = std::find(greyed.begin(), greyed.end(), cmd) != greyed.end();
        EXPECT_EQ(w.dlg.Menu()->IsEnabled(cmd), !grey) << cmd;
    }
    for (int id : {1021, 1023, 1024, 1025})
        EXPECT_FALSE(w.dlg.IsEnabled(id)) << id;

    w.dlg.OnOpenPort();
    Drain();
    for (int cmd : w.dlg.Menu()->Commands()) {
        const bool untouched = cmd >= 32784 && cmd <= 32787;
        EXPECT_EQ(w.dlg.Menu()->IsEnabled(cmd), !untouched) << cmd;
    }
    EXPECT_TRUE(w.dlg.IsEnabled(1021));
    EXPECT_TRUE(w.dlg.IsEnabled(1023));
    EXPECT_FALSE(w.dlg.IsEnabled(1024)) << "left to the answers";
    EXPECT_FALSE(w.dlg.IsEnabled(1025));
    EXPECT_FALSE(w.dlg.DecoderRunning()) << "no decoder without an open port";
    // The refresh ends at its first query: nothing claims a completed read.
    EXPECT_EQ(w.dlg.PaneText(1), QString::fromUtf8("准备"));
    EXPECT_EQ(w.dlg.Text(1038), kStars);
    gui::SetMessageBoxHook({});
}

TEST(RadioConfigDlg, ViewUpdatesAppliedInPostingOrder) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    EventSink& sink = w.dlg.Sink();
    std::thread decoder([&] {
        sink.Post({Received{"01 ", 0}, ValueShown{Field::TxFrequency, "first"}});
        sink.Post({PageShown{Page::PowerSaving, true}, PageShown{Page::PowerSaving, true},
                   CommandEnabled{Command::SetSleepPeriod, false}});
    });
    decoder.join();
    // The window's own clear is queued behind the decoder's earlier batches.
    sink.Post({ReceiveCleared{1}});
    sink.Post({Received{"02 ", 0}, ValueShown{Field::TxFrequency, "second"}, tmx7::Progress{125},
               ProgressShown{true}, tmx7::Status{StatusSlot::Activity, "准备"}});
    sink.Post({Received{"03 ", 1}, PageShown{Page::Passive, true}, PageSelected{Page::Passive}});
    EXPECT_EQ(w.dlg.Text(1038), "********") << "nothing applied before the event loop runs";
    Drain();
    EXPECT_EQ(w.dlg.ReceivedText(), "03 ") << "text decoded before the clear is dropped";
    EXPECT_EQ(w.dlg.Text(1038), "second");
    EXPECT_EQ(w.dlg.TabCount(1126), 3) << "a page caption appears once";
    EXPECT_FALSE(w.dlg.Menu()->IsEnabled(32784));
    EXPECT_EQ(w.dlg.ProgressPos(1099), 125);
    EXPECT_TRUE(w.dlg.IsShown(1099));
    EXPECT_EQ(w.dlg.PaneText(1), QString::fromUtf8("准备"));
    EXPECT_EQ(w.dlg.TabCurSel(1126), 2);
    EXPECT_EQ(ShownPage(w.dlg), Shown::Passive);
}

TEST(RadioConfigDlg, ReceiveAreaKeepsNewestTextAtPairBoundary) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    for (const char* sep : {" ", "\n"}) {
        SCOPED_TRACE(sep[0] == ' ' ? "blanks" : "lines");
        w.dlg.ApplyEvent(ReceiveCleared{0});
        QString all;
        unsigned n = 0;
        while (all.size() < 300 * 1024) {
            QString packet;
            for (int i = 0; i < 500; ++i, ++n)
                packet += QString::asprintf("%02X", n % 251) + QLatin1String(sep);
            all += packet;
            w.dlg.ApplyEvent(Received{packet.toStdString(), 0});
        }
        // Long runs of pairs are broken into lines at blanks for the editor's sake.
        QString shown = w.dlg.ReceivedText();
        if (sep[0] == ' ')
            shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
        EXPECT_LE(shown.size(), kReceiveLimit);
        EXPECT_GE(shown.size(), kReceiveTrimTo - 3);
        EXPECT_TRUE(all.endsWith(shown)) << "the newest text is kept as it came";
        // Starts with a whole pair: the character before the cut was a separator.
        const auto cut = all.size() - shown.size();
        EXPECT_EQ(all[cut - 1], QLatin1Char(sep[0]));
        EXPECT_NE(shown[0], QLatin1Char(sep[0]));
    }
    // The widget itself stays bounded too: it keeps no history of the appends
    // and trims (it held one undo step per append, 87 000 after 16 MB).
    EXPECT_EQ(w.dlg.MultiEdit(1000)->document()->availableUndoSteps(), 0);
    // The other area the program writes is set as a whole, which keeps no history.
    for (int i = 0; i < 100; ++i)
        w.dlg.PostCommand(i % 2 ? 32776 : 32775); // show standard data, user data
    QCoreApplication::processEvents();
    EXPECT_EQ(w.dlg.MultiEdit(1001)->document()->availableUndoSteps(), 0);
}

TEST(RadioConfigDlg, EnterAndEscapeDoNotEndTheWindow) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    w.dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.dlg));
    w.dlg.Show(1070);
    for (auto key : {Qt::Key_Return, Qt::Key_Escape}) {
        QTest::keyClick(w.dlg.LineEdit(1070), key);
        QTest::keyClick(&w.dlg, key);
    }
    EXPECT_TRUE(w.dlg.isVisible());
    EXPECT_FALSE(w.dlg.Closed());
}

// ---------------------------------------------------------------------------
// Against the simulated module

namespace {

struct SimWindow {
    explicit SimWindow(sim::SimulatorOptions opts, const std::string& userData)
        : module(std::move(opts)) {
        EXPECT_TRUE(module.Start());
        PortDirectory::System().Map(kPort, module.SlavePath());
        dlg = std::make_unique<CRadioConfigDlg>(nullptr, RealClock(), PortDirectory::System(),
                                                userData);
        dlg->KillTimer(1);
    }
    ~SimWindow() {
        dlg.reset();
        module.Stop();
        PortDirectory::System().Unmap(kPort);
    }
    // What the settings dialog does on OK: the port is open with the
    // module's format when it reports success.
    SerialSettingsOutcome Connect() {
        SerialSettingsOutcome out;
        out.code = res::IDOK;
        out.result = {true, kPort, 9600, "n,8,1", 0, ""};
        dlg->PortTable().Open(kPort, 9600, "n,8,1");
        return out;
    }
    static constexpr int kPort = 61;
    sim::Simulator module;
    std::unique_ptr<CRadioConfigDlg> dlg;
};

bool AllShown(const CRadioConfigDlg& dlg, const std::vector<int>& values) {
    for (int id : values) {
        const QString t = dlg.Text(id);
        if (t.isEmpty() || t.contains('*'))
            return false;
    }
    return true;
}

} // namespace

TEST(RadioConfigDlgSim, StartUpFillsTheGeneralPage) {
    TempDir dir;
    SimWindow s({}, dir.File("u.mak"));
    s.dlg->SetSerialSettingsRunner([&] { return s.Connect(); });
    s.dlg->show();
    s.dlg->SetTimer(1, 0);
    const std::vector<int> values = {1038, 1050, 1049, 1039, 1051, 1058, 1080, 1044, 1043};
    QTRY_VERIFY_WITH_TIMEOUT(s.dlg->PaneText(1) == QString::fromUtf8("刷新参数完成."), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(AllShown(*s.dlg, values), 5000);
    EXPECT_TRUE(s.dlg->PaneText(0).startsWith(
        QString::fromUtf8("端口COM61连接成功,上位机串口格式为9600,n,8,1")));
    EXPECT_TRUE(s.dlg->DecoderRunning());
    EXPECT_EQ(s.dlg->TabCount(1126), 1);
    EXPECT_FALSE(s.dlg->IsShown(1099)) << "progress bar hidden at the end";
}

TEST(RadioConfigDlgSim, PowerSavingAndPassivePagesAppear) {
    TempDir dir;
    sim::SimulatorOptions opts;
    opts.state.serialMode = 1;
    opts.state.powerMode = 1;
    SimWindow s(opts, dir.File("u.mak"));
    s.dlg->SetSerialSettingsRunner([&] { return s.Connect(); });
    s.dlg->show();
    s.dlg->SetTimer(1, 0);
    QTRY_VERIFY_WITH_TIMEOUT(s.dlg->SaveTab() && s.dlg->PassiveTab() &&
                                 AllShown(*s.dlg, {1045, 1057, 1047, 1053, 1048, 1046, 1056, 1052}),
                             20000);
    s.dlg->Tabs(1126)->setCurrentIndex(s.dlg->TabFind(1126, QString::fromUtf8("省电参数")));
    EXPECT_EQ(ShownPage(*s.dlg), Shown::Saving);
    s.dlg->Tabs(1126)->setCurrentIndex(s.dlg->TabFind(1126, QString::fromUtf8("被动参数")));
    EXPECT_EQ(ShownPage(*s.dlg), Shown::Passive);
}

TEST(RadioConfigDlgSim, CloseDuringRefreshEndsItAndJoinsTheDecoder) {
    TempDir dir;
    SimWindow s({}, dir.File("u.mak"));
    s.Connect();
    s.dlg->SetConnection(SimWindow::kPort, 9600, "n,8,1");
    s.dlg->show();
    QTimer::singleShot(1200, s.dlg.get(), [&] { s.dlg->close(); });
    const auto start = std::chrono::steady_clock::now();
    s.dlg->ConnectAtStartup(); // returns when the sequence is over
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 3s) << "the close cut the refresh short";
    QTRY_VERIFY_WITH_TIMEOUT(s.dlg->Closed(), 2000);
    EXPECT_FALSE(s.dlg->DecoderRunning());
    EXPECT_NE(s.dlg->PaneText(1), QString::fromUtf8("刷新参数完成."));
}

TEST(RadioConfigDlgSim, SettingsDialogExitEndsTheProgram) {
    TempDir dir;
    Window w(dir.File("u.mak"));
    w.dlg.SetSerialSettingsRunner([] {
        SerialSettingsOutcome out;
        out.code = CRadioConfigDlg::kExitProgram;
        return out;
    });
    QTimer::singleShot(0, &w.dlg, [&] { w.dlg.SetTimer(1, 0); });
    EXPECT_EQ(w.dlg.DoModal(), 0);
    EXPECT_TRUE(w.dlg.Closed());
    EXPECT_EQ(w.dlg.ExitCode(), 0);
    EXPECT_FALSE(w.dlg.HasTimer(2));
}

TEST(RadioConfigDlgSim, ExitPutsStop0101OnTheLineBeforeThePortCloses) {
    TempDir dir;
    SimWindow s({}, dir.File("u.mak"));
    s.module.SetPacing(false);
    s.Connect();
    s.dlg->SetConnection(SimWindow::kPort, 9600, "n,8,1");
    s.module.ClearAudit();
    s.dlg->PostCommand(res::ID_FILE_EXIT);
    QTRY_VERIFY_WITH_TIMEOUT(s.dlg->Closed(), 2000);
    s.dlg.reset(); // the port table goes with the window
    s.module.WaitForFrames(1, 500ms);
    bool sawStop = false;
    for (const auto& f : s.module.Frames())
        sawStop = sawStop || (f.bytes.size() == 9 && f.bytes[8] == 0xA8);
    EXPECT_TRUE(sawStop);
}
