// The main window against the simulated module, driven through its widgets.

#include "MainWindowRig.h"

#include <QComboBox>
#include <QMenuBar>
#include <QTabWidget>

using namespace tmx7;
using namespace tmx7::test;

TEST(MainWindow, StartsWithTheSettingsDialogAndShowsTheModule) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.window->windowTitle(), QStringLiteral("远桥通信——Q系列电台"));
    EXPECT_EQ(rig.Pane("connectionPane"),
              QStringLiteral("端口COM61连接成功,上位机串口格式为9600,n,8,1"));
    EXPECT_EQ(rig.Value("txFrequency"), QStringLiteral("433.000MHz"));
    EXPECT_EQ(rig.Value("rxFrequency"), QStringLiteral("433.000MHz"));
    EXPECT_EQ(rig.Value("version"), QStringLiteral("TMX7V1"));
    EXPECT_EQ(rig.Value("serialMode"), QStringLiteral("主动模式"));
    const auto* tabs = rig.find<QTabWidget>("parameterTabs");
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("一般参数"));
    if (!qEnvironmentVariableIsEmpty("TMX7_SHOTS"))
        rig.window->grab().save(qEnvironmentVariable("TMX7_SHOTS") + "/main.png");
}
