// The continuous-send dialog and the send-count display, offscreen: their
// controls, the range checks with their messages, the choice they hand to
// the main window, the 20 ms refresh and the stop on every way out.

#include "QtTestApp.h"

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"
#include "res/Templates.h"
#include "ui/window/ContinuousSendDlg.h"
#include "ui/window/SendCountDlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

using namespace tmx7;

namespace {

struct CapturedBox {
    QString text;
    QString caption;
};

// Answers every message box with OK and records it.
class BoxCapture {
public:
    BoxCapture() {
        gui::SetMessageBoxHook([this](const QString& text, const QString& caption, int) {
            boxes.push_back({text, caption});
            return res::IDOK;
        });
    }
    ~BoxCapture() { gui::SetMessageBoxHook({}); }
    std::vector<CapturedBox> boxes;
};

void TypeInto(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
}

} // namespace

// ---- templates ------------------------------------------------------------------

TEST(DataTestDialogs, TemplatesHoldEveryControlWithItsText) {
    struct Expect {
        int dialog;
        int id;
        const char* text;
    };
    const Expect table[] = {
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_USER_DATA, "用户数据"},
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_STD_DATA, "标准形式"},
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_UNTIL_STOPPED, "直到被用户中断"},
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_COUNTED, "发射次数"},
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_COUNT, "10"},
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_INTERVAL, "100"},
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_OK, "确定"},
        {res::IDD_CONTINUOUS_SEND, res::IDC_CONTSEND_CANCEL, "取消"},
        {res::IDD_SEND_COUNT, res::IDC_SENDCOUNT_VALUE, "0"},
        {res::IDD_SEND_COUNT, res::IDC_SENDCOUNT_OK, "确定"},
    };
    CContinuousSendDlg send;
    CSendCountDlg count({}, {});
    EXPECT_EQ(send.windowTitle(), QString::fromUtf8("连续发送数据"));
    EXPECT_EQ(count.windowTitle(), QString::fromUtf8("发送次数显示"));
    for (const Expect& e : table) {
        SCOPED_TRACE(e.id);
        gui::TemplateDialog& dlg =
            e.dialog == res::IDD_CONTINUOUS_SEND ? static_cast<gui::TemplateDialog&>(send) : count;
        ASSERT_NE(dlg.Control(e.id), nullptr);
        EXPECT_EQ(dlg.Text(e.id), QString::fromUtf8(e.text));
    }
    // Both fit their client areas in dialog units, with every control inside.
    for (gui::TemplateDialog* dlg :
         {static_cast<gui::TemplateDialog*>(&send), static_cast<gui::TemplateDialog*>(&count)}) {
        for (int id : dlg->ControlIds())
            EXPECT_TRUE(dlg->Client()->rect().contains(dlg->ControlRect(id))) << id;
    }
    EXPECT_EQ(send.Client()->size(), send.MapDialogRect({0, 0, 182, 98}).size());
    EXPECT_EQ(count.Client()->size(), count.MapDialogRect({0, 0, 187, 94}).size());
    EXPECT_TRUE(count.LineEdit(res::IDC_SENDCOUNT_VALUE)->isReadOnly());
    EXPECT_FALSE(count.windowFlags() & Qt::WindowCloseButtonHint);
}

// ---- CContinuousSendDlg -------------------------------------------------------------

TEST(ContinuousSendDlg, StartsWithUserDataUntilStoppedAndTheCountFieldOff) {
    CContinuousSendDlg dlg;
    EXPECT_TRUE(dlg.IsChecked(res::IDC_CONTSEND_USER_DATA));
    EXPECT_FALSE(dlg.IsChecked(res::IDC_CONTSEND_STD_DATA));
    EXPECT_TRUE(dlg.IsChecked(res::IDC_CONTSEND_UNTIL_STOPPED));
    EXPECT_FALSE(dlg.IsChecked(res::IDC_CONTSEND_COUNTED));
    EXPECT_FALSE(dlg.IsEnabled(res::IDC_CONTSEND_COUNT));
    EXPECT_TRUE(dlg.IsEnabled(res::IDC_CONTSEND_INTERVAL));

    dlg.show();
    QTest::mouseClick(dlg.AnyButton(res::IDC_CONTSEND_COUNTED), Qt::LeftButton);
    EXPECT_TRUE(dlg.IsEnabled(res::IDC_CONTSEND_COUNT));
    EXPECT_FALSE(dlg.IsChecked(res::IDC_CONTSEND_UNTIL_STOPPED));
    EXPECT_TRUE(dlg.IsChecked(res::IDC_CONTSEND_USER_DATA)); // the other group is left alone
    QTest::mouseClick(dlg.AnyButton(res::IDC_CONTSEND_UNTIL_STOPPED), Qt::LeftButton);
    EXPECT_FALSE(dlg.IsEnabled(res::IDC_CONTSEND_COUNT));
    EXPECT_FALSE(dlg.IsChecked(res::IDC_CONTSEND_COUNTED));
}

struct ResultCase {
    int formRadio;
    int countRadio;
    const char* count;
    const char* interval;
    ContinuousSendChoice expected;
};

class ContinuousSendResult : public ::testing::TestWithParam<ResultCase> {};

TEST_P(ContinuousSendResult, OkHandsTheChoiceToTheMainWindow) {
    const ResultCase& c = GetParam();
    BoxCapture boxes;
    CContinuousSendDlg dlg;
    int result = -1;
    QTimer::singleShot(0, &dlg, [&] {
        QTest::mouseClick(dlg.AnyButton(c.formRadio), Qt::LeftButton);
        QTest::mouseClick(dlg.AnyButton(c.countRadio), Qt::LeftButton);
        TypeInto(dlg.LineEdit(res::IDC_CONTSEND_INTERVAL), c.interval);
        if (dlg.IsEnabled(res::IDC_CONTSEND_COUNT))
            TypeInto(dlg.LineEdit(res::IDC_CONTSEND_COUNT), c.count);
        QTest::mouseClick(dlg.Button(res::IDC_CONTSEND_OK), Qt::LeftButton);
    });
    result = dlg.DoModal();
    EXPECT_EQ(result, res::IDOK);
    EXPECT_TRUE(boxes.boxes.empty());
    const ContinuousSendChoice& got = dlg.Choice();
    EXPECT_EQ(got.dataForm, c.expected.dataForm);
    EXPECT_EQ(got.countMode, c.expected.countMode);
    EXPECT_EQ(got.intervalMs, c.expected.intervalMs);
    if (c.expected.countMode == 1) {
        EXPECT_EQ(got.count, c.expected.count);
    }
    EXPECT_EQ(ContinuousSendTimers::TimerFor(got.dataForm, got.countMode),
              ContinuousSendTimers::TimerFor(c.expected.dataForm, c.expected.countMode));
}

INSTANTIATE_TEST_SUITE_P(
    FormsAndModes, ContinuousSendResult,
    ::testing::Values(
        ResultCase{res::IDC_CONTSEND_USER_DATA,
                   res::IDC_CONTSEND_UNTIL_STOPPED,
                   "",
                   "100",
                   {0, 0, 10, 100}},
        ResultCase{res::IDC_CONTSEND_STD_DATA,
                   res::IDC_CONTSEND_UNTIL_STOPPED,
                   "",
                   "250",
                   {1, 0, 10, 250}},
        ResultCase{res::IDC_CONTSEND_USER_DATA,
                   res::IDC_CONTSEND_COUNTED,
                   "3",
                   "999999",
                   {0, 1, 3, 999999}},
        ResultCase{
            res::IDC_CONTSEND_STD_DATA, res::IDC_CONTSEND_COUNTED, "999", "100", {1, 1, 999, 100}},
        ResultCase{
            res::IDC_CONTSEND_STD_DATA, res::IDC_CONTSEND_COUNTED, "1", "1000", {1, 1, 1, 1000}}));

struct RangeCase {
    const char* count;
    const char* interval;
    int focus;       // the field that gets the focus back
    const char* msg; // the range message
};

class ContinuousSendRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ContinuousSendRange, RefusedValueKeepsTheDialogOpenOnItsField) {
    const RangeCase& c = GetParam();
    BoxCapture boxes;
    CContinuousSendDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.AnyButton(res::IDC_CONTSEND_COUNTED), Qt::LeftButton);
    dlg.SetText(res::IDC_CONTSEND_COUNT, c.count);
    dlg.SetText(res::IDC_CONTSEND_INTERVAL, c.interval);
    dlg.Button(res::IDC_CONTSEND_CANCEL)->setFocus();

    QTest::mouseClick(dlg.Button(res::IDC_CONTSEND_OK), Qt::LeftButton);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8(c.msg));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_EQ(QApplication::focusWidget(), dlg.Control(c.focus));
    EXPECT_EQ(dlg.LineEdit(c.focus)->selectedText(), dlg.Text(c.focus)); // ready to retype

    // Enter takes the same check as the button; Escape still cancels.
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), res::IDCANCEL);
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ContinuousSendRange,
    ::testing::Values(
        RangeCase{"0", "100", res::IDC_CONTSEND_COUNT, "请输入一个介于 1 和 999 之间的整数。"},
        RangeCase{"1000", "100", res::IDC_CONTSEND_COUNT, "请输入一个介于 1 和 999 之间的整数。"},
        RangeCase{"", "100", res::IDC_CONTSEND_COUNT, "请输入一个介于 1 和 999 之间的整数。"},
        RangeCase{"1.5", "100", res::IDC_CONTSEND_COUNT, "请输入一个介于 1 和 999 之间的整数。"},
        RangeCase{"10", "99", res::IDC_CONTSEND_INTERVAL,
                  "请输入一个介于 100 和 999999 之间的整数。"},
        RangeCase{"10", "1000000", res::IDC_CONTSEND_INTERVAL,
                  "请输入一个介于 100 和 999999 之间的整数。"},
        RangeCase{"10", "100.", res::IDC_CONTSEND_INTERVAL,
                  "请输入一个介于 100 和 999999 之间的整数。"}));

TEST(ContinuousSendDlg, CancelAndEscapeStartNothing) {
    for (bool escape : {false, true}) {
        BoxCapture boxes;
        CContinuousSendDlg dlg;
        QTimer::singleShot(0, &dlg, [&] {
            dlg.SetText(res::IDC_CONTSEND_INTERVAL, "5"); // invalid, but never checked
            if (escape)
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                QTest::mouseClick(dlg.Button(res::IDC_CONTSEND_CANCEL), Qt::LeftButton);
        });
        EXPECT_EQ(dlg.DoModal(), res::IDCANCEL) << escape;
        EXPECT_TRUE(boxes.boxes.empty());
    }
}

TEST(ContinuousSendDlg, NumberFieldsTakeDigitsBackspaceAndFullStopOnly) {
    CContinuousSendDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.AnyButton(res::IDC_CONTSEND_COUNTED), Qt::LeftButton);
    for (int id : {res::IDC_CONTSEND_COUNT, res::IDC_CONTSEND_INTERVAL}) {
        SCOPED_TRACE(id);
        QLineEdit* e = dlg.LineEdit(id);
        TypeInto(e, "1a2 B-3.+x4");
        EXPECT_EQ(e->text(), "123.4");
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClick(e, Qt::Key_Left); // navigation keys still work
        QTest::keyClicks(e, "9");
        EXPECT_EQ(e->text(), "1239.");
        // Pasted text passes the same rule.
        e->selectAll();
        e->insert("7z,0 0");
        EXPECT_EQ(e->text(), "700");
    }
}

TEST(ContinuousSendDlg, RightButtonOpensNoMenu) {
    const auto rightClickOpensMenu = [](QWidget* w) {
        QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(4, 4), w->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(w, &ev);
        QWidget* popup = QApplication::activePopupWidget();
        if (popup)
            popup->close();
        return popup != nullptr;
    };
    // Control: a plain edit outside the dialog does open its menu.
    QLineEdit plain;
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    ASSERT_TRUE(rightClickOpensMenu(&plain));
    plain.hide();

    CContinuousSendDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_FALSE(rightClickOpensMenu(dlg.LineEdit(res::IDC_CONTSEND_INTERVAL)));
}

// ---- CSendCountDlg ------------------------------------------------------------------

TEST(SendCountDlg, ShowsTheCountAtItsRefresh) {
    unsigned sends = 7;
    int reads = 0;
    CSendCountDlg dlg(
        [&] {
            ++reads;
            return sends;
        },
        {});
    EXPECT_EQ(reads, 1); // shown at once, before the first tick
    EXPECT_EQ(dlg.Text(res::IDC_SENDCOUNT_VALUE), "7");
    EXPECT_TRUE(dlg.HasTimer(SendCountModel::kRefreshTimerId));
    dlg.show();

    sends = 8;
    QTRY_COMPARE_WITH_TIMEOUT(dlg.Text(res::IDC_SENDCOUNT_VALUE), QString("8"), 1000);
    sends = 4294967295u;
    QTRY_COMPARE_WITH_TIMEOUT(dlg.Text(res::IDC_SENDCOUNT_VALUE), QString("4294967295"), 1000);
    EXPECT_EQ(dlg.Count(), 4294967295u);

    // About every 20 ms: ten more reads come well within a second (a refresh
    // five times slower would need it all).
    const int before = reads;
    QElapsedTimer t;
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(reads >= before + 10, 2000);
    EXPECT_LT(t.elapsed(), 800);
}

TEST(SendCountDlg, EveryWayOutStopsTheRunOnce) {
    enum class Way { Button, Enter, Escape, Close, EndDialog };
    struct Case {
        Way way;
        int result;
    };
    const Case table[] = {{Way::Button, res::IDOK},
                          {Way::Enter, res::IDOK},
                          {Way::Escape, res::IDCANCEL},
                          {Way::Close, res::IDCANCEL},
                          {Way::EndDialog, res::IDOK}};
    for (const Case& c : table) {
        SCOPED_TRACE(static_cast<int>(c.way));
        // A stand-in for the main window's run: a counted state that the
        // leave function stops and resets.
        ContinuousSendTimers timers;
        timers.Start({0, 0, 10, 100});
        timers.OnTimer(kTimerUserUntilStopped);
        timers.OnTimer(kTimerUserUntilStopped);
        int leaves = 0;
        CSendCountDlg dlg([&] { return timers.SendCount(); },
                          [&] {
                              ++leaves;
                              timers.Leave();
                          });
        EXPECT_EQ(dlg.Text(res::IDC_SENDCOUNT_VALUE), "2");
        QTimer::singleShot(30, &dlg, [&] {
            switch (c.way) {
            case Way::Button:
                QTest::mouseClick(dlg.Button(res::IDC_SENDCOUNT_OK), Qt::LeftButton);
                break;
            case Way::Enter:
                QTest::keyClick(&dlg, Qt::Key_Return);
                break;
            case Way::Escape:
                QTest::keyClick(&dlg, Qt::Key_Escape);
                break;
            case Way::Close:
                dlg.close();
                break;
            case Way::EndDialog:
                dlg.EndDialog(res::IDOK);
                break;
            }
        });
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(leaves, 1);
        EXPECT_TRUE(dlg.HasLeft());
        EXPECT_FALSE(timers.AnyRunning());
        EXPECT_EQ(timers.SendCount(), 0u);
        EXPECT_FALSE(dlg.HasTimer(SendCountModel::kRefreshTimerId));
        // Ending it again (a late close) does not stop a newer run.
        dlg.close();
        dlg.EndDialog(res::IDCANCEL);
        EXPECT_EQ(leaves, 1);
    }
}
