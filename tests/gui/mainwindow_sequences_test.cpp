// The main window's long sequences against the simulated module: the
// download and a close during it, the export, and a module that misbehaves
// or is unplugged while the window reads it.

#include "MainWindowRig.h"

#include "platform/ProfileFile.h"

#include <QPlainTextEdit>
#include <QProgressBar>

#include <filesystem>
#include <fstream>

using namespace tmx7;
using namespace tmx7::test;
using namespace std::chrono_literals;

// While the download runs the commands that would start another sequence
// are off and say why; a close waits for the download and its refresh,
// says so, and then the window goes.
TEST(MainWindowSequences, DownloadRunsToItsEndThroughACloseAndBlocksOtherCommands) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.module->ClearAudit();
    // In normal power mode the power-saving values are unknown ("********")
    // and are not written.
    rig.action("downloadAction")->trigger();
    auto* progress = rig.find<QProgressBar>("progressBar");
    ASSERT_TRUE(WaitUntil([&] { return progress->isVisible(); }));

    for (const char* name : {"refreshAction", "downloadAction", "frequencyAction", "openPortAction",
                             "closePortAction", "productionAction"}) {
        EXPECT_FALSE(rig.action(name)->isEnabled()) << name;
        EXPECT_EQ(rig.action(name)->toolTip(), QStringLiteral("正在下载参数，请稍候")) << name;
    }
    EXPECT_TRUE(rig.action("aboutAction")->isEnabled());
    QWidget* value = rig.find("txFrequencyValue");
    QTest::mouseDClick(rig.window->windowHandle(), Qt::LeftButton, {},
                       value->mapTo(rig.window.get(), value->rect().center()));
    EXPECT_TRUE(NoDialogFor(100)) << "a setting opened during the download";

    EXPECT_FALSE(rig.window->close());
    EXPECT_EQ(rig.Pane("connectionPane"), QStringLiteral("参数下载完成后关闭窗口......"));
    ASSERT_TRUE(WaitUntil([&] { return !rig.window->isVisible(); }, std::chrono::seconds(20)));
    EXPECT_EQ(rig.Commands(), (std::vector<std::string>{
                                  "1F 2F 3F 4F 5F 6F 7F 8F E7 01 00",
                                  "1F 2F 3F 4F 5F 6F 7F 8F A5 01 00",
                                  "1F 2F 3F 4F 5F 6F 7F 8F F8 01 00",
                                  "1F 2F 3F 4F 5F 6F 7F 8F FF 01 00 00 08 00 00 00",
                                  "1F 2F 3F 4F 5F 6F 7F 8F FC 01 06",
                              }));
    const auto frames = rig.module->Frames();
    EXPECT_EQ(frames.back().kind, sim::FrameKind::Query) << "closed before its refresh";
}

TEST(MainWindowSequences, ExportWritesWhatTheModuleHolds) {
    WindowRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.action("exportAction")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return rig.Pane("activityPane").startsWith("参数已导出到 "); },
                          std::chrono::seconds(10)));
    ProfileDocument file;
    ASSERT_TRUE(ProfileDocument::Load("tmx7peizhi.tm7", file));
    EXPECT_EQ(file.Find("TMX7参数表", "空中频率"), "433.000MHz");
    EXPECT_EQ(file.Find("TMX7参数表", "串口编号"), "COM61");
}

// The adapter pulled during a refresh, a download or a continuous send: the
// window says so at once, in the status bar and the receive area, the work
// ends (a download says how far it got) and what needs a port greys. The
// same adapter back is opened at the same rate and format and read again.
TEST(MainWindowSequences, UnplugIsSaidAndTheReturnedAdapterIsReadAgain) {
    const char* lost = "端口COM61已断开，等待重新连接......";
    const char* back = "端口COM61已重新连接,上位机串口格式为9600,n,8,1";
    struct Case {
        const char* control;
        const char* said; // the activity pane once the work has ended
    } cases[] = {{"refreshAction", nullptr},
                 {"downloadAction", "参数下载未完成：已写入 "},
                 {"continuousSendButton", "串口已断开，连续发送已停止"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        WindowRig rig;
        ASSERT_TRUE(rig.Connect());
        rig.module->ClearAudit();
        if (QAction* action = rig.action(c.control)) {
            action->trigger();
        } else {
            Click(rig.find<QPushButton>(c.control));
            ASSERT_TRUE(WaitUntil([] { return WindowRig::Modal("CContinuousSendDlg"); }));
            Click(Find(*WindowRig::Modal("CContinuousSendDlg"), "okButton"));
        }
        ASSERT_TRUE(WaitUntil([&] { return rig.module->FrameCount() >= 2; }));
        rig.module->HangUp();
        ASSERT_TRUE(WaitUntil([&] { return rig.Pane("connectionPane") == lost; }));
        if (c.said) {
            EXPECT_TRUE(WaitUntil([&] { return rig.Pane("activityPane").startsWith(c.said); }))
                << rig.Pane("activityPane").toStdString();
        }
        EXPECT_TRUE(WaitUntil([&] {
            return !rig.find("sendButton")->isEnabled() &&
                   !rig.action("refreshAction")->isEnabled();
        })) << "what needs a port is not greyed";
        auto* received = rig.find<QPlainTextEdit>("receiveArea");
        EXPECT_TRUE(received->toPlainText().contains(QStringLiteral("【%1】\n").arg(lost)));

        sim::ModuleState state;
        state.version = {'T', 'M', 'X', '7', 'V', '2'};
        rig.Return(state);
        ASSERT_TRUE(WaitUntil([&] { return rig.Value("version") == "TMX7V2"; }, 10s));
        ASSERT_TRUE(rig.RefreshDone());
        EXPECT_EQ(rig.Pane("connectionPane"), back);
        EXPECT_TRUE(received->toPlainText().contains(QStringLiteral("【%1】\n").arg(back)));
        EXPECT_TRUE(rig.find("sendButton")->isEnabled());
        if (QWidget* count = WindowRig::Modal("CSendCountDlg"))
            Click(Find(*count, "okButton"));
        EXPECT_TRUE(rig.window->close());
    }
}

// A module that answers garbage, in halves or late: the refresh ends and the
// window shows what could be read, late answers as they come.
TEST(MainWindowSequences, MisbehavingModuleDuringARefresh) {
    struct Case {
        const char* name;
        sim::FaultConfig faults;
        const char* frequency;
    };
    const Case cases[] = {
        {"garbage", {.garbage = true}, "********"},
        {"split", {.split = true}, "********"},
        {"late", {.lateBy = std::chrono::milliseconds(300)}, "433.000MHz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowRig rig;
        ASSERT_TRUE(rig.Connect());
        rig.module->SetFaults(c.faults);
        rig.action("refreshAction")->trigger();
        ASSERT_TRUE(WaitUntil([&] { return !rig.action("refreshAction")->isEnabled(); }));
        ASSERT_TRUE(rig.RefreshDone());
        EXPECT_TRUE(WaitUntil([&] { return rig.Value("txFrequency") == c.frequency; }))
            << rig.Value("txFrequency").toStdString();
        EXPECT_TRUE(NoDialogFor(10));
    }
}
