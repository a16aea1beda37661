// The settings dialog against a stand-in engine: the tries it starts, and
// what it does with the events that come back from the engine's threads
// through the Qt event sink (titles, message boxes, the ways it ends, the
// link it leaves behind).

#include "QtTestApp.h"

#include "gui/QtEventSink.h"
#include "ui/dialogs/SerialSetDlg.h"

#include <QComboBox>
#include <QThread>

#include <thread>

using namespace tmx7;
using tmx7::test::ExecWith;
using tmx7::test::Find;
using tmx7::test::MessageBoxes;
using tmx7::test::WaitUntil;

namespace {

TEST(QtEventSink, BatchesArriveOnTheWindowThreadInOrder) {
    gui::QtEventSink sink;
    std::vector<int> bauds;
    bool offThread = false;
    QObject::connect(&sink, &gui::QtEventSink::posted, [&](const std::vector<Event>& batch) {
        offThread |= QThread::currentThread() != qApp->thread();
        for (const Event& e : batch)
            bauds.push_back(std::get<DetectStep>(e).baud);
    });
    std::thread engine([&] {
        for (int i = 1; i <= 3; ++i)
            sink.Post({DetectStep{i, "x"}, DetectStep{10 * i, "y"}});
    });
    engine.join();
    EXPECT_TRUE(bauds.empty()) << "handed over through the event loop, not on the engine's thread";
    ASSERT_TRUE(WaitUntil([&] { return bauds.size() == 6; }));
    EXPECT_FALSE(offThread);
    EXPECT_EQ(bauds, (std::vector<int>{1, 10, 2, 20, 3, 30}));
}

class SerialSetDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Only the ports mapped here: no sysfs, no environment, no config file.
        PortDirectory::Options o;
        o.sysfsTtyRoot = "/nonexistent/tty";
        o.devRoot = "/nonexistent";
        o.getenv = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
        ports = std::make_unique<PortDirectory>(o);
        for (int n : {10, 2, 1})
            ports->Map(n, "/dev/ttyX" + std::to_string(n));
    }

    // The dialog on a stand-in engine that records what it is asked.
    std::unique_ptr<CSerialSetDlg> Make(bool engineFree = true) {
        SerialProbes probes{[this, engineFree](int port, int baud) {
                                probed.emplace_back(port, baud);
                                return engineFree;
                            },
                            [this, engineFree](int port) {
                                detected.push_back(port);
                                return engineFree;
                            }};
        return std::make_unique<CSerialSetDlg>(probes, sink, *ports, LinkChoice{1, 9600, "o,8,2"});
    }
    // Posts a batch the way the engine does: from a thread of its own.
    void Post(std::vector<Event> batch) {
        std::thread engine([&] { sink.Post(std::move(batch)); });
        engine.join();
    }
    // Chooses rows with the keyboard, as a user does.
    static void Choose(CSerialSetDlg& dlg, int portDowns, int baudDowns) {
        for (auto [name, downs] : {std::pair{"portList", portDowns}, {"baudList", baudDowns}}) {
            auto* list = Find<QComboBox>(dlg, name);
            list->setFocus();
            for (int i = 0; i < downs; ++i)
                QTest::keyClick(list, Qt::Key_Down);
        }
    }
    static bool Busy(CSerialSetDlg& dlg) {
        return !Find(dlg, "okButton")->isEnabled() && !Find(dlg, "detectButton")->isEnabled() &&
               !Find<QComboBox>(dlg, "portList")->isEnabled();
    }

    std::unique_ptr<PortDirectory> ports;
    gui::QtEventSink sink;
    std::vector<std::pair<int, int>> probed;
    std::vector<int> detected;
};

TEST_F(SerialSetDlgTest, ListsThePortsByNumberWithNoDefaultButton) {
    auto dlg = Make();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("串口设置"));
    auto* portList = Find<QComboBox>(*dlg, "portList");
    auto* baudList = Find<QComboBox>(*dlg, "baudList");
    ASSERT_TRUE(portList && baudList);
    QStringList rows;
    for (int i = 0; i < portList->count(); ++i)
        rows << portList->itemText(i);
    EXPECT_EQ(rows, QStringList({"COM1  /dev/ttyX1", "COM2  /dev/ttyX2", "COM10  /dev/ttyX10"}));
    EXPECT_EQ(baudList->currentText(), "1200bps");
    for (const char* b : {"okButton", "detectButton", "cancelButton"})
        EXPECT_FALSE(Find(*dlg, b)->isDefault()) << b;
    // From the command line: COM10 (not only COM1..COM9) at 38400.
    dlg->preselect(10, 38400);
    EXPECT_EQ(portList->currentText(), "COM10  /dev/ttyX10");
    EXPECT_EQ(baudList->currentText(), "38400bps");
    EXPECT_TRUE(test::NothingClipped(*dlg));
    // An adapter plugged in meanwhile is listed; the choice stays.
    ports->Map(3, "/dev/ttyUSB0");
    Post({PortsChanged{}});
    ASSERT_TRUE(WaitUntil([&] { return portList->count() == 4; }));
    EXPECT_EQ(portList->itemText(2), "COM3  /dev/ttyUSB0");
    EXPECT_EQ(portList->currentText(), "COM10  /dev/ttyX10");
}

TEST_F(SerialSetDlgTest, ConfirmProbesTheChosenPortAndBaudAndEndsOnConnected) {
    auto dlg = Make();
    const int r = ExecWith(*dlg, [&] {
        Choose(*dlg, 2, 5); // COM10, 38400bps
        QTest::mouseClick(Find(*dlg, "okButton"), Qt::LeftButton);
        EXPECT_TRUE(Busy(*dlg));
        QTest::keyClick(dlg.get(), Qt::Key_Escape); // waits for the try
        EXPECT_TRUE(dlg->isVisible());
        Post({Connected{10, 38400, "e,8,1", 0}, SequenceFinished{SequenceKind::Probe, {}}});
    });
    EXPECT_EQ(r, QDialog::Accepted);
    EXPECT_EQ(probed, (std::vector<std::pair<int, int>>{{10, 38400}}));
    EXPECT_EQ(dlg->link(), (LinkChoice{10, 38400, "e,8,1"}));
    EXPECT_EQ(dlg->connectDelayMs(), 0);
}

TEST_F(SerialSetDlgTest, AFailedTryIsToldAndTheChoiceIsKeptWhenTheDialogIsClosed) {
    const auto failed = [](const char* detail) { return Outcome{OutcomeKind::Failed, {}, detail}; };
    using enum SequenceKind;
    const auto probeEnd = [&](const char* detail) {
        return std::vector<Event>{SequenceFinished{Probe, failed(detail)}};
    };
    struct Case {
        const char* name;
        const char* button;
        bool closeFirst; // a close during the try takes effect at its end
        std::vector<Event> end;
        const char* message; // nullptr: none
        LinkChoice kept;     // what "打开串口" then opens
    } cases[] = {
        // clang-format off
        {"confirm without an answer", "okButton", false, probeEnd("串口设置失败，请重新设置"),
         "串口设置失败，请重新设置", {2, 38400, "o,8,2"}},
        // The port's own notice told of the open failure already.
        {"confirm on a port that does not open", "okButton", true, probeEnd(""), nullptr,
         {2, 38400, "o,8,2"}},
        {"detection without an answer", "detectButton", true,
         {DetectStep{57600, "57600波特率检测失败"},
          SequenceFinished{Detect, failed("串口检测失败，请重新检测")}},
         "串口检测失败，请重新检测", {2, 57600, "o,8,2"}},
        {"detection on a port that does not open", "detectButton", false,
         {SequenceFinished{Detect, failed("")}}, "串口检测失败，请重新检测", {2, 1200, "o,8,2"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxes boxes;
        auto dlg = Make();
        const int r = ExecWith(*dlg, [&] {
            Choose(*dlg, 1, 5); // COM2, 38400bps
            QTest::mouseClick(Find(*dlg, c.button), Qt::LeftButton);
            if (c.closeFirst)
                dlg->close();
            // Another sequence's end is not this try's.
            Post({SequenceFinished{Refresh, failed("x")}});
            Post(c.end);
            EXPECT_TRUE(WaitUntil([&] { return !Busy(*dlg); }));
            if (!c.closeFirst) {
                EXPECT_TRUE(dlg->isVisible());
                dlg->close();
            }
        });
        EXPECT_EQ(r, QDialog::Rejected);
        ASSERT_EQ(boxes.seen.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(boxes.seen[0].text, QString::fromUtf8(c.message));
            EXPECT_EQ(boxes.seen[0].title, QCoreApplication::applicationName());
        }
        EXPECT_EQ(dlg->link(), c.kept);
    }
}

TEST_F(SerialSetDlgTest, WaysToEndTheDialog) {
    enum How { Clicked, Enter, Escape, CloseBox };
    struct Case {
        bool trying; // "确定" clicked first
        const char* control;
        How how;
        int result;
    } cases[] = {
        {false, "cancelButton", Clicked, CSerialSetDlg::ExitProgram},
        {true, "cancelButton", Clicked, CSerialSetDlg::ExitProgram}, // at once
        {false, "cancelButton", Enter, CSerialSetDlg::ExitProgram},
        {false, "baudList", Enter, QDialog::Rejected},
        {false, nullptr, Escape, QDialog::Rejected},
        {false, nullptr, CloseBox, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.trying << " " << c.control << " " << c.how);
        auto dlg = Make();
        EXPECT_EQ(ExecWith(*dlg,
                           [&] {
                               if (c.trying)
                                   QTest::mouseClick(Find(*dlg, "okButton"), Qt::LeftButton);
                               QWidget* w = c.control ? Find<QWidget>(*dlg, c.control) : dlg.get();
                               w->setFocus();
                               if (c.how == Clicked)
                                   QTest::mouseClick(w, Qt::LeftButton);
                               else if (c.how == CloseBox)
                                   dlg->close();
                               else
                                   QTest::keyClick(w, c.how == Enter ? Qt::Key_Return
                                                                     : Qt::Key_Escape);
                           }),
                  c.result);
    }
    // Enter on the focused "确定" asks for a try; while the engine runs
    // another sequence nothing starts, and its events are not the dialog's.
    auto busy = Make(/*engineFree=*/false);
    probed.clear();
    ExecWith(*busy, [&] {
        Find(*busy, "okButton")->setFocus();
        QTest::keyClick(Find(*busy, "okButton"), Qt::Key_Return);
        EXPECT_FALSE(Busy(*busy));
        Post({Connected{1, 9600, "n,8,1", 0}});
        QTest::qWait(20);
        EXPECT_TRUE(busy->isVisible());
        busy->reject();
    });
    EXPECT_EQ(probed, (std::vector<std::pair<int, int>>{{1, 1200}}));
    EXPECT_EQ(busy->link(), (LinkChoice{1, 1200, "o,8,2"}));
}

} // namespace
