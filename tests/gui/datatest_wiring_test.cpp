// The data test bench of the main window against the simulated module: the
// send button in every serial mode, preset lines, the passive buttons,
// counted continuous send with its two dialogs, the receive area, the preset
// panel, user data editing and the standard data length menu.

#include "ui/window/RadioConfigDlg.h"

#include "QtTestApp.h"
#include "gui/Widgets.h"
#include "res/ResourceIds.h"
#include "sim/Simulator.h"
#include "ui/TestData.h"
#include "ui/window/ContinuousSendDlg.h"
#include "ui/window/SendCountDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace tmx7;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

class TempDir {
public:
    TempDir() {
        char tpl[] = "/tmp/tmx7_datatest_XXXXXX";
        m_path = mkdtemp(tpl);
    }
    ~TempDir() { fs::remove_all(m_path); }
    std::string File(const char* name) const { return (fs::path(m_path) / name).string(); }

private:
    std::string m_path;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Drain() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// The window on a simulated module's pty, the port open with the module's
// line; the decoder runs only when a test connects the way start-up does.
struct SimWindow {
    SimWindow(int port, sim::ModuleState state, int baud = 9600) : m_port(port), m_baud(baud) {
        sim::SimulatorOptions opts;
        opts.state = state;
        opts.state.serialBaud = static_cast<std::uint8_t>(*sim::RateCodeForBaud(baud));
        module = std::make_unique<sim::Simulator>(opts);
        EXPECT_TRUE(module->Start());
        PortDirectory::System().Map(port, module->SlavePath());
        dlg = std::make_unique<CRadioConfigDlg>(nullptr, RealClock(), PortDirectory::System(),
                                                dir.File("yonghushuju.mak"));
        dlg->KillTimer(1);
        EXPECT_EQ(dlg->PortTable().Open(port, baud, "n,8,1"), 1);
        dlg->SetConnection(port, baud, "n,8,1");
    }
    ~SimWindow() {
        dlg.reset();
        module->Stop();
        PortDirectory::System().Unmap(m_port);
    }
    // What start-up does after the settings dialog: decoder, then refresh.
    void ConnectLikeStartUp() { dlg->ConnectAtStartup(); }
    void SetMode(int mode, const std::string& addr) {
        dlg->Shared().With([&](DecoderState& s) {
            s.serialMode = mode;
            s.passiveAddr = addr;
            return 0;
        });
    }
    Bytes LineBytes() const {
        Bytes all;
        for (const auto& f : module->Frames())
            all.insert(all.end(), f.bytes.begin(), f.bytes.end());
        return all;
    }

    TempDir dir;
    int m_port;
    int m_baud;
    std::unique_ptr<sim::Simulator> module;
    std::unique_ptr<CRadioConfigDlg> dlg;
};

sim::ModuleState Module(int serialMode) {
    sim::ModuleState s;
    s.serialMode = static_cast<std::uint8_t>(serialMode);
    return s;
}

// Runs `fn` on the next modal dialog of type T once it is up.
template <class T> void WhenModal(std::function<void(T*)> fn) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, fn] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            fn(d);
        }
    });
    poll->start();
}

// Fills and confirms the continuous-send dialog.
void ChooseContinuous(int formRadio, int countRadio, const char* count, const char* interval) {
    WhenModal<CContinuousSendDlg>([=](CContinuousSendDlg* d) {
        d->AnyButton(formRadio)->click();
        d->AnyButton(countRadio)->click();
        d->SetText(kIdcCount, QString::fromLatin1(count));
        d->SetText(kIdcInterval, QString::fromLatin1(interval));
        d->Button(kIdcOk)->click();
    });
}

bool AnySendTimer(const CRadioConfigDlg& dlg) {
    for (int id = 4; id <= 7; ++id)
        if (dlg.HasTimer(id))
            return true;
    return false;
}

QString StatusText(const CRadioConfigDlg& dlg) {
    return dlg.PaneText(1);
}

const QString kNoStatus = QStringLiteral("-");

// The receive area's text with its line breaks shown as blanks.
QString Flat(const CRadioConfigDlg& dlg) {
    QString t = dlg.ReceivedText();
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t.trimmed();
}

std::string Pairs(int n, int first = 0) {
    std::string t;
    for (int i = 0; i < n; ++i) {
        char p[4];
        std::snprintf(p, sizeof p, "%02X ", (first + i) & 0xFF);
        t += p;
    }
    if (!t.empty())
        t.pop_back();
    return t;
}

} // namespace

// ---------------------------------------------------------------------------
// The send button, preset lines and passive buttons as the line sees them

TEST(DataTestWiring, SendButtonInEachSerialMode) {
    SimWindow s(71, Module(0));
    s.module->SetPacing(false);
    struct Case {
        const char* name;
        int mode;
        std::string addr;
        std::string area;
        Bytes line;     // what the module receives; empty: nothing
        QString status; // status-bar text afterwards
    };
    const Bytes big401(401, 0x5A);
    const Case cases[] = {
        {"unknown mode: silent", -1, "30 30", "41 42", {}, kNoStatus},
        {"active blanks", 0, "", "00 01 02", {0, 1, 2}, kNoStatus},
        {"active colons", 0, "", "00:01:02", {0, 1, 2}, kNoStatus},
        {"active short pieces and trailing blank", 0, "", "1 2 3 ", {1, 2, 3}, kNoStatus},
        {"modbus", 2, "", "41:42", {0x41, 0x42}, kNoStatus},
        {"passive",
         1,
         "30 30",
         "41 42",
         {0x24, 0x30, 0x30, 0x57, 0x00, 0x02, 0x41, 0x42, 0x0D},
         kNoStatus},
        {"passive colons",
         1,
         "30 30",
         "41:42",
         {0x24, 0x30, 0x30, 0x57, 0x00, 0x02, 0x41, 0x42, 0x0D},
         kNoStatus},
        {"passive without address",
         1,
         "",
         "41 42",
         {},
         QString::fromUtf8("未读到被动地址，数据未发送")},
        {"passive, address not two pairs",
         1,
         "3030",
         "41 42",
         {},
         QString::fromUtf8("未读到被动地址，数据未发送")},
        {"empty area, active", 0, "", "", {}, QString::fromUtf8("没有要发送的数据")},
        {"empty area, passive: no check-memory frame",
         1,
         "30 30",
         "  ",
         {},
         QString::fromUtf8("没有要发送的数据")},
        {"401 bytes, active",
         0,
         "",
         Pairs(401),
         {},
         QString::fromUtf8("发送数据超过400字节，未发送")},
        {"394 data bytes, passive",
         1,
         "30 30",
         Pairs(394),
         {},
         QString::fromUtf8("被动模式发送数据超过393字节，未发送")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.module->ClearAudit();
        s.SetMode(c.mode, c.addr);
        s.dlg->SetPaneText(1, kNoStatus);
        s.dlg->SetText(1001, QString::fromStdString(c.area));
        s.dlg->Button(res::IDC_SEND)->click();
        if (!c.line.empty())
            ASSERT_TRUE(s.module->WaitForFrames(1, 2s));
        else
            std::this_thread::sleep_for(60ms); // a frame would be audited by now
        EXPECT_EQ(s.LineBytes(), c.line);
        EXPECT_EQ(StatusText(*s.dlg), c.status);
    }
    // The largest sends that fit go out whole.
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        s.module->ClearAudit();
        s.SetMode(mode, "30 30");
        const int n = mode == 0 ? 400 : 393;
        s.dlg->SetText(1001, QString::fromStdString(Pairs(n)));
        s.dlg->Button(res::IDC_SEND)->click();
        ASSERT_TRUE(s.module->WaitForFrames(1, 2s));
        const auto frames = s.module->Frames();
        ASSERT_EQ(frames.size(), 1u);
        ASSERT_EQ(frames[0].bytes.size(), 400u);
        if (mode == 1) {
            const Bytes& f = frames[0].bytes;
            EXPECT_EQ((Bytes{f[0], f[1], f[2], f[3]}), (Bytes{0x24, 0x30, 0x30, 0x57}));
            EXPECT_EQ(f[4], 0x01); // 393 = 1 * 255 + 138
            EXPECT_EQ(f[5], 138);
            EXPECT_EQ(f[6], 0x00);
            EXPECT_EQ(f[398], 392 & 0xFF);
            EXPECT_EQ(f[399], 0x0D);
        }
    }
}

TEST(DataTestWiring, PresetLinesSendTheirPiecesWhateverTheMode) {
    SimWindow s(72, Module(0));
    s.module->SetPacing(false);
    s.SetMode(1, "30 30"); // no framing for presets even in passive mode
    struct Case {
        int line;
        const char* text;
        Bytes bytes;
        QString status;
    };
    const Case cases[] = {
        {1, "1 2 3", {1, 2, 3}, kNoStatus},
        {5, "123", {0x23}, kNoStatus},
        {9, "", {}, kNoStatus},
        {3, "41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54",
         Bytes{0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A,
               0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0x53, 0x54},
         kNoStatus},
        {4,
         "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15",
         {},
         QString::fromUtf8("预置数据超过20字节，未发送")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        s.module->ClearAudit();
        s.dlg->SetPaneText(1, kNoStatus);
        QLineEdit* line = s.dlg->LineEdit(1069 + c.line);
        line->setMaxLength(200);
        line->setText(QString::fromLatin1(c.text));
        s.dlg->Button(1060 + c.line)->click();
        if (!c.bytes.empty())
            ASSERT_TRUE(s.module->WaitForFrames(1, 2s));
        else
            std::this_thread::sleep_for(60ms);
        EXPECT_EQ(s.LineBytes(), c.bytes);
        EXPECT_EQ(StatusText(*s.dlg), c.status);
        EXPECT_EQ(s.dlg->m_strPreset[static_cast<std::size_t>(c.line - 1)], c.text);
    }
}

TEST(DataTestWiring, PassiveModuleReadAndCheckMemory) {
    SimWindow s(73, Module(1), 19200);
    // Before the module has told its address the buttons refuse.
    s.dlg->Button(res::IDC_READ_DATA)->click();
    EXPECT_EQ(StatusText(*s.dlg), QString::fromUtf8("未读到被动地址，无法读数据"));
    s.dlg->Button(res::IDC_CHECK_MEMORY)->click();
    EXPECT_EQ(StatusText(*s.dlg), QString::fromUtf8("未读到被动地址，无法判断内存"));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(s.module->FrameCount(), 0u);

    s.ConnectLikeStartUp();
    QTRY_VERIFY_WITH_TIMEOUT(s.dlg->PassiveAddr() == "30 30" && s.dlg->SerialMode() == 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(s.dlg->IsEnabled(res::IDC_READ_DATA), 5000);
    Drain();
    s.module->ClearAudit();

    // The 48-byte pattern through the send button: a passive write frame.
    s.dlg->PostCommand(res::ID_STD_LENGTH_48);
    Drain();
    s.dlg->Button(res::IDC_SEND)->click();
    ASSERT_TRUE(s.module->WaitForFrames(1, 2s));
    QTRY_COMPARE_WITH_TIMEOUT(s.module->State().passiveMemory.size(), std::size_t{48}, 2000);

    // "判断内存" answers the stored length, "读数据" the memory.
    s.dlg->Button(res::IDC_CHECK_MEMORY)->click();
    QTRY_VERIFY_WITH_TIMEOUT(Flat(*s.dlg).contains("24 30 30 57 00 30 0D"), 3000);
    s.dlg->Button(res::IDC_READ_DATA)->click();
    const QString read = QStringLiteral("24 30 30 52 00 30 ") +
                         QString::fromLatin1(FindStdPattern(kMenuStd48)->text.data(),
                                             FindStdPattern(kMenuStd48)->text.size())
                             .replace(QLatin1Char(':'), QLatin1Char(' ')) +
                         QStringLiteral(" 0D");
    QTRY_VERIFY_WITH_TIMEOUT(Flat(*s.dlg).contains(read), 3000);
    ASSERT_TRUE(s.module->WaitForFrames(3, 1s));
    const auto frames = s.module->Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].kind, sim::FrameKind::PassiveWrite);
    EXPECT_EQ(frames[0].bytes.size(), 55u);
    EXPECT_EQ(frames[1].bytes, (Bytes{0x24, 0x30, 0x30, 0x57, 0x00, 0x00, 0x0D}));
    EXPECT_EQ(frames[2].bytes, (Bytes{0x24, 0x30, 0x30, 0x52, 0x0D}));
    EXPECT_EQ(s.module->MalformedCount(), 0u);
}

// ---------------------------------------------------------------------------
// Continuous send

TEST(DataTestWiring, CountedRunOfThreeAndItsCountDisplay) {
    SimWindow s(74, Module(0));
    s.SetMode(0, "");
    s.dlg->m_strUserData = "41 42 43 44 45";
    s.module->ClearAudit();

    std::vector<unsigned> shown; // what the count display showed, in order
    bool timersAfterEnd = true;
    std::size_t framesWhenShownThree = 0;
    ChooseContinuous(kIdcUserData, kIdcCounted, "3", "100");
    WhenModal<CSendCountDlg>([&](CSendCountDlg* d) {
        auto* watch = new QTimer(d);
        QObject::connect(watch, &QTimer::timeout, [&, d, watch] {
            if (shown.empty() || shown.back() != d->Count())
                shown.push_back(d->Count());
            if (d->Count() < 3)
                return;
            watch->stop();
            // A fourth tick would be due after 100 ms; look well after it.
            QTimer::singleShot(350, d, [&, d] {
                framesWhenShownThree = s.module->FrameCount();
                shown.push_back(d->Count());
                timersAfterEnd = AnySendTimer(*s.dlg);
                d->Button(SendCountModel::kIdcOk)->click();
            });
        });
        watch->start(5);
    });
    s.dlg->Button(res::IDC_CONTINUOUS_SEND)->click(); // returns when both dialogs are done

    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 3u) << "the display keeps the final count until confirmed";
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_FALSE(timersAfterEnd) << "timer 6 stops itself after the third send";
    ASSERT_TRUE(s.module->WaitForFrames(3, 1s));
    EXPECT_EQ(framesWhenShownThree, 3u);
    EXPECT_EQ(s.module->FrameCount(), 3u);
    for (const auto& f : s.module->Frames())
        EXPECT_EQ(f.bytes, (Bytes{0x41, 0x42, 0x43, 0x44, 0x45}));
    EXPECT_EQ(s.dlg->m_nSendCount, 0) << "confirming resets the count";
    EXPECT_EQ(s.dlg->SendTimers().SendCount(), 0u);

    // A new run's display starts from 0.
    unsigned first = 99;
    ChooseContinuous(kIdcStandardForm, kIdcUntilStopped, "10", "500");
    WhenModal<CSendCountDlg>([&](CSendCountDlg* d) {
        first = d->Count();
        d->Button(SendCountModel::kIdcOk)->click();
    });
    s.dlg->Button(res::IDC_CONTINUOUS_SEND)->click();
    EXPECT_EQ(first, 0u);
}

TEST(DataTestWiring, EveryWayOutOfTheCountDisplayStopsTheRun) {
    SimWindow s(75, Module(0));
    s.module->SetPacing(false);
    s.SetMode(0, "");
    s.dlg->m_strUserData = "01 02";
    const std::vector<std::pair<const char*, std::function<void(CSendCountDlg*)>>> exits = {
        {"OK", [](CSendCountDlg* d) { d->Button(SendCountModel::kIdcOk)->click(); }},
        {"Escape", [](CSendCountDlg* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close", [](CSendCountDlg* d) { d->close(); }},
    };
    for (const auto& [name, leave] : exits) {
        SCOPED_TRACE(name);
        bool runningInside = false;
        int countInside = 0;
        ChooseContinuous(kIdcUserData, kIdcUntilStopped, "10", "100");
        WhenModal<CSendCountDlg>([&, leave = leave](CSendCountDlg* d) {
            QTimer::singleShot(250, d, [&, d, leave] {
                runningInside = s.dlg->HasTimer(4);
                countInside = s.dlg->m_nSendCount;
                leave(d);
            });
        });
        s.dlg->Button(res::IDC_CONTINUOUS_SEND)->click();
        EXPECT_TRUE(runningInside);
        EXPECT_GE(countInside, 1);
        EXPECT_FALSE(AnySendTimer(*s.dlg));
        EXPECT_EQ(s.dlg->m_nSendCount, 0);
        const std::size_t frames = s.module->FrameCount();
        QTest::qWait(250);
        EXPECT_EQ(s.module->FrameCount(), frames) << "nothing sent after the display is gone";
    }
}

TEST(DataTestWiring, CancelStartsNothingAndSequenceTicksAreNotCounted) {
    SimWindow s(76, Module(0));
    WhenModal<CContinuousSendDlg>([](CContinuousSendDlg* d) { d->Button(kIdcCancel)->click(); });
    s.dlg->Button(res::IDC_CONTINUOUS_SEND)->click();
    EXPECT_FALSE(AnySendTimer(*s.dlg));

    // Ticks that come while a sequence runs are skipped, not counted: a
    // counted run still sends its full count afterwards.
    s.SetMode(0, "");
    s.dlg->m_strUserData = "0A";
    s.module->SetPacing(false);
    s.module->ClearAudit();
    int countAfterSequence = -1;
    ChooseContinuous(kIdcUserData, kIdcCounted, "2", "100");
    WhenModal<CSendCountDlg>([&](CSendCountDlg* d) {
        s.dlg->RunSequence([&] { QTest::qWait(350); });
        countAfterSequence = s.dlg->m_nSendCount;
        QTimer::singleShot(400, d, [d] { d->Button(SendCountModel::kIdcOk)->click(); });
    });
    s.dlg->Button(res::IDC_CONTINUOUS_SEND)->click();
    EXPECT_EQ(countAfterSequence, 0);
    ASSERT_TRUE(s.module->WaitForFrames(2, 1s));
    EXPECT_EQ(s.module->FrameCount(), 2u);
}

// ---------------------------------------------------------------------------
// Receive area

TEST(DataTestWiring, EchoedDataShowsInOrderAndAClearDropsStaleText) {
    SimWindow s(77, Module(0), 38400);
    s.dlg->show();
    s.ConnectLikeStartUp();
    QTRY_VERIFY_WITH_TIMEOUT(s.dlg->SerialMode() == 0, 10000);
    QTest::qWait(200); // the refresh's own answers are shown by now
    QTest::mouseDClick(s.dlg->MultiEdit(1000)->viewport(), Qt::LeftButton);
    EXPECT_TRUE(s.dlg->ReceivedText().isEmpty());

    QString expected;
    for (int i = 0; i < 8; ++i) {
        const std::string text = Pairs(12 + 5 * i, 0x40 + 9 * i);
        expected += QString::fromStdString(text) + QLatin1Char(' ');
        s.dlg->SetText(1001, QString::fromStdString(text));
        s.dlg->Button(res::IDC_SEND)->click();
        QTest::qWait(40);
    }
    QTRY_COMPARE_WITH_TIMEOUT(Flat(*s.dlg) + QLatin1Char(' '), expected, 3000);

    // Text decoded before a clear (queued, not yet shown) does not come back.
    const std::uint64_t before = s.dlg->Shared().ReceiveEpoch();
    s.dlg->Sink().Post({Received{"EE EE ", before}});
    QTest::mouseDClick(s.dlg->MultiEdit(1000)->viewport(), Qt::LeftButton);
    s.dlg->Sink().Post({Received{"AB ", s.dlg->Shared().ReceiveEpoch()}});
    Drain();
    EXPECT_EQ(s.dlg->ReceivedText(), "AB ");
}

// ---------------------------------------------------------------------------
// Send area: preset panel, user data, standard data

TEST(DataTestWiring, SendAreaDoubleClickTogglesThePresetPanel) {
    TempDir dir;
    VirtualClock clock;
    CRadioConfigDlg dlg(nullptr, clock, PortDirectory::System(), dir.File("u.mak"));
    dlg.KillTimer(1);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QRect original = dlg.ControlRect(1001);
    EXPECT_EQ(dlg.PresetPanelWideWidth(), original.width()) << "275 px in the layout's font";
    const int presetLeft = dlg.ControlRect(1070).left();
    for (int round = 1; round <= 4; ++round) {
        SCOPED_TRACE(round);
        QTest::mouseDClick(dlg.MultiEdit(1001)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        const bool shown = round % 2 == 1;
        EXPECT_EQ(dlg.m_bPresetPanel, shown);
        const QRect r = dlg.ControlRect(1001);
        EXPECT_EQ(r.topLeft(), original.topLeft());
        EXPECT_EQ(r.height(), original.height());
        EXPECT_EQ(r.width(), shown ? dlg.PresetPanelNarrowWidth() : original.width());
        for (int id = 1061; id <= 1078; ++id)
            EXPECT_EQ(dlg.IsShown(id), shown) << id;
        if (shown) {
            EXPECT_LT(r.right(), presetLeft) << "the narrowed area leaves the preset lines free";
            EXPECT_GE(r.width(), gui::DluToPixelsX(30, dlg.Base()));
        }
    }
}

TEST(DataTestWiring, UserDataEditAndEnterSaveTheFile) {
    TempDir dir;
    const std::string file = dir.File("yonghushuju.mak");
    VirtualClock clock;
    CRadioConfigDlg dlg(nullptr, clock, PortDirectory::System(), file);
    dlg.KillTimer(1);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto* area = dlg.MultiEdit(1001);
    ASSERT_TRUE(area->isReadOnly());

    // A file written meanwhile (with a Windows line end) is what editing starts from.
    { std::ofstream(file, std::ios::binary) << "AA BB\r\nsecond"; }
    dlg.PostCommand(res::ID_DATA_EDIT_USER);
    Drain();
    EXPECT_FALSE(area->isReadOnly());
    EXPECT_EQ(dlg.m_strUserData, "AA BB");
    area->moveCursor(QTextCursor::End);
    QTest::keyClicks(area, " CC cx1");
    QTest::keyClick(area, Qt::Key_Return);
    EXPECT_TRUE(area->isReadOnly());
    EXPECT_EQ(dlg.Text(1001), "AA BB CC 1") << "hex filter, and no line from the Enter";
    EXPECT_EQ(dlg.m_strUserData, "AA BB CC 1");
    EXPECT_EQ(ReadAll(file), "AA BB CC 1") << "no line end written";
    for (const auto& e : fs::directory_iterator(dir.File("")))
        EXPECT_EQ(e.path().filename(), "yonghushuju.mak") << "no temporary file left";

    // Standard data shown read-only; Enter makes it the user data, colons and all.
    dlg.PostCommand(res::ID_STD_LENGTH_48);
    dlg.PostCommand(res::ID_DATA_SHOW_STANDARD);
    Drain();
    EXPECT_TRUE(area->isReadOnly());
    const std::string p48(FindStdPattern(kMenuStd48)->text);
    EXPECT_EQ(dlg.Text(1001).toStdString(), p48);
    QTest::keyClick(area, Qt::Key_Return);
    EXPECT_EQ(ReadAll(file), p48);
    dlg.PostCommand(res::ID_DATA_SHOW_USER);
    Drain();
    EXPECT_EQ(dlg.Text(1001).toStdString(), p48);

    // Editing with the file gone recreates the default; the area keeps its text.
    fs::remove(file);
    dlg.PostCommand(res::ID_DATA_EDIT_USER);
    Drain();
    EXPECT_EQ(ReadAll(file), CRadioConfigDlg::kDefaultUserData);
    EXPECT_EQ(dlg.Text(1001).toStdString(), p48);
    EXPECT_FALSE(area->isReadOnly());
}

TEST(DataTestWiring, StandardDataLengthChecksAndSends) {
    SimWindow s(78, Module(0));
    s.module->SetPacing(false);
    s.SetMode(0, "");
    struct Case {
        int command;
        std::size_t bytes;
    };
    for (const Case c : {Case{res::ID_STD_LENGTH_192, 192}, Case{res::ID_STD_LENGTH_48, 48},
                         Case{res::ID_STD_LENGTH_20, 20}, Case{res::ID_STD_LENGTH_192, 192}}) {
        SCOPED_TRACE(c.command);
        s.dlg->PostCommand(c.command);
        Drain();
        for (int id : {res::ID_STD_LENGTH_192, res::ID_STD_LENGTH_48, res::ID_STD_LENGTH_20})
            EXPECT_EQ(s.dlg->Menu()->IsChecked(id), id == c.command) << id;
        EXPECT_EQ(s.dlg->m_strStdData, FindStdPattern(c.command)->text);
        EXPECT_EQ(s.dlg->Text(1001).toStdString(), s.dlg->m_strStdData);
        s.module->ClearAudit();
        s.dlg->Button(res::IDC_SEND)->click();
        ASSERT_TRUE(s.module->WaitForFrames(1, 2s));
        EXPECT_EQ(s.LineBytes().size(), c.bytes);
    }
}
