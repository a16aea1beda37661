// The data test panel against the simulated module on a pty, driven through
// its widgets: what each send puts on the line in active and passive mode,
// the preset lines, continuous runs and every way out of them, failures said
// in the status bar, and the receive area under echoes, clears and a long
// stream.

#include "QtTestApp.h"
#include "gui/QtEventSink.h"
#include "integration/sim_harness.h"
#include "settings/Session.h"
#include "ui/dialogs/ContinuousSendDlg.h"
#include "ui/dialogs/SendCountDlg.h"
#include "ui/mainwindow/DataTestPanel.h"
#include "ui/mainwindow/ReceiveArea.h"
#include "ui/mainwindow/SendArea.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextDocument>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace tmx7;
using namespace std::chrono_literals;
using tmx7::test::Click;
using tmx7::test::Find;
using tmx7::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The panel on a session whose port 6 is a simulated module at 57600 baud.
struct Rig {
    static constexpr int kPort = 6;

    explicit Rig(int serialMode, const char* userData = "41 42 43 44 45", bool open = true)
        : module(Options(serialMode)) {
        EXPECT_TRUE(module.Start());
        dir.Map(kPort, module.SlavePath());
        std::ofstream(userFile) << userData;
        if (open) {
            EXPECT_EQ(session.Ports().Open(kPort, 57600, "n,8,1"), 1);
        }
        session.SetLink({kPort, 57600, "n,8,1"});
        panel = std::make_unique<DataTestPanel>(session, nullptr, userFile.string());
        QObject::connect(&sink, &gui::QtEventSink::posted, panel.get(),
                         &DataTestPanel::applyEvents);
        QObject::connect(panel.get(), &DataTestPanel::statusMessage,
                         [this](const QString& text) { status = text; });
        QObject::connect(&sink, &gui::QtEventSink::posted, [this](const std::vector<Event>& e) {
            for (const Event& event : e)
                if (const auto* c = std::get_if<ReceiveCleared>(&event))
                    lastClear = c->epoch;
        });
        panel->resize(720, 300);
        panel->show();
    }
    ~Rig() {
        panel.reset();
        fs::remove_all(home);
    }
    static sim::SimulatorOptions Options(int serialMode) {
        sim::SimulatorOptions o = tmx7::testing::SimHarness::Module(9, 0, serialMode);
        o.pace = false;
        return o;
    }

    // Start-up's connection: the decoder, then a refresh that tells the mode.
    void Connect() {
        ASSERT_TRUE(session.Connect());
        ASSERT_TRUE(WaitUntil([this] { return !session.Busy(); }, 10s));
        ASSERT_TRUE(WaitUntil([this] { return session.State().serialMode >= 0; }));
        QTest::qWait(50); // the refresh's last answers are on the screen
        module.ClearAudit();
    }
    Bytes Line() const {
        Bytes all;
        for (const auto& f : module.Frames())
            all.insert(all.end(), f.bytes.begin(), f.bytes.end());
        return all;
    }
    // Waits for `n` frames; then, a while later, there must be no more.
    ::testing::AssertionResult Frames(std::size_t n) {
        if (n > 0 && !WaitUntil([&] { return module.FrameCount() >= n; }, 3s))
            return ::testing::AssertionFailure() << module.FrameCount() << " frames of " << n;
        QTest::qWait(80);
        if (module.FrameCount() != n)
            return ::testing::AssertionFailure() << module.FrameCount() << " frames, not " << n;
        return ::testing::AssertionSuccess();
    }
    template <class W = QPushButton> W* W_(const char* name) { return Find<W>(*panel, name); }
    QAction* Action(const char* name) { return panel->findChild<QAction*>(name); }
    SendArea* Area() { return W_<SendArea>("sendArea"); }
    ReceiveArea* Received() { return W_<ReceiveArea>("receiveArea"); }
    // "编辑用户数据", then the keys typed over the whole text, then Enter.
    void TypeUserData(const char* keys) {
        Action("editUserDataAction")->trigger();
        QTest::keyClick(Area(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Area(), keys);
        QTest::keyClick(Area(), Qt::Key_Return);
    }
    template <class D> D* Dialog() {
        for (D* d : panel->findChildren<D*>())
            if (d->isVisible())
                return d;
        return nullptr;
    }
    // "连续发送", the choices, "确定"; the count display is open afterwards.
    void StartRun(const char* form, const char* countMode, const char* count, const char* ms) {
        Click(W_("continuousSendButton"));
        auto* choose = Dialog<CContinuousSendDlg>();
        ASSERT_NE(choose, nullptr);
        Click(Find<QRadioButton>(*choose, form));
        Click(Find<QRadioButton>(*choose, countMode));
        for (auto [name, text] : {std::pair{"countEdit", count}, std::pair{"intervalEdit", ms}}) {
            auto* edit = Find<QLineEdit>(*choose, name);
            if (!edit->isEnabled())
                continue;
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, text);
        }
        Click(Find(*choose, "okButton"));
        ASSERT_TRUE(WaitUntil([this] { return Dialog<CSendCountDlg>() != nullptr; }));
    }
    QString Shown(CSendCountDlg* d) { return Find<QLineEdit>(*d, "countEdit")->text(); }

    sim::Simulator module;
    PortDirectory dir{tmx7::testing::IsolatedDirectory()};
    test::ScaledClock clock{5};
    gui::QtEventSink sink;
    Session session{sink, clock, dir};
    fs::path home = fs::path(::testing::TempDir()) /
                    ("panel" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::path userFile = (fs::create_directories(home), home / "yonghushuju.mak");
    std::unique_ptr<DataTestPanel> panel;
    QString status;
    std::uint64_t lastClear = 0; // epoch of the engine's last clear
};

// Types `path` into the open file dialog's name field, then "Save".
void AnswerFileDialog(const fs::path& path) {
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())); }));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path.string())); // no completer pop-up in the way
    Click(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save));
    ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
}

// Stamped lines, in order, as a pattern: "发41 42" is a frame sent.
QRegularExpression StampedLines(std::initializer_list<const char*> lines) {
    QString pattern = QStringLiteral("^");
    for (const char* line : lines)
        pattern += QStringLiteral(R"(\[\d\d:\d\d:\d\d\.\d{3}\] %1%2 %3\n)")
                       .arg(QString::fromUtf8(line[0] == 'S' ? "发" : "收"))
                       .arg(QString::fromUtf8(line[0] == 'S' ? "→" : "←"))
                       .arg(QString::fromLatin1(line + 1));
    return QRegularExpression(pattern + QLatin1Char('$'));
}

const Bytes k20{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
                0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13};

} // namespace

TEST(DataTestPanel, SendsInActiveModeOnlyOnceTheModeIsKnown) {
    Rig r(0);
    EXPECT_EQ(r.Area()->toPlainText(), "41 42 43 44 45") << "the user data file at start";
    EXPECT_TRUE(r.Area()->isReadOnly());
    Click(r.W_("sendButton"));
    EXPECT_TRUE(r.Frames(0)) << "nothing while the module has not told its mode";
    EXPECT_EQ(r.status, "");

    r.Connect();
    Click(r.W_("sendButton"));
    ASSERT_TRUE(r.Frames(1));
    EXPECT_EQ(r.Line(), (Bytes{0x41, 0x42, 0x43, 0x44, 0x45}));

    // Typing goes through the hex filter; Enter stores the text, no line end.
    r.TypeUserData("00 0a1 cx2 FF");
    EXPECT_TRUE(r.Area()->isReadOnly());
    EXPECT_EQ(r.Area()->toPlainText(), "00 01 2 FF");
    EXPECT_EQ(ReadAll(r.userFile), "00 01 2 FF");
    r.module.ClearAudit();
    Click(r.W_("sendButton"));
    ASSERT_TRUE(r.Frames(1));
    EXPECT_EQ(r.Line(), (Bytes{0x00, 0x01, 0x02, 0xFF}));

    // Standard data: the length entries check one at a time; colons count as blanks.
    r.Action("stdLength48Action")->trigger();
    r.Action("stdLength20Action")->trigger();
    EXPECT_FALSE(r.Action("stdLength48Action")->isChecked());
    r.Action("showStdDataAction")->trigger();
    EXPECT_TRUE(r.Area()->isReadOnly());
    EXPECT_TRUE(r.Area()->toPlainText().startsWith("00:01:02:"));
    r.module.ClearAudit();
    Click(r.W_("sendButton"));
    ASSERT_TRUE(r.Frames(1));
    EXPECT_EQ(r.Line(), k20);
    r.Action("showUserDataAction")->trigger();
    EXPECT_EQ(r.Area()->toPlainText(), "00 01 2 FF");

    // An empty send area sends nothing and says so.
    r.TypeUserData(" ");
    r.module.ClearAudit();
    Click(r.W_("sendButton"));
    EXPECT_TRUE(r.Frames(0));
    EXPECT_EQ(r.status, "没有要发送的数据");
}

TEST(DataTestPanel, PassiveModeFramesTheDataAndReadsTheModule) {
    Rig r(1, "41 42");
    r.Connect();
    ASSERT_TRUE(WaitUntil([&] { return r.W_("readDataButton")->isEnabled(); }));
    Click(r.W_("sendButton"));
    ASSERT_TRUE(r.Frames(1));
    EXPECT_EQ(r.Line(), (Bytes{0x24, 0x30, 0x30, 0x57, 0x00, 0x02, 0x41, 0x42, 0x0D}));

    r.module.ClearAudit();
    Click(r.W_("checkMemoryButton"));
    ASSERT_TRUE(r.Frames(1));
    Click(r.W_("readDataButton"));
    ASSERT_TRUE(r.Frames(2));
    EXPECT_EQ(r.Line(),
              (Bytes{0x24, 0x30, 0x30, 0x57, 0x00, 0x00, 0x0D, 0x24, 0x30, 0x30, 0x52, 0x0D}));
    // The module's answers come back into the receive area.
    EXPECT_TRUE(WaitUntil([&] {
        return r.Received()->toPlainText().simplified().endsWith("24 30 30 52 00 02 41 42 0D");
    }));
    EXPECT_EQ(r.module.MalformedCount(), 0u);
}

TEST(DataTestPanel, PresetLinesSendTheirPiecesUnframed) {
    Rig r(1);
    r.Connect(); // passive: presets still go out as typed
    QWidget* presets = r.W_<QWidget>("presetPanel");
    const int wide = r.Area()->width();
    EXPECT_TRUE(presets->isHidden());
    QTest::mouseDClick(r.Area()->viewport(), Qt::LeftButton);
    EXPECT_FALSE(presets->isHidden());
    EXPECT_LT(r.Area()->width() * 2, wide) << "the send area narrows beside the lines";

    const struct {
        int line;
        const char* keys;
        Bytes bytes;
    } cases[] = {
        {1, "1 2 3", {0x01, 0x02, 0x03}},
        {5, "123", {0x23}},
        {9, "a1b", {0x01}}, // lower case is no hex key
        {2, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        r.module.ClearAudit();
        const std::string n = std::to_string(c.line);
        QTest::keyClicks(r.W_<QLineEdit>(("presetLine" + n).c_str()), c.keys);
        Click(r.W_(("presetButton" + n).c_str()));
        ASSERT_TRUE(r.Frames(c.bytes.empty() ? 0 : 1));
        EXPECT_EQ(r.Line(), c.bytes);
    }
    QTest::mouseDClick(r.Area()->viewport(), Qt::LeftButton);
    EXPECT_TRUE(presets->isHidden());
    QTest::qWait(10);
    EXPECT_EQ(r.Area()->width(), wide);
}

TEST(DataTestPanel, CountedRunSendsExactlyItsCount) {
    Rig r(0);
    r.Connect();
    r.StartRun("userDataRadio", "countedRadio", "3", "100");
    CSendCountDlg* count = r.Dialog<CSendCountDlg>();
    EXPECT_TRUE(count->isModal());
    ASSERT_TRUE(WaitUntil([&] { return r.Shown(count) == "3"; }, 3s));
    EXPECT_TRUE(r.Frames(3)) << "no fourth frame after the count";
    QTest::qWait(200);
    EXPECT_EQ(r.module.FrameCount(), 3u);
    EXPECT_EQ(r.Shown(count), "3") << "the display keeps the final count until confirmed";
    for (const auto& f : r.module.Frames())
        EXPECT_EQ(f.bytes, (Bytes{0x41, 0x42, 0x43, 0x44, 0x45}));
    Click(Find(*count, "okButton"));
    EXPECT_TRUE(WaitUntil([&] { return !r.panel->continuousSendOpen(); }));
}

TEST(DataTestPanel, EveryWayOutOfTheCountDisplayStopsTheRun) {
    Rig r(0, "01 02");
    r.Connect();
    const std::pair<const char*, std::function<void(CSendCountDlg*)>> exits[] = {
        {"OK", [](CSendCountDlg* d) { Click(Find(*d, "okButton")); }},
        {"Enter", [](CSendCountDlg* d) { QTest::keyClick(d, Qt::Key_Return); }},
        {"Escape", [](CSendCountDlg* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close", [](CSendCountDlg* d) { d->close(); }},
    };
    for (const auto& [name, leave] : exits) {
        SCOPED_TRACE(name);
        r.module.ClearAudit();
        r.StartRun("userDataRadio", "untilStoppedRadio", "10", "100");
        CSendCountDlg* count = r.Dialog<CSendCountDlg>();
        ASSERT_TRUE(WaitUntil([&] { return r.Shown(count).toInt() >= 2; }));
        const std::size_t shown = r.Shown(count).toUInt();
        leave(count);
        ASSERT_TRUE(WaitUntil([&] { return !r.panel->continuousSendOpen(); }));
        EXPECT_TRUE(r.Frames(shown)) << "one frame per tick shown, none after";
        QTest::qWait(200);
        EXPECT_EQ(r.module.FrameCount(), shown);
    }
    // Cancel in the first dialog starts nothing.
    r.module.ClearAudit();
    Click(r.W_("continuousSendButton"));
    Click(Find(*r.Dialog<CContinuousSendDlg>(), "cancelButton"));
    EXPECT_EQ(r.Dialog<CSendCountDlg>(), nullptr);
    EXPECT_TRUE(r.Frames(0));
}

TEST(DataTestPanel, FailedSendsAreSaidInTheStatusBar) {
    // Never opened: the port is not there.
    {
        Rig r(0, "41", false);
        QTest::mouseDClick(r.Area()->viewport(), Qt::LeftButton);
        QTest::keyClicks(r.W_<QLineEdit>("presetLine1"), "01");
        Click(r.W_("presetButton1"));
        EXPECT_EQ(r.status, "串口未打开，数据未发送");
    }
    Rig r(0);
    r.Connect();
    // While a sequence talks to the module, test data waits its turn.
    ASSERT_TRUE(r.session.Refresh());
    Click(r.W_("sendButton"));
    EXPECT_EQ(r.status, "正在读写模块参数，数据未发送");
    ASSERT_TRUE(WaitUntil([&] { return !r.session.Busy(); }, 10s));
    for (const auto& f : r.module.Frames())
        EXPECT_NE(f.kind, sim::FrameKind::Data);

    // A line that takes nothing more (held by flow control): frames are
    // refused whole, and that is said.
    r.Action("stdLength192Action")->trigger();
    r.module.ClearAudit();
    sim::FaultConfig faults;
    faults.stall = true;
    r.module.SetFaults(faults);
    for (int i = 0; i < 2000 && r.status != "串口发送跟不上，本次数据未发送"; ++i)
        Click(r.W_("sendButton"));
    EXPECT_EQ(r.status, "串口发送跟不上，本次数据未发送");
    r.module.SetFaults({});
    ASSERT_TRUE(WaitUntil([&] { return r.session.Ports().Backlog(Rig::kPort) == 0u; }, 10s));
    QTest::qWait(100); // the module's end-of-burst gap
    EXPECT_GT(r.Line().size(), 0u);
    EXPECT_EQ(r.Line().size() % 192, 0u) << "only whole frames reach the line";
}

TEST(DataTestPanel, EchoesShowInOrderAndAClearDropsStaleText) {
    Rig r(0);
    r.Connect();
    ReceiveArea* area = r.Received();
    // Still on their way when the user clears: text decoded before the clear,
    // and text decoded just after it that overtook the clear's own event.
    r.sink.Post({Received{"EE EE ", r.lastClear}});
    r.sink.Post({Received{"AB ", r.lastClear + 1}});
    QTest::mouseDClick(area->viewport(), Qt::LeftButton);
    QString expected = "AB ";
    ASSERT_TRUE(WaitUntil([&] { return area->toPlainText() == expected; }))
        << area->toPlainText().toStdString();

    for (const char* text : {"10 11 12", "20 21 22 23", "30", "40 41 42 43 44 45 46"}) {
        r.TypeUserData(text);
        Click(r.W_("sendButton"));
        expected += QString::fromLatin1(text) + ' ';
        ASSERT_TRUE(WaitUntil([&] { return area->toPlainText() == expected; }))
            << area->toPlainText().toStdString();
    }
    EXPECT_EQ(area->document()->availableUndoSteps(), 0);
}

TEST(DataTestPanel, ReceiveAreaStaysBoundedAfterALongStream) {
    Rig r(0);
    ReceiveArea* area = r.Received();
    const auto flat = [area] { return area->toPlainText().replace('\n', ' '); };
    QString last;
    for (int i = 0; i < 1000; ++i) { // 1.5 MB of hex text in 1.5 KB packets
        last = QStringLiteral("%1 ").arg(i & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
        for (int k = 1; k < 512; ++k)
            last += QStringLiteral("5A ");
        r.sink.Post({Received{last.toStdString(), 0}});
    }
    ASSERT_TRUE(WaitUntil([&] { return flat().endsWith(last); }, 10s));
    const QString shown = flat();
    EXPECT_LE(shown.size(), 256 * 1024);
    EXPECT_GE(shown.size(), 256 * 1024 - 17 * 1024);
    EXPECT_EQ(shown.size() % 3, 0);
    EXPECT_EQ(shown.at(2), ' ') << "the cut falls between pairs";
    EXPECT_FALSE(area->document()->isUndoRedoEnabled());
    EXPECT_EQ(area->document()->availableUndoSteps(), 0);
    EXPECT_LE(area->document()->blockCount(), 300) << "lines of about 1 K characters";
}

// "时间戳显示" shows a stamped line for each frame sent and packet received;
// "记录到日志文件..." keeps every one in a file until switched off, whatever
// the area shows meanwhile; "保存接收区..." writes what the area shows.
TEST(DataTestPanel, StampedLinesTheTrafficLogAndTheSavedArea) {
    Rig r(0, "41 42 43");
    r.Connect();
    QAction* stamps = r.Action("timestampAction");
    QAction* logging = r.Action("trafficLogAction");
    auto* stamped = r.W_<ReceiveArea>("trafficArea");
    stamps->trigger();
    EXPECT_TRUE(stamped->isVisible());
    EXPECT_FALSE(r.Received()->isVisible());

    // A FIFO is no log file: the entry stays off.
    const fs::path fifo = r.home / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    logging->trigger();
    AnswerFileDialog(fifo);
    EXPECT_FALSE(logging->isChecked());
    EXPECT_TRUE(r.status.startsWith("日志文件未打开：")) << r.status.toStdString();
    const fs::path log = r.home / "traffic.log";
    logging->trigger();
    AnswerFileDialog(log);
    EXPECT_TRUE(logging->isChecked());
    EXPECT_EQ(r.status, QStringLiteral("正在记录到日志文件 ") + QString::fromStdString(log));

    QTest::mouseDClick(stamped->viewport(), Qt::LeftButton);
    Click(r.W_("sendButton"));
    const auto first = StampedLines({"S41 42 43", "R41 42 43"});
    ASSERT_TRUE(WaitUntil([&] { return first.match(stamped->toPlainText()).hasMatch(); }))
        << stamped->toPlainText().toStdString();
    // A clear empties the area, not the log.
    QTest::mouseDClick(stamped->viewport(), Qt::LeftButton);
    EXPECT_EQ(stamped->toPlainText(), "");
    r.TypeUserData("01 02");
    Click(r.W_("sendButton"));
    const auto second = StampedLines({"S01 02", "R01 02"});
    ASSERT_TRUE(WaitUntil([&] { return second.match(stamped->toPlainText()).hasMatch(); }))
        << stamped->toPlainText().toStdString();

    r.Action("saveReceivedAction")->trigger();
    AnswerFileDialog(r.home / "saved.txt");
    EXPECT_TRUE(second.match(QString::fromStdString(ReadAll(r.home / "saved.txt"))).hasMatch());
    EXPECT_TRUE(r.status.startsWith("接收区已保存到 "));

    logging->trigger();
    EXPECT_FALSE(logging->isChecked());
    EXPECT_EQ(r.status, "日志文件已关闭");
    const auto all = StampedLines({"S41 42 43", "R41 42 43", "S01 02", "R01 02"});
    EXPECT_TRUE(all.match(QString::fromStdString(ReadAll(log))).hasMatch()) << ReadAll(log);

    // The plain display again, with what came since the clear.
    stamps->trigger();
    EXPECT_TRUE(r.Received()->isVisible());
    EXPECT_EQ(r.Received()->toPlainText(), "01 02 ");
}
