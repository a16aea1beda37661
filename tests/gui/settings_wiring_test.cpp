// The "参数设置" menu, double-click editing, the parameter file commands, the
// download and the production mode of the main window, end to end against
// the simulated module: the module must hold what was set and the refreshed
// display must show it.

#include "ui/window/RadioConfigDlg.h"

#include "QtTestApp.h"
#include "gui/MessageBox.h"
#include "platform/ProfileFile.h"
#include "protocol/ParamFile.h"
#include "res/ResourceIds.h"
#include "sim/Simulator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tmx7;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

QString U(const char* s) {
    return QString::fromUtf8(s);
}

class TempDir {
public:
    TempDir() {
        char tpl[] = "/tmp/tmx7_wiring_XXXXXX";
        m_path = mkdtemp(tpl);
    }
    ~TempDir() { fs::remove_all(m_path); }
    std::string File(const char* name) const { return (fs::path(m_path) / name).string(); }

private:
    std::string m_path;
};

using Driver = std::function<void(gui::TemplateDialog&)>;

// A window connected to a simulated module on COM<port>, started as the
// settings dialog's OK would start it, with the start-up refresh done.
struct Rig {
    Rig(const TempDir& dir, sim::ModuleState state, int port = 61, int baud = 9600, int factor = 10)
        : clock(factor), m_port(port) {
        sim::SimulatorOptions o;
        o.state = std::move(state);
        module = std::make_unique<sim::Simulator>(o);
        EXPECT_TRUE(module->Start());
        PortDirectory::System().Map(port, module->SlavePath());
        dlg = std::make_unique<CRadioConfigDlg>(nullptr, clock, PortDirectory::System(),
                                                dir.File("u.mak"));
        dlg->KillTimer(1);
        dlg->SetParamFilePath(dir.File("p.tm7"));
        dlg->PortTable().Open(port, baud, "n,8,1");
        dlg->SetConnection(port, baud, "n,8,1");
        dlg->show();
        dlg->ConnectAtStartup();
        Settle();
    }
    ~Rig() {
        EXPECT_EQ(module->MalformedCount(), 0u) << "the module saw a malformed frame";
        dlg.reset();
        module->Stop();
        PortDirectory::System().Unmap(m_port);
    }
    // Lets the last answers of a refresh reach the display.
    void Settle() {
        QTRY_VERIFY_WITH_TIMEOUT(dlg->PaneText(1) == U("刷新参数完成."), 20000);
        QTest::qWait(300);
    }
    bool Shows(int controlId, const char* text) const { return dlg->Text(controlId) == U(text); }

    ScaledClock clock;
    std::unique_ptr<sim::Simulator> module;
    std::unique_ptr<CRadioConfigDlg> dlg;

private:
    int m_port;
};

void Click(gui::TemplateDialog& d, int id) {
    d.PostCommand(id);
}
// The upper arrow of a dialog's scroll bar, `n` times (it raises the value).
void Up(gui::TemplateDialog& d, int bar, int n) {
    for (int i = 0; i < n; ++i)
        d.ScrollBar(bar)->triggerAction(QAbstractSlider::SliderSingleStepSub);
}
void Choose(gui::TemplateDialog& d, int combo, int steps) {
    QComboBox* c = d.Combo(combo);
    c->setFocus();
    for (int i = 0; i < steps; ++i)
        QTest::keyClick(c, Qt::Key_Down);
}
void Type(gui::TemplateDialog& d, int edit, const char* text) {
    d.LineEdit(edit)->clear();
    QTest::keyClicks(d.LineEdit(edit), text);
}

struct MessageBoxes {
    MessageBoxes() {
        gui::SetMessageBoxHook([this](const QString& text, const QString& caption, int) {
            shown.push_back({text, caption});
            return res::IDOK;
        });
    }
    ~MessageBoxes() { gui::SetMessageBoxHook({}); }
    std::vector<std::pair<QString, QString>> shown;
};

} // namespace

// ---------------------------------------------------------------------------
// Each command of the menu changes the module; the refresh shows it.

TEST(SettingsWiring, EveryMenuCommandChangesTheModuleAndTheDisplay) {
    struct Case {
        const char* name;
        std::function<void(sim::ModuleState&)> start; // module before the command
        int command;
        Driver answer; // the dialog's answer; empty for commands without one
        std::function<bool(const sim::ModuleState&)> holds;
        int control;
        const char* shown;
    };
    const Case cases[] = {
        {"passive mode",
         {},
         32778,
         {},
         [](const sim::ModuleState& s) { return s.serialMode == 1; },
         1043,
         "被动模式"},
        {"MODBUS",
         {},
         32779,
         {},
         [](const sim::ModuleState& s) { return s.serialMode == 2; },
         1043,
         "MODBUS"},
        {"active mode",
         [](sim::ModuleState& s) { s.serialMode = 2; },
         32777,
         {},
         [](const sim::ModuleState& s) { return s.serialMode == 0; },
         1043,
         "主动模式"},
        {"power saving",
         {},
         32781,
         {},
         [](const sim::ModuleState& s) { return s.powerMode == 1; },
         1044,
         "省电模式"},
        {"normal",
         [](sim::ModuleState& s) { s.powerMode = 1; },
         32780,
         {},
         [](const sim::ModuleState& s) { return s.powerMode == 0; },
         1044,
         "普通模式"},
        {"frequency 435.000",
         {},
         32782,
         [](gui::TemplateDialog& d) { Click(d, 1051); },
         [](const sim::ModuleState& s) { return s.channel == 0x10; },
         1038,
         "435.000MHz"},
        {"sleep period 6", [](sim::ModuleState& s) { s.powerMode = 1; }, 32784,
         [](gui::TemplateDialog& d) {
             Up(d, res::IDC_SLEEP_SCROLL, 2);
             Click(d, res::IDC_SLEEP_OK);
         },
         [](const sim::ModuleState& s) { return s.sleepPeriodHalf == 3; }, 1045, "6"},
        {"save address 1234", [](sim::ModuleState& s) { s.powerMode = 1; }, 32785,
         [](gui::TemplateDialog& d) {
             Type(d, res::IDC_SAVEADDR_VALUE, "1234");
             Click(d, res::IDC_SAVEADDR_OK);
         },
         [](const sim::ModuleState& s) { return s.saveAddr[0] == 0x12 && s.saveAddr[1] == 0x34; },
         1053, "12 34"},
        {"save address 5 padded", [](sim::ModuleState& s) { s.powerMode = 1; }, 32785,
         [](gui::TemplateDialog& d) {
             Type(d, res::IDC_SAVEADDR_VALUE, "5");
             Click(d, res::IDC_SAVEADDR_OK);
         },
         [](const sim::ModuleState& s) { return s.saveAddr[0] == 0x00 && s.saveAddr[1] == 0x05; },
         1053, "00 05"},
        {"wake delay 1.2", [](sim::ModuleState& s) { s.powerMode = 1; }, 32786,
         [](gui::TemplateDialog& d) {
             Up(d, res::IDC_WAKE_SCROLL, 3);
             Click(d, res::IDC_WAKE_OK);
         },
         [](const sim::ModuleState& s) { return s.wakeDelay[0] == 0 && s.wakeDelay[1] == 4; }, 1046,
         "1.2"},
        {"passive address 1A", [](sim::ModuleState& s) { s.serialMode = 1; }, 32787,
         [](gui::TemplateDialog& d) {
             Up(d, res::IDC_PASSIVE_SCROLL, 0x1A);
             Click(d, res::IDC_PASSIVE_OK);
         },
         [](const sim::ModuleState& s) {
             return s.passiveAddr[0] == 0x31 && s.passiveAddr[1] == 0x41;
         },
         1052, "31 41"},
        {"group 7",
         {},
         32788,
         [](gui::TemplateDialog& d) {
             Type(d, res::IDC_GROUP_VALUE, "7");
             Click(d, res::IDC_GROUP_OK);
         },
         [](const sim::ModuleState& s) { return s.group == 7; },
         1080,
         "07"},
        {"transmit power 3",
         {},
         32789,
         [](gui::TemplateDialog& d) {
             Choose(d, res::IDC_WIRELESS_POWER_LIST, 3);
             Click(d, res::IDC_WIRELESS_SET_POWER);
         },
         [](const sim::ModuleState& s) { return s.txPower == 3; },
         1058,
         "3"},
        {"air rate 19200",
         {},
         32789,
         [](gui::TemplateDialog& d) {
             Choose(d, res::IDC_WIRELESS_RATE_LIST, 4);
             Click(d, res::IDC_WIRELESS_SET_RATE);
         },
         [](const sim::ModuleState& s) { return s.airRate == 0x07; },
         1049,
         "19200bps"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ModuleState state;
        if (c.start)
            c.start(state);
        Rig rig(dir, state);
        ASSERT_FALSE(c.holds(rig.module->State())) << "the module holds the value already";
        int dialogs = 0;
        rig.dlg->SetDialogDriver([&](gui::TemplateDialog& d) {
            ++dialogs;
            c.answer(d);
        });
        rig.dlg->PostCommand(c.command);
        QTRY_VERIFY_WITH_TIMEOUT(rig.Shows(c.control, c.shown), 20000);
        EXPECT_TRUE(c.holds(rig.module->State()));
        EXPECT_EQ(dialogs, c.answer ? 1 : 0);
    }
}

TEST(SettingsWiring, CancelledDialogsWriteNothing) {
    TempDir dir;
    Rig rig(dir, {});
    const sim::ModuleState before = rig.module->State();
    struct Case {
        int command;
        int cancel;
    } cases[] = {
        {32782, 1027}, // frequency "取消"
        {32788, res::IDC_GROUP_CANCEL},
        {32789, res::IDC_WIRELESS_CANCEL},
        {32783, res::IDC_SERFMT_BAUD_OK}, // confirm without a row: a cancel
    };
    MessageBoxes boxes;
    for (const Case& c : cases) {
        rig.module->ClearAudit();
        rig.dlg->SetDialogDriver([&](gui::TemplateDialog& d) { Click(d, c.cancel); });
        rig.dlg->PostCommand(c.command);
        QTest::qWait(300);
        EXPECT_EQ(rig.module->FrameCount(), 0u) << c.command;
        EXPECT_NE(rig.dlg->PaneText(1), U("请等待模块响应......")) << c.command;
    }
    EXPECT_TRUE(boxes.shown.empty()) << "no restart advice without a write";
    EXPECT_FALSE(rig.dlg->Closed());
    EXPECT_EQ(rig.module->State().channel, before.channel);
    EXPECT_EQ(rig.module->State().serialBaud, before.serialBaud);
}

TEST(SettingsWiring, SerialBaudChangeAdvisesRestartAndCloses) {
    TempDir dir;
    Rig rig(dir, {});
    MessageBoxes boxes;
    rig.dlg->SetDialogDriver([](gui::TemplateDialog& d) {
        d.SetCurSel(res::IDC_SERFMT_BAUD_LIST, 6); // 57600bps
        Click(d, res::IDC_SERFMT_BAUD_OK);
    });
    rig.dlg->PostCommand(32783);
    QTRY_VERIFY_WITH_TIMEOUT(rig.dlg->Closed(), 5000);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].first, U("您已经改变串口的格式，按确定后手动重启该软件"));
    EXPECT_EQ(boxes.shown[0].second, U("操作提示"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.module->State().serialBaud, std::uint8_t{0x09}, 2000);
    EXPECT_FALSE(rig.dlg->DecoderRunning());
}

// ---------------------------------------------------------------------------
// Parameter file and download

TEST(SettingsWiring, ExportOfAPowerSavingPassiveModuleAt1200HoldsEveryKey) {
    TempDir dir;
    sim::ModuleState state;
    state.serialMode = 1;
    state.powerMode = 1;
    state.serialBaud = 0x03; // 1200
    // At 1200 baud an answer takes ~0.2 s on the line: a factor of 3 keeps
    // the host's 800 ms pauses longer than that.
    Rig rig(dir, state, 63, 1200, 3);
    rig.dlg->PostCommand(32805);
    const std::string path = rig.dlg->ParamFilePath();
    QTRY_VERIFY_WITH_TIMEOUT(rig.dlg->PaneText(1).contains(U("tmp")) && fs::exists(path), 30000);
    EXPECT_TRUE(rig.dlg->PaneText(1).contains(QString::fromStdString(fs::path(path).filename())));
    for (const ParamFileKey& k : kParamFileKeys) {
        const std::string v = GetProfileString(path, kParamSection, k.key, "<missing>");
        EXPECT_NE(v, "<missing>") << k.key;
        EXPECT_EQ(v.find('*'), std::string::npos) << k.key << " = " << v;
    }
    EXPECT_EQ(GetProfileString(path, kParamSection, "串口模式", ""), "被动模式");
    EXPECT_EQ(GetProfileString(path, kParamSection, "省电周期", ""), "2");
    EXPECT_EQ(GetProfileString(path, kParamSection, "唤醒延时", ""), "0.3");
}

TEST(SettingsWiring, ImportAndDownloadCopyOneModuleIntoAnother) {
    TempDir dir;
    sim::ModuleState first;
    first.serialMode = 1;
    first.passiveAddr = {0x31, 0x41};
    first.powerMode = 1;
    first.sleepPeriodHalf = 0x10;
    first.saveAddr = {0x12, 0x34};
    first.wakeDelay = {0x01, 0x00};
    first.channel = 0x03;
    first.airRate = 0x05;
    first.txPower = 0x03;
    first.group = 0x2B;
    {
        Rig a(dir, first, 64);
        a.dlg->PostCommand(32805);
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(a.dlg->ParamFilePath()), 20000);
    }
    Rig b(dir, {}, 65);
    // Before any import the set holds no transmit power: nothing for FB.
    EXPECT_EQ(b.dlg->Params().powerLevel, kPowerLevelNotSet);
    b.dlg->PostCommand(32804);
    QTRY_VERIFY_WITH_TIMEOUT(b.dlg->Params().powerLevel == 3, 2000);
    EXPECT_EQ(b.dlg->Text(1080), U("00")) << "an import does not touch the display";
    b.module->ClearAudit();
    b.dlg->SetPaneText(1, QString());
    b.dlg->PostCommand(32808);
    QTRY_VERIFY_WITH_TIMEOUT(b.dlg->IsShown(1099), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(b.dlg->PaneText(1) == U("刷新参数完成."), 30000);
    EXPECT_FALSE(b.dlg->IsShown(1099));
    const sim::ModuleState got = b.module->State();
    EXPECT_EQ(got.serialMode, first.serialMode);
    EXPECT_EQ(got.passiveAddr, first.passiveAddr);
    EXPECT_EQ(got.powerMode, first.powerMode);
    EXPECT_EQ(got.sleepPeriodHalf, first.sleepPeriodHalf);
    EXPECT_EQ(got.saveAddr, first.saveAddr);
    EXPECT_EQ(got.wakeDelay, first.wakeDelay);
    EXPECT_EQ(got.channel, first.channel);
    EXPECT_EQ(got.airRate, first.airRate);
    EXPECT_EQ(got.txPower, first.txPower);
    EXPECT_EQ(got.group, first.group);
    b.Settle();
    EXPECT_EQ(b.dlg->Text(1080), U("2B"));
}

TEST(SettingsWiring, DownloadBeforeAnyImportSendsNoTransmitPower) {
    TempDir dir;
    Rig rig(dir, {});
    rig.module->ClearAudit();
    rig.dlg->SetPaneText(1, QString());
    rig.dlg->PostCommand(32808);
    QTRY_VERIFY_WITH_TIMEOUT(rig.dlg->PaneText(1) == U("刷新参数完成."), 30000);
    for (const auto& f : rig.module->Frames())
        EXPECT_FALSE(f.bytes.size() == 11 && f.bytes[8] == 0xFB && f.bytes[9] == 0x01)
            << "FB set without a level";
}

// A file that exists but cannot be used changes nothing: the set stays as it
// was, and a download afterwards writes no set frame. (Such a file used to
// import as all defaults, and the download then put the factory frequency,
// group, modes, power and addresses into the module.)
TEST(SettingsWiring, AnUnusableParameterFileArmsNoDownload) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0); // used to freeze the window
    ASSERT_EQ(::symlink("/dev/zero", dir.File("zero").c_str()), 0);
    auto write = [&](const char* name, std::string_view bytes) {
        std::ofstream(dir.File(name), std::ios::binary) << bytes;
    };
    write("binary", std::string_view("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    write("bad-gbk", "[TMX7\xB2\xCE\xCA\xFD\xB1\xED]\r\n\xFF\xFF=1\r\n");
    write("utf8", "[TMX7参数表]\r\n组号=05\r\n");
    write("no-section", "[Notes]\r\ngroup=05\r\n");
    write("big", "[TMX7\xB2\xCE\xCA\xFD\xB1\xED]\r\n");
    fs::resize_file(dir.File("big"), 100u << 20);

    sim::Simulator module;
    ASSERT_TRUE(module.Start());
    PortDirectory::System().Map(66, module.SlavePath());
    ScaledClock clock(10);
    CRadioConfigDlg dlg(nullptr, clock, PortDirectory::System(), dir.File("u.mak"));
    dlg.KillTimer(1);
    dlg.PortTable().Open(66, 9600, "n,8,1");
    dlg.SetConnection(66, 9600, "n,8,1");
    dlg.show();
    // No start-up refresh: the set holds nothing a download could write.
    const ParamSet before = dlg.Params();

    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"folder", "该路径是文件夹"},
        {"fifo", "该路径不是普通文件"},
        {"zero", "该路径不是普通文件"},
        {"binary", "文件含二进制数据"},
        {"bad-gbk", "文件不是有效的 GBK 文本"},
        {"utf8", "文件是无 BOM 的 UTF-8 文本"},
        {"no-section", "文件中没有 [TMX7参数表] 节"},
        {"big", "文件超过 64 KB"},
    };
    auto* pane = dlg.StatusBar()->findChildren<QLabel*>().at(1);
    for (const auto& c : cases) {
        dlg.SetParamFilePath(dir.File(c.name));
        dlg.SetPaneText(1, QString());
        dlg.PostCommand(32804);
        const QString lead = U("参数未导入：") + U(c.reason);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.PaneText(1).isEmpty(), 2000);
        EXPECT_TRUE(dlg.PaneText(1).startsWith(lead + U("，原参数不变：") +
                                               QString::fromStdString(dir.File(c.name))))
            << dlg.PaneText(1).toStdString();
        // The reason comes first, where the pane shows it; the whole text is
        // its tip.
        EXPECT_LE(pane->fontMetrics().horizontalAdvance(lead), pane->contentsRect().width())
            << c.name;
        EXPECT_EQ(pane->toolTip(), dlg.PaneText(1));
        EXPECT_EQ(dlg.Params(), before) << c.name;
    }

    module.ClearAudit();
    dlg.SetPaneText(1, QString());
    dlg.PostCommand(32808);
    QTRY_VERIFY_WITH_TIMEOUT(dlg.PaneText(1) == U("刷新参数完成."), 20000);
    int sets = 0;
    for (const auto& f : module.Frames())
        sets += f.kind == sim::FrameKind::Set;
    EXPECT_EQ(sets, 0) << "a download of what no file gave";
    dlg.CloseSequence();
    module.Stop();
    PortDirectory::System().Unmap(66);
}

// ---------------------------------------------------------------------------
// Double-click editing

namespace {

struct Window {
    explicit Window(const TempDir& dir)
        : dlg(nullptr, clock, PortDirectory::System(), dir.File("u.mak")) {
        clock.setAutoAdvance(true);
        dlg.KillTimer(1);
        dlg.SetConnection(979, 9600, "n,8,1"); // no such port
        dlg.show();
    }
    QPoint Centre(int id) const { return dlg.ControlRect(id).center(); }
    void DoubleClick(QPoint p) { QTest::mouseDClick(dlg.Client(), Qt::LeftButton, {}, p); }
    VirtualClock clock;
    CRadioConfigDlg dlg;
};

} // namespace

TEST(SettingsWiring, DoubleClickOpensTheFieldsDialogUnlessItsEntryIsGreyed) {
    TempDir dir;
    Window w(dir);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.dlg));
    std::vector<int> opened;
    w.dlg.SetDialogDriver([&](gui::TemplateDialog& d) {
        opened.push_back(d.DialogId());
        d.reject(); // Escape: every dialog cancels
    });
    struct Case {
        int field;
        std::vector<int> dialogs;
    } cases[] = {
        {1038, {res::IDD_FREQUENCY}},     {1050, {res::IDD_FREQUENCY}},
        {1039, {res::IDD_SERIAL_FORMAT}}, {1043, {res::IDD_SERIAL_MODE}},
        {1044, {res::IDD_POWER_MODE}},    {1049, {res::IDD_WIRELESS}},
        {1058, {res::IDD_WIRELESS}},      {1080, {res::IDD_GROUP}},
    };
    for (const Case& c : cases) {
        opened.clear();
        w.DoubleClick(w.Centre(c.field));
        EXPECT_EQ(opened, c.dialogs) << c.field;
    }
    // The labels take their own clicks and have no double-click action.
    for (int label : {1100, 1111, 1104}) {
        opened.clear();
        QWidget* l = w.dlg.Control(label);
        QTest::mouseDClick(l, Qt::LeftButton, {}, l->rect().center());
        EXPECT_TRUE(opened.empty()) << label;
    }
    // On the border line: outside.
    opened.clear();
    w.DoubleClick(w.dlg.ControlRect(1038).topLeft() + QPoint(0, 3));
    EXPECT_TRUE(opened.empty());
    // Greyed entries are not run: the port closed greys them all.
    w.dlg.OnClosePort();
    for (int field : {1038, 1043, 1044, 1049, 1080}) {
        opened.clear();
        w.DoubleClick(w.Centre(field));
        EXPECT_TRUE(opened.empty()) << field;
    }
}

TEST(SettingsWiring, PowerSavingPageFieldsOpenTheirDialogs) {
    TempDir dir;
    Window w(dir);
    w.dlg.ApplyEvent(PageShown{Page::PowerSaving, true});
    w.dlg.Tabs(CRadioConfigDlg::kTabs)->setCurrentIndex(1);
    std::vector<int> opened;
    w.dlg.SetDialogDriver([&](gui::TemplateDialog& d) {
        opened.push_back(d.DialogId());
        d.reject();
    });
    w.DoubleClick(w.Centre(1045));
    w.DoubleClick(w.Centre(1046));
    w.DoubleClick(w.Centre(1053));
    EXPECT_EQ(opened,
              (std::vector<int>{res::IDD_SLEEP_PERIOD, res::IDD_WAKE_DELAY, res::IDD_SAVE_ADDR}));
    // The decoder greys the power-saving entries when the module leaves the mode.
    w.dlg.ApplyEvent(CommandEnabled{Command::SetSleepPeriod, false});
    opened.clear();
    w.DoubleClick(w.Centre(1045));
    EXPECT_TRUE(opened.empty());
}

// ---------------------------------------------------------------------------
// Production mode

TEST(SettingsWiring, ProductionModeBehindTheAccessCode) {
    TempDir dir;
    Rig rig(dir, {});
    MessageBoxes boxes;
    auto shown = [&] {
        int n = 0;
        for (int id : {1040, 1041, 1042, 1135, 1133, 1134, 1028})
            n += rig.dlg->IsShown(id) ? 1 : 0;
        return n;
    };
    // A wrong code is refused with the message, then cancelled: still off.
    rig.dlg->SetDialogDriver([](gui::TemplateDialog& d) {
        Type(d, res::IDC_PASSWORD_VALUE, "517205");
        QTest::keyClick(d.LineEdit(res::IDC_PASSWORD_VALUE), Qt::Key_Return);
        QTimer::singleShot(50, &d, [&d] { d.reject(); });
    });
    rig.dlg->PostCommand(32790);
    QTest::qWait(300);
    EXPECT_FALSE(rig.dlg->m_bProductionMode);
    EXPECT_EQ(shown(), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].first, U("请输入正确的密码"));

    rig.dlg->SetDialogDriver([](gui::TemplateDialog& d) {
        Type(d, res::IDC_PASSWORD_VALUE, "517204");
        QTest::keyClick(d.LineEdit(res::IDC_PASSWORD_VALUE), Qt::Key_Return);
    });
    rig.dlg->PostCommand(32790);
    QTRY_VERIFY_WITH_TIMEOUT(rig.dlg->m_bProductionMode, 2000);
    EXPECT_EQ(shown(), 7);

    rig.dlg->PostCommand(1040); // 发射0101
    QTRY_VERIFY_WITH_TIMEOUT(rig.module->State().transmitting0101, 2000);
    QTRY_VERIFY_WITH_TIMEOUT(rig.dlg->IsShown(1137), 2000);

    rig.dlg->SetText(1133, "12");
    rig.dlg->SetText(1134, "34");
    rig.dlg->PostCommand(1028);
    QTRY_VERIFY_WITH_TIMEOUT(rig.module->State().freqCalibration[0] == 0x12 &&
                                 rig.module->State().freqCalibration[1] == 0x34,
                             2000);
    // An empty field writes nothing and tells the user.
    rig.module->ClearAudit();
    boxes.shown.clear();
    rig.dlg->SetText(1134, "");
    rig.dlg->PostCommand(1028);
    QTest::qWait(200);
    EXPECT_EQ(rig.module->FrameCount(), 0u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].first, U("频率校准值须为两个1到2位的十六进制数(0-9, A-F)，未写入"));

    // Off again without the code; the indicator keeps its state.
    int asked = 0;
    rig.dlg->SetDialogDriver([&](gui::TemplateDialog& d) {
        ++asked;
        d.reject();
    });
    rig.dlg->PostCommand(32790);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.dlg->m_bProductionMode, 2000);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(shown(), 0);
    EXPECT_TRUE(rig.dlg->IsShown(1137));
}

TEST(SettingsWiring, IndicatorStaysOffWhenNothingReachedAPort) {
    TempDir dir;
    Window w(dir);
    w.dlg.SetDialogDriver([](gui::TemplateDialog& d) {
        Type(d, res::IDC_PASSWORD_VALUE, "517204");
        QTest::keyClick(d.LineEdit(res::IDC_PASSWORD_VALUE), Qt::Key_Return);
    });
    w.dlg.PostCommand(32790);
    QTRY_VERIFY_WITH_TIMEOUT(w.dlg.m_bProductionMode, 2000);
    w.dlg.PostCommand(1040);
    QTest::qWait(100);
    EXPECT_FALSE(w.dlg.IsShown(1137));
}
