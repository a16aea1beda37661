// The main window against the simulated module, driven with the mouse and
// the keyboard: start-up, double-click editing, the product links, the
// "文件" pop-up, the production controls and the keys that must not end it.

#include "MainWindowRig.h"

#include "ui/mainwindow/ProductColumn.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>

using namespace tmx7;
using namespace tmx7::test;

namespace {

// Counts the dialogs shown while it lives.
class DialogsShown : public QObject {
public:
    DialogsShown() { qApp->installEventFilter(this); }
    ~DialogsShown() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->inherits("QDialog"))
            ++count;
        return false;
    }
};

void SelectPage(WindowRig& rig, const QString& caption) {
    auto* tabs = rig.find<QTabWidget>("parameterTabs");
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == caption)
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                              tabs->tabBar()->tabRect(i).center());
}

} // namespace

TEST(MainWindow, StartsWithTheSettingsDialogAndShowsTheModule) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.window->windowTitle(), QStringLiteral("远桥通信——Q系列电台"));
    EXPECT_EQ(rig.Pane("connectionPane"),
              QStringLiteral("端口COM61连接成功,上位机串口格式为9600,n,8,1"));
    EXPECT_EQ(rig.Pane("mottoPane"), QStringLiteral("我们是优秀的团队"));
    EXPECT_EQ(rig.Value("txFrequency"), QStringLiteral("433.000MHz"));
    EXPECT_EQ(rig.Value("version"), QStringLiteral("TMX7V1"));
    auto* tabs = rig.find<QTabWidget>("parameterTabs");
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("一般参数"));
    // Enter and Escape never end the program.
    QTest::keyClick(rig.window.get(), Qt::Key_Escape);
    QTest::keyClick(rig.window.get(), Qt::Key_Return);
    EXPECT_TRUE(NoDialogFor(50));
    EXPECT_TRUE(rig.window->isVisible());

    // Every value shows whole, frame and all, and the status bar ends inside
    // the window, at the usual and a larger font.
    const QFont usual = QApplication::font();
    for (int points : {usual.pointSize(), usual.pointSize() * 3 / 2}) {
        QFont font = usual;
        font.setPointSize(points);
        QApplication::setFont(font);
        const auto values = rig.window->findChildren<QLabel*>(QRegularExpression("Value$"));
        const auto needed = [](QLabel* v) {
            return v->fontMetrics().horizontalAdvance(v->text()) + 2 * v->frameWidth();
        };
        // The new font's layout takes a few event-loop turns on a slow build.
        (void)WaitUntil([&] {
            return std::all_of(values.begin(), values.end(), [&](QLabel* v) {
                return !v->isVisible() || needed(v) <= v->width();
            });
        });
        QWidget* motto = rig.find("mottoPane");
        EXPECT_TRUE(rig.window->rect().contains(
            QRect(motto->mapTo(rig.window.get(), QPoint(0, 0)), motto->size())))
            << "motto at " << points << " pt";
        for (QLabel* value : values) {
            if (!value->isVisible())
                continue;
            EXPECT_LE(needed(value), value->width())
                << value->objectName().toStdString() << " at " << points << " pt";
            EXPECT_TRUE(rig.window->rect().contains(
                QRect(value->mapTo(rig.window.get(), QPoint(0, 0)), value->size())));
        }
    }
    QApplication::setFont(usual);
}

// A port and baud rate tried with "确定" are kept when the dialog is then
// closed with Escape: "打开串口" opens them.
TEST(MainWindow, TheSettingsTriedAreKeptWhenTheDialogIsEscaped) {
    sim::ModuleState state;
    WindowRig rig(state, 10, {std::nullopt, 9600});
    rig.module->SetFaults({.silence = true});
    ASSERT_TRUE(WaitUntil([] { return WindowRig::Modal("CSerialSetDlg") != nullptr; }));
    QWidget* settings = WindowRig::Modal("CSerialSetDlg");
    {
        MessageBoxes boxes;
        Click(Find(*settings, "okButton"));
        ASSERT_TRUE(WaitUntil([&] { return boxes.seen.size() == 1; }, std::chrono::seconds(5)));
        EXPECT_EQ(boxes.seen[0].text, QStringLiteral("串口设置失败，请重新设置"));
    }
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == settings; }));
    QTest::keyClick(settings, Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
    rig.module->SetFaults({});
    rig.action("openPortAction")->trigger();
    ASSERT_TRUE(rig.RefreshDone());
    EXPECT_EQ(rig.Value("version"), QStringLiteral("TMX7V1"));
}

// Every value with a setting opens its dialog once per double-click, also
// after the dialog was used with the mouse; names and values without a
// setting open nothing.
TEST(MainWindow, DoubleClickOpensTheFieldsDialogOnceAndNothingElse) {
    sim::ModuleState state;
    state.serialMode = 1;
    state.powerMode = 1;
    WindowRig rig(state);
    ASSERT_TRUE(rig.Connect());
    rig.module->ClearAudit();
    auto* received = rig.find<QPlainTextEdit>("receiveArea");
    const QString shown = received->toPlainText();
    ASSERT_FALSE(shown.isEmpty());
    struct Case {
        const char* page;
        const char* widget;
        const char* dialog; // null: nothing opens
        const char* cancel;
    };
    const Case cases[] = {
        {"一般参数", "txFrequencyValue", "CFrequencyDlg", "cancelButton"},
        {"一般参数", "serialFormatValue", "CSerialFormatDlg", "baudCancelButton"},
        {"一般参数", "serialModeValue", "CSerialModeDlg", "cancelButton"},
        {"一般参数", "powerModeValue", "CPowerModeDlg", "cancelButton"},
        {"一般参数", "airRateValue", "CWirelessDlg", "cancelButton"},
        {"一般参数", "groupValue", "CGroupDlg", "cancelButton"},
        {"一般参数", "versionValue", nullptr, nullptr},
        {"省电参数", "sleepPeriodValue", "CSleepPeriodDlg", "cancelButton"},
        {"省电参数", "wakeDelayValue", "CWakeDelayDlg", "cancelButton"},
        {"省电参数", "saveAddrValue", "CSaveAddrDlg", "cancelButton"},
        {"省电参数", "addrTypeValue", nullptr, nullptr},
        {"被动参数", "passiveAddrValue", "CPassiveAddrDlg", "cancelButton"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.widget);
        SelectPage(rig, QString::fromUtf8(c.page));
        QWidget* target = rig.find(c.widget);
        ASSERT_NE(target, nullptr);
        DialogsShown shown;
        // Through the window, as the window system delivers a double-click.
        QTest::mouseDClick(rig.window->windowHandle(), Qt::LeftButton, {},
                           target->mapTo(rig.window.get(), target->rect().center()));
        if (!c.dialog) {
            EXPECT_TRUE(NoDialogFor(150));
            continue;
        }
        ASSERT_TRUE(WaitUntil([&] { return WindowRig::Modal(c.dialog) != nullptr; }));
        QWidget& dialog = *WindowRig::Modal(c.dialog);
        // Used with the mouse: a double-click inside it, then its cancel.
        if (auto* edit = Find<QLineEdit>(dialog, "valueEdit"))
            QTest::mouseDClick(edit, Qt::LeftButton);
        Click(Find(dialog, c.cancel));
        EXPECT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() == nullptr; }));
        EXPECT_TRUE(NoDialogFor(150)) << "opened again";
        EXPECT_EQ(shown.count, 1);
    }
    EXPECT_TRUE(rig.Commands().empty()) << "a cancelled dialog sent " << rig.Commands().front();
    // Late answers may have come since; nothing was cleared.
    EXPECT_TRUE(received->toPlainText().startsWith(shown))
        << "a double-click in a dialog reached the receive area";
}

// The product pictures and names open their pages; a menu opened over the
// column and a press on a picture's very edge open nothing. The right button
// opens the "文件" menu.
TEST(MainWindow, ProductLinksFollowTheWidgetPressedOnly) {
    qputenv("TMX7_HOME_HOST", "www.example.com");
    std::vector<QString> opened;
    SetUrlOpenHook([&](const QUrl& url) { opened.push_back(url.toString()); });
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());

    QMenuBar* bar = rig.window->menuBar();
    QMenu* file = rig.find<QMenu>("fileMenu");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
    ASSERT_TRUE(WaitUntil([&] { return file->isVisible(); }));
    QTest::mouseClick(file, Qt::LeftButton, {},
                      file->actionGeometry(rig.action("importAction")).center());
    ASSERT_TRUE(WaitUntil([&] { return !file->isVisible(); }));
    EXPECT_TRUE(opened.empty());

    QWidget* gprs = rig.find("gprsPicture");
    QTest::mouseClick(gprs, Qt::LeftButton, {}, QPoint(0, gprs->height() / 2));
    EXPECT_TRUE(opened.empty()) << "edge";
    QTest::mouseClick(rig.find("gprsPicture"), Qt::LeftButton);
    QTest::mouseClick(rig.find("alarmLabel"), Qt::LeftButton);
    QTest::mouseClick(rig.find("radioLabel"), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<QString>{"https://www.example.com/gprsmokuai.html",
                                            "https://www.example.com/cekongzhongduan.html",
                                            "https://www.example.com/diantaimokuai.html"}));
    SetUrlOpenHook({});
    qunsetenv("TMX7_HOME_HOST");

    // The right button over the window's own surface (through the window, as
    // the window system delivers it) offers the "文件" menu.
    QWidget* page = rig.find("generalPage");
    QTest::mouseClick(rig.window->windowHandle(), Qt::RightButton, {},
                      page->mapTo(rig.window.get(), QPoint(2, 2)));
    ASSERT_TRUE(WaitUntil([&] { return file->isVisible(); }));
    file->hide();
}

TEST(MainWindow, ProductionControlsNeedTheCodeAndWriteTheirCommands) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.module->ClearAudit();
    EXPECT_FALSE(rig.find("transmit0101Button")->isVisible());
    rig.action("productionAction")->trigger();
    ASSERT_TRUE(WaitUntil([] { return WindowRig::Modal("CPasswordDlg") != nullptr; }));
    QWidget& password = *WindowRig::Modal("CPasswordDlg");
    QTest::keyClicks(Find<QLineEdit>(password, "passwordEdit"), "517204");
    Click(Find(password, "okButton"));
    ASSERT_TRUE(WaitUntil([&] { return rig.find("transmit0101Button")->isVisible(); }));

    Click(rig.find<QPushButton>("transmit0101Button"));
    EXPECT_TRUE(rig.find("transmitIndicator")->isVisible());
    auto* a = rig.find<QLineEdit>("calibrationEditA");
    auto* b = rig.find<QLineEdit>("calibrationEditB");
    a->selectAll();
    QTest::keyClicks(a, "1a2");
    b->selectAll();
    QTest::keyClicks(b, "34");
    QTest::keyClick(b, Qt::Key_Return); // never ends the program
    Click(rig.find<QPushButton>("calibrateButton"));
    Click(rig.find<QPushButton>("signalStrengthButton"));
    ASSERT_TRUE(WaitUntil([&] { return rig.module->FrameCount() >= 3; }));
    EXPECT_EQ(rig.Commands(), (std::vector<std::string>{"1F 2F 3F 4F 5F 6F 7F 8F A9",
                                                        "1F 2F 3F 4F 5F 6F 7F 8F FA 01 12 34",
                                                        "1F 2F 3F 4F 5F 6F 7F 8F F7"}));
    // Off again without a code; the indicator keeps showing the transmission.
    rig.action("productionAction")->trigger();
    EXPECT_TRUE(NoDialogFor(50));
    EXPECT_FALSE(rig.find("transmit0101Button")->isVisible());
    EXPECT_TRUE(rig.find("transmitIndicator")->isVisible());
    // "退出" stops the test transmission before the window goes.
    rig.action("exitAction")->trigger();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_EQ(rig.Commands().back(), "1F 2F 3F 4F 5F 6F 7F 8F A8");
}

// "关闭串口" greys what needs a port; "打开串口" brings back all but what
// follows the module's modes, and reads the module again.
TEST(MainWindow, ClosePortGreysWhatNeedsAPortAndOpenPortReadsAgain) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.action("closePortAction")->trigger();
    QTest::qWait(20);
    for (const char* name : {"refreshAction", "downloadAction", "frequencyAction",
                             "productionAction", "editUserDataAction"})
        EXPECT_FALSE(rig.action(name)->isEnabled()) << name;
    EXPECT_FALSE(rig.find("sendButton")->isEnabled());
    EXPECT_TRUE(rig.action("openPortAction")->isEnabled());
    rig.module->ClearAudit();
    rig.action("openPortAction")->trigger();
    ASSERT_TRUE(rig.RefreshDone());
    EXPECT_GE(rig.module->FrameCount(), 9u);
    for (const char* name : {"refreshAction", "downloadAction", "editUserDataAction"})
        EXPECT_TRUE(rig.action(name)->isEnabled()) << name;
    EXPECT_TRUE(rig.find("sendButton")->isEnabled());
    EXPECT_FALSE(rig.action("sleepPeriodAction")->isEnabled()) << "normal power mode";
}
