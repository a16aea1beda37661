// The serial settings dialog against a simulated module on a pty: the port
// list, the OK and auto-detect flows with their captions and messages, and
// the ways the dialog ends.

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"
#include "sim/Simulator.h"
#include "ui/window/SerialSetDlg.h"

#include "QtTestApp.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace tmx7;
using namespace tmx7::res;
namespace fs = std::filesystem;

namespace {

TEST(PortListRows, NaturalOrderWithPathsAndDescriptions) {
    const std::vector<PortInfo> found = {
        {10, "COM10", "/dev/ttyS9", ""}, {101, "COM101", "/dev/ttyUSB0", "USB Serial"},
        {2, "COM2", "/dev/ttyS1", ""},   {1, "COM1", "/dev/pts/4", ""},
        {0, "", "/dev/bogus", ""}, // no number: never listed
    };
    const auto rows = PortListRows(found);
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<std::pair<int, QString>> want = {
        {1, "COM1  /dev/pts/4"},
        {2, "COM2  /dev/ttyS1"},
        {10, "COM10  /dev/ttyS9"},
        {101, "COM101  /dev/ttyUSB0  (USB Serial)"},
    };
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(rows[i].number, want[i].first) << i;
        EXPECT_EQ(rows[i].text, want[i].second) << i;
    }
}

TEST(NaturalLess, DigitRunsCompareByValue) {
    struct Case {
        const char* a;
        const char* b;
        bool less;
    };
    const Case cases[] = {
        {"COM2", "COM10", true},    {"COM10", "COM2", false},   {"COM9", "COM9", false},
        {"COM1", "COM1 x", true},   {"com3", "COM4", true},     {"COM007", "COM8", true},
        {"COM10", "COM010", false}, {"COM100", "COM99", false}, {"A", "B", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NaturalLess(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.less)
            << c.a << " " << c.b;
}

// A directory that knows only the ports the test maps.
class SerialSetDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tmx7-serset-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_root = tmpl;
        PortDirectory::Options o;
        o.sysfsTtyRoot = (m_root / "tty").string();
        o.devRoot = m_root.string();
        o.getenv = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
        directory = std::make_unique<PortDirectory>(o);
        table = std::make_unique<CPortTable>(*directory);
        gui::SetMessageBoxHook([this](const QString& text, const QString&, int) {
            messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        gui::SetMessageBoxHook({});
        table.reset();
        if (simulator)
            simulator->Stop();
        fs::remove_all(m_root);
    }

    // A module at `baud` with format code `format`, mapped to COM1.
    void StartModule(int baud, std::uint8_t format = 0, bool silent = false) {
        sim::SimulatorOptions opts;
        opts.state.serialBaud = *sim::RateCodeForBaud(baud);
        opts.state.serialFormat = format;
        opts.faults.silence = silent;
        simulator = std::make_unique<sim::Simulator>(opts);
        ASSERT_TRUE(simulator->Start());
        directory->Map(1, simulator->SlavePath());
    }

    std::unique_ptr<CSerialSetDlg> MakeDialog(Clock& clock) {
        auto dlg = std::make_unique<CSerialSetDlg>(*table, clock);
        dlg->SetPortDirectory(*directory);
        return dlg;
    }

    // Runs the dialog; `act` is called once its modal run has started.
    int Run(CSerialSetDlg& dlg, std::function<void()> act) {
        QTimer::singleShot(0, &dlg, std::move(act));
        return dlg.DoModal();
    }

    fs::path m_root;
    std::unique_ptr<PortDirectory> directory;
    std::unique_ptr<CPortTable> table;
    std::unique_ptr<sim::Simulator> simulator;
    std::vector<QString> messages;
};

TEST_F(SerialSetDlgTest, ListsMappedPortsInNaturalOrderAndPreselects) {
    directory->Map(10, "/dev/ttyX10");
    directory->Map(2, "/dev/ttyX2");
    directory->Map(1, "/dev/ttyX1");
    auto dlg = MakeDialog(RealClock());
    QComboBox* ports = dlg->Combo(IDC_SERSET_PORT_LIST);
    ASSERT_EQ(ports->count(), 3);
    EXPECT_EQ(ports->itemText(0), "COM1  /dev/ttyX1");
    EXPECT_EQ(ports->itemText(1), "COM2  /dev/ttyX2");
    EXPECT_EQ(ports->itemText(2), "COM10  /dev/ttyX10");
    EXPECT_EQ(ports->currentIndex(), 0);

    QComboBox* bauds = dlg->Combo(IDC_SERSET_BAUD_LIST);
    const QStringList texts = {"1200bps",  "2400bps",  "4800bps", "9600bps",
                               "19200bps", "38400bps", "57600bps"};
    ASSERT_EQ(bauds->count(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(bauds->itemText(i), texts[i]);
    EXPECT_EQ(bauds->currentIndex(), 0);

    dlg->Preselect(10, 38400);
    EXPECT_EQ(ports->currentData().toInt(), 10);
    EXPECT_EQ(bauds->currentText(), "38400bps");
    // An unknown number or baud leaves the lists as they are.
    dlg->Preselect(77, 1234);
    EXPECT_EQ(ports->currentData().toInt(), 10);
    EXPECT_EQ(bauds->currentText(), "38400bps");

    for (int id : {IDC_SERSET_OK, IDC_SERSET_AUTO_DETECT, IDC_SERSET_CANCEL})
        EXPECT_FALSE(dlg->Button(id)->isDefault()) << id;
}

TEST_F(SerialSetDlgTest, ConfirmConnectsAtTheChosenBaud) {
    struct Case {
        std::uint8_t formatCode;
        const char* format;
    };
    for (const Case& c : {Case{0, "n,8,1"}, Case{5, "e,8,1"}}) {
        StartModule(9600, c.formatCode);
        auto dlg = MakeDialog(RealClock());
        dlg->Preselect(1, 9600);
        const int rc = Run(*dlg, [&] {
            fprintf(stderr, "act visible=%d\n", dlg->isVisible());
            dlg->Button(IDC_SERSET_OK)->click();
            fprintf(stderr, "clicked %d\n", dlg->Result().connected);
        });
        EXPECT_EQ(rc, IDOK) << c.format;
        const SetupResult& r = dlg->Result();
        EXPECT_TRUE(r.connected);
        EXPECT_EQ(r.comPort, 1);
        EXPECT_EQ(r.baud, 9600);
        EXPECT_EQ(r.lineFormat, c.format);
        EXPECT_EQ(r.connectDelayMs, 0);
        EXPECT_TRUE(table->IsOpen(1)) << "the port stays open for the main window";
        EXPECT_TRUE(messages.empty());
        table->Stop(1);
        simulator->Stop();
    }
}

TEST_F(SerialSetDlgTest, ConfirmWithoutAnswerSaysSoAndStaysOpen) {
    StartModule(9600);
    VirtualClock clock; // the module never answers at 1200, so only waits pass
    auto dlg = MakeDialog(clock);
    dlg->Preselect(1, 1200);
    bool stillShown = false;
    const int rc = Run(*dlg, [&] {
        dlg->Button(IDC_SERSET_OK)->click();
        stillShown = dlg->isVisible();
        dlg->reject();
    });
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(rc, IDCANCEL);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "串口设置失败，请重新设置");
    EXPECT_FALSE(dlg->Result().connected);
    EXPECT_EQ(dlg->Result().baud, 1200);
    EXPECT_FALSE(table->IsOpen(1));
}

TEST_F(SerialSetDlgTest, ConfirmOnMissingDeviceEndsSilently) {
    // COM9 has no device: the port table reports the open failure itself.
    std::vector<std::string> tableMessages;
    table->SetMessageHandler([&](const std::string& m) { tableMessages.push_back(m); });
    auto dlg = MakeDialog(RealClock());
    dlg->Preselect(9, 9600);
    const int rc = Run(*dlg, [&] {
        dlg->Button(IDC_SERSET_OK)->click();
        dlg->reject();
    });
    EXPECT_EQ(rc, IDCANCEL);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(tableMessages.size(), 1u);
    EXPECT_EQ(tableMessages[0], "COM9打开失败！\n没有与COM9对应的串口设备");
}

TEST_F(SerialSetDlgTest, AutoDetectShowsEachFailedBaudWhileRunning) {
    StartModule(2400);
    auto dlg = MakeDialog(RealClock());
    dlg->Preselect(1, 57600); // the baud list is not read by auto-detect
    // Sampled by a timer of the test: it only runs if the dialog's thread
    // keeps handling events during the tries.
    std::vector<QString> seen;
    QTimer sampler;
    sampler.setInterval(20);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (dlg->isVisible() && (seen.empty() || seen.back() != dlg->windowTitle()))
            seen.push_back(dlg->windowTitle());
    });
    const int rc = Run(*dlg, [&] {
        sampler.start();
        dlg->Button(IDC_SERSET_AUTO_DETECT)->click();
        sampler.stop();
    });
    EXPECT_EQ(rc, IDOK);
    const SetupResult& r = dlg->Result();
    EXPECT_TRUE(r.connected);
    EXPECT_EQ(r.baud, 2400);
    EXPECT_EQ(r.lineFormat, "n,8,1");
    EXPECT_EQ(r.connectDelayMs, 1000);
    const std::vector<QString> want = {"串口设置", "1200波特率检测失败"};
    EXPECT_EQ(seen, want);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SerialSetDlgTest, AutoDetectWithoutAnswerTriesEveryBaudTwice) {
    StartModule(9600, 0, /*silent=*/true);
    VirtualClock clock;
    auto dlg = MakeDialog(clock);
    std::vector<QString> captions;
    QObject::connect(dlg.get(), &QWidget::windowTitleChanged,
                     [&](const QString& t) { captions.push_back(t); });
    const int rc = Run(*dlg, [&] {
        dlg->Button(IDC_SERSET_AUTO_DETECT)->click();
        dlg->reject();
    });
    EXPECT_EQ(rc, IDCANCEL);
    std::vector<QString> want;
    for (int pass = 0; pass < 3; ++pass) // n,8,1, e,8,1, o,8,1
        for (int baud : kDetectBauds)
            want.push_back(QStringLiteral("%1波特率检测失败").arg(baud));
    EXPECT_EQ(captions, want);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "串口检测失败，请重新检测");
    EXPECT_EQ(dlg->windowTitle(), "57600波特率检测失败");
    EXPECT_FALSE(dlg->Result().connected);
}

TEST_F(SerialSetDlgTest, CloseDuringATryWaitsForItsEnd) {
    StartModule(9600, 0, /*silent=*/true);
    VirtualClock clock;
    auto dlg = MakeDialog(clock);
    int captionsAtClose = -1;
    int captions = 0;
    QObject::connect(dlg.get(), &QWidget::windowTitleChanged, [&](const QString&) {
        if (++captions == 1)
            dlg->close(); // held back while the detection runs
    });
    const int rc = Run(*dlg, [&] {
        dlg->Button(IDC_SERSET_AUTO_DETECT)->click();
        captionsAtClose = captions;
    });
    EXPECT_EQ(rc, IDCANCEL);
    EXPECT_EQ(captionsAtClose, 21) << "the detection ran to its end before the close";
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(SerialSetDlgTest, WaysToEndTheDialog) {
    struct Case {
        const char* name;
        std::function<void(CSerialSetDlg&)> act;
        int result;
    };
    const Case cases[] = {
        {"cancel button", [](CSerialSetDlg& d) { d.Button(IDC_SERSET_CANCEL)->click(); },
         CSerialSetDlg::kExitProgram},
        {"close box", [](CSerialSetDlg& d) { d.close(); }, IDCANCEL},
        {"escape", [](CSerialSetDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
        {"enter without a focused button",
         [](CSerialSetDlg& d) {
             d.Combo(IDC_SERSET_BAUD_LIST)->setFocus();
             QTest::keyClick(d.Combo(IDC_SERSET_BAUD_LIST), Qt::Key_Return);
         },
         IDCANCEL},
        {"enter on the focused cancel button",
         [](CSerialSetDlg& d) {
             d.Button(IDC_SERSET_CANCEL)->setFocus();
             QTest::keyClick(d.Button(IDC_SERSET_CANCEL), Qt::Key_Return);
         },
         CSerialSetDlg::kExitProgram},
    };
    for (const Case& c : cases) {
        auto dlg = MakeDialog(RealClock());
        const int rc = Run(*dlg, [&] {
            dlg->activateWindow();
            c.act(*dlg);
        });
        EXPECT_EQ(rc, c.result) << c.name;
        EXPECT_FALSE(dlg->Result().connected) << c.name;
    }
    EXPECT_TRUE(messages.empty());
}

} // namespace
