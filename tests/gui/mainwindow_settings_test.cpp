// The "参数设置" menu of the main window end to end: each entry's dialog is
// answered, the module receives exactly the set frame, and the refreshed
// page shows what the module now holds.

#include "MainWindowRig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>

#include <functional>

using namespace tmx7;
using namespace tmx7::test;

namespace {

using Answer = std::function<void(QWidget&)>;

// Types `text` into the dialog's edit (or steps its bar up `steps` times), then "确定".
Answer TypeOk(const char* text) {
    return [text](QWidget& d) {
        Find<QLineEdit>(d, "valueEdit")->selectAll();
        QTest::keyClicks(Find<QLineEdit>(d, "valueEdit"), text);
        Click(Find(d, "okButton"));
    };
}
Answer StepOk(int steps) {
    return [steps](QWidget& d) {
        for (int i = 0; i < steps; ++i)
            QTest::keyClick(Find<QScrollBar>(d, "valueScrollBar"), Qt::Key_Up);
        Click(Find(d, "okButton"));
    };
}
// Picks `row` in a list (with the mouse) or a drop-down list (with the keys).
void PickRow(QWidget& dialog, const char* list, int row) {
    if (auto* l = Find<QListWidget>(dialog, list)) {
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
        return;
    }
    auto* box = Find<QComboBox>(dialog, list);
    box->setFocus();
    while (box->currentIndex() < row)
        QTest::keyClick(box, Qt::Key_Down);
}
Answer PickClick(const char* list, int row, const char* button) {
    return [=](QWidget& d) {
        PickRow(d, list, row);
        Click(Find(d, button));
    };
}

struct SetCase {
    const char* name;
    std::function<void(sim::ModuleState&)> module;
    const char* action;
    const char* dialog; // class of the dialog it opens; null for none
    Answer answer;
    const char* frame; // what the module receives
    const char* field; // the value shown after the refresh
    const char* shown;
};

class MenuSet : public ::testing::TestWithParam<SetCase> {};

TEST_P(MenuSet, WritesItsFrameAndShowsTheModulesNewValue) {
    const SetCase& c = GetParam();
    sim::ModuleState state;
    if (c.module)
        c.module(state);
    WindowRig rig(state);
    ASSERT_TRUE(rig.Connect());
    rig.module->ClearAudit();
    rig.action(c.action)->trigger();
    if (c.dialog) {
        ASSERT_TRUE(WaitUntil([&] { return WindowRig::Modal(c.dialog) != nullptr; }));
        QWidget& dialog = *WindowRig::Modal(c.dialog);
        c.answer(dialog);
    }
    ASSERT_TRUE(rig.RefreshDone());
    EXPECT_EQ(rig.Commands(), std::vector<std::string>{c.frame});
    EXPECT_TRUE(WaitUntil([&] { return rig.Value(c.field) == QString::fromUtf8(c.shown); }))
        << rig.Value(c.field).toStdString();
}

void Saving(sim::ModuleState& s) {
    s.powerMode = 1;
}
void Passive(sim::ModuleState& s) {
    s.serialMode = 1;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Entries, MenuSet, ::testing::Values(
    SetCase{"Frequency", {}, "frequencyAction", "CFrequencyDlg",
            [](QWidget& d) { Click(Find(d, "channelButton17")); },
            "1F 2F 3F 4F 5F 6F 7F 8F FF 01 00 00 10 00 00 00", "txFrequency", "435.000MHz"},
    SetCase{"PassiveMode", {}, "passiveModeAction", nullptr, {},
            "1F 2F 3F 4F 5F 6F 7F 8F F8 01 01", "serialMode", "被动模式"},
    SetCase{"SleepPeriod", Saving, "sleepPeriodAction", "CSleepPeriodDlg", StepOk(2),
            "1F 2F 3F 4F 5F 6F 7F 8F A4 01 03", "sleepPeriod", "6"},
    SetCase{"SaveAddress", Saving, "saveAddressAction", "CSaveAddrDlg", TypeOk("1234"),
            "1F 2F 3F 4F 5F 6F 7F 8F A3 01 12 34", "saveAddr", "12 34"},
    SetCase{"WakeDelay", Saving, "wakeDelayAction", "CWakeDelayDlg", StepOk(3),
            "1F 2F 3F 4F 5F 6F 7F 8F A1 01 00 04", "wakeDelay", "1.2"},
    SetCase{"PassiveAddress", Passive, "passiveAddressAction", "CPassiveAddrDlg", StepOk(0x1A),
            "1F 2F 3F 4F 5F 6F 7F 8F E2 01 31 41", "passiveAddr", "31 41"},
    SetCase{"Group", {}, "groupAction", "CGroupDlg", TypeOk("7"),
            "1F 2F 3F 4F 5F 6F 7F 8F E7 01 07", "group", "07"},
    SetCase{"TransmitPower", {}, "wirelessAction", "CWirelessDlg",
            PickClick("txPowerList", 3, "txPowerSetButton"),
            "1F 2F 3F 4F 5F 6F 7F 8F FB 01 03", "power", "3"},
    SetCase{"AirRate", {}, "wirelessAction", "CWirelessDlg",
            PickClick("airRateList", 0, "airRateSetButton"),
            "1F 2F 3F 4F 5F 6F 7F 8F FC 01 03", "airRate", "1200bps"}),
    // clang-format on
    [](const auto& info) { return std::string(info.param.name); });

// The module's own line changes with its serial format: the user is told to
// start the program again, and the window closes.
TEST(MainWindowSettings, SerialFormatAdvisesARestartAndCloses) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.module->ClearAudit();
    rig.action("serialFormatAction")->trigger();
    ASSERT_TRUE(WaitUntil([] { return WindowRig::Modal("CSerialFormatDlg") != nullptr; }));
    QWidget& dialog = *WindowRig::Modal("CSerialFormatDlg");
    PickRow(dialog, "formatList", 4); // e.8.1
    MessageBoxes boxes;
    Click(Find(dialog, "formatOkButton"));
    ASSERT_TRUE(WaitUntil([&] { return !rig.window->isVisible(); }));
    EXPECT_EQ(rig.Commands(), std::vector<std::string>{"1F 2F 3F 4F 5F 6F 7F 8F AB 01 05"});
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, QStringLiteral("操作提示"));
    EXPECT_EQ(boxes.seen[0].text, QStringLiteral("您已经改变串口的格式，按确定后手动重启该软件"));
}

// A close during a set's wait lets the set and its refresh finish first.
TEST(MainWindowSettings, CloseDuringTheFrequencyWaitFinishesTheSetFirst) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.module->ClearAudit();
    rig.action("frequencyAction")->trigger();
    ASSERT_TRUE(WaitUntil([] { return WindowRig::Modal("CFrequencyDlg") != nullptr; }));
    Click(Find(*WindowRig::Modal("CFrequencyDlg"), "channelButton1"));
    ASSERT_TRUE(WaitUntil(
        [&] { return rig.Pane("activityPane") == QStringLiteral("请等待模块响应......"); }));
    EXPECT_FALSE(rig.window->close());
    EXPECT_EQ(rig.Pane("connectionPane"), QStringLiteral("参数设置完成后关闭窗口......"));
    ASSERT_TRUE(WaitUntil([&] { return !rig.window->isVisible(); }, std::chrono::seconds(10)));
    EXPECT_EQ(rig.Commands(),
              std::vector<std::string>{"1F 2F 3F 4F 5F 6F 7F 8F FF 01 00 00 00 00 00 00"});
    EXPECT_EQ(rig.Value("txFrequency"), QStringLiteral("431.000MHz")) << "refreshed before closing";
}

} // namespace
