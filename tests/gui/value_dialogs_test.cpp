// The scroll, typed and password dialogs driven with the mouse and the
// keyboard: what the arrows do, what the edits let in, what is refused with
// which prompt, and what each dialog gives back.

#include "QtTestApp.h"

#include "ui/dialogs/GroupDlg.h"
#include "ui/dialogs/PassiveAddrDlg.h"
#include "ui/dialogs/PasswordDlg.h"
#include "ui/dialogs/SaveAddrDlg.h"
#include "ui/dialogs/SleepPeriodDlg.h"
#include "ui/dialogs/WakeDelayDlg.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

using namespace tmx7;
using tmx7::test::Click;
using tmx7::test::ExecWith;
using tmx7::test::Find;
using tmx7::test::MessageBoxes;

namespace {

// ---- scroll dialogs ---------------------------------------------------------------

// The arrows, clicked where a user clicks them: at the two ends of the bar.
void ArrowUp(QScrollBar* bar) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 2));
}
void ArrowDown(QScrollBar* bar) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
}
void Keys(QScrollBar* bar, Qt::Key key, int n) {
    for (int i = 0; i < n; ++i)
        QTest::keyClick(bar, key);
}
// Page steps, the ends, dragging and the wheel must leave the value alone.
void OtherRequests(QScrollBar* bar) {
    for (auto a : {QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub,
                   QAbstractSlider::SliderToMinimum, QAbstractSlider::SliderToMaximum,
                   QAbstractSlider::SliderMove})
        bar->triggerAction(a);
    QTest::keyClick(bar, Qt::Key_PageUp);
    QTest::keyClick(bar, Qt::Key_Home);
    QWheelEvent wheel(QPointF(2, 2), bar->mapToGlobal(QPointF(2, 2)), {}, QPoint(0, 120),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &wheel);
}

struct ScrollParts {
    QLineEdit* value;
    QScrollBar* bar;
};
ScrollParts Parts(QDialog& dlg) {
    return {Find<QLineEdit>(dlg, "valueEdit"), Find<QScrollBar>(dlg, "valueScrollBar")};
}

TEST(ScrollDialogs, OnlyTheArrowsStepTheValueAndTheEndsHold) {
    struct Case {
        std::function<std::unique_ptr<QDialog>()> make;
        const char* title;
        const char* start;
        const char* afterUp;
        int toTop; // Up keys from the start to the top
        const char* top;
        const char* belowTop;
    } cases[] = {
        {[] { return std::make_unique<CSleepPeriodDlg>(); }, "睡眠周期设置", "2", "4", 254, "510",
         "508"},
        {[] { return std::make_unique<CWakeDelayDlg>(); }, "唤醒延时设置", "0.3", "0.6", 65534,
         "19660.5", "19660.2"},
        {[] { return std::make_unique<CPassiveAddrDlg>(); }, "被动地址设置", "00", "01", 255, "FF",
         "FE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        auto dlg = c.make();
        EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8(c.title));
        const auto [value, bar] = Parts(*dlg);
        ASSERT_TRUE(value && bar);
        ExecWith(*dlg, [&] {
            EXPECT_FALSE(value->isEnabled());
            EXPECT_EQ(value->text(), c.start);
            ArrowDown(bar);
            EXPECT_EQ(value->text(), c.start);
            const int thumb = bar->value();
            ArrowUp(bar);
            EXPECT_EQ(value->text(), c.afterUp);
            EXPECT_LT(bar->value(), thumb) << "the thumb rises with the value";
            OtherRequests(bar);
            EXPECT_EQ(value->text(), c.afterUp);
            bar->setFocus();
            Keys(bar, Qt::Key_Up, c.toTop);
            EXPECT_EQ(value->text(), c.top);
            ArrowUp(bar);
            EXPECT_EQ(value->text(), c.top);
            ArrowDown(bar);
            EXPECT_EQ(value->text(), c.belowTop);
            dlg->reject();
        });
    }
}

TEST(SleepPeriodDialog, OkAcceptsUpTo500AndEveryOtherWayGivesNoPeriod) {
    MessageBoxes boxes;
    struct Case {
        const char* name;
        int ups;
        std::function<void(CSleepPeriodDlg&)> act;
        std::optional<int> period;
        int prompts;
    } cases[] = {
        {"ok at 500", 249, [](auto& d) { Click(Find(d, "okButton")); }, 500, 0},
        {"ok at 2", 0, [](auto& d) { Click(Find(d, "okButton")); }, 2, 0},
        {"cancel", 3, [](auto& d) { Click(Find(d, "cancelButton")); }, std::nullopt, 0},
        {"enter, valid: closes", 3, [](auto& d) { QTest::keyClick(&d, Qt::Key_Return); },
         std::nullopt, 0},
        // 502 is shown but refused: the prompt, twice, and the dialog stays;
        // Escape afterwards must not send the refused value.
        {"ok at 502 refused", 250,
         [](auto& d) {
             Click(Find(d, "okButton"));
             QTest::keyClick(Find<QScrollBar>(d, "valueScrollBar"), Qt::Key_Return);
             EXPECT_TRUE(d.isVisible());
             QTest::keyClick(&d, Qt::Key_Escape);
         },
         std::nullopt, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.seen.clear();
        CSleepPeriodDlg dlg;
        QScrollBar* bar = Find<QScrollBar>(dlg, "valueScrollBar");
        ASSERT_NE(bar, nullptr);
        ExecWith(dlg, [&] {
            bar->setFocus();
            Keys(bar, Qt::Key_Up, c.ups);
            c.act(dlg);
        });
        EXPECT_EQ(dlg.period(), c.period);
        ASSERT_EQ(boxes.seen.size(), static_cast<std::size_t>(c.prompts));
        for (const auto& box : boxes.seen) {
            EXPECT_EQ(box.text, QStringLiteral("请输入一个介于 2 和 500 之间的整数。"));
            EXPECT_EQ(box.icon, QMessageBox::Warning);
            EXPECT_EQ(box.button, QStringLiteral("确定"));
        }
    }
}

TEST(WakeDelayDialog, TheCountIsExactAndOnlyOkGivesIt) {
    CWakeDelayDlg dlg;
    QScrollBar* bar = Find<QScrollBar>(dlg, "valueScrollBar");
    QLineEdit* value = Find<QLineEdit>(dlg, "valueEdit");
    ASSERT_TRUE(bar && value);
    ExecWith(dlg, [&] {
        bar->setFocus();
        // 4365 × 0.3 lands just below 1309.5 in floating point.
        Keys(bar, Qt::Key_Up, 4364);
        EXPECT_EQ(value->text(), "1309.5");
        Click(Find(dlg, "okButton"));
    });
    EXPECT_EQ(dlg.count(), 4365);

    // Enter is "确定" wherever the focus is; "取消" and Escape give nothing.
    CWakeDelayDlg enter;
    ExecWith(enter, [&] {
        Find(enter, "cancelButton")->setFocus();
        QTest::keyClick(Find(enter, "cancelButton"), Qt::Key_Return);
    });
    EXPECT_EQ(enter.count(), 1);
    CWakeDelayDlg cancel;
    ExecWith(cancel, [&] { Click(Find(cancel, "cancelButton")); });
    EXPECT_EQ(cancel.count(), std::nullopt);
    CWakeDelayDlg escape;
    ExecWith(escape, [&] { QTest::keyClick(&escape, Qt::Key_Escape); });
    EXPECT_EQ(escape.count(), std::nullopt);
}

TEST(PassiveAddrDialog, OkGivesTheShownAddress) {
    CPassiveAddrDlg dlg;
    QScrollBar* bar = Find<QScrollBar>(dlg, "valueScrollBar");
    ASSERT_NE(bar, nullptr);
    ExecWith(dlg, [&] {
        ArrowUp(bar);
        ArrowUp(bar);
        Click(Find(dlg, "okButton"));
    });
    EXPECT_EQ(dlg.text(), "02");
    CPassiveAddrDlg escape;
    ExecWith(escape, [&] { QTest::keyClick(&escape, Qt::Key_Escape); });
    EXPECT_EQ(escape.text(), std::nullopt);
}

// ---- typed dialogs ----------------------------------------------------------------

// The event the window system sends for a right click.
bool RightClickOpensAMenu(QWidget* w) {
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(4, 4), w->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(w, &click);
    QWidget* popup = QApplication::activePopupWidget();
    if (popup)
        popup->close();
    return popup != nullptr;
}

TEST(TypedDialogs, EditsTakeUpperHexAndTheFullStopUpToTheirLength) {
    struct Case {
        std::function<std::unique_ptr<QDialog>()> make;
        const char* initial;
        const char* typed;
        const char* afterTyping;
        const char* pasted;
        const char* afterPaste;
    } cases[] = {
        {[] { return std::make_unique<CSaveAddrDlg>(); }, "0000", "1a2b", "12", "1a2B", "12B"},
        {[] { return std::make_unique<CSaveAddrDlg>(); }, "0000", "12345", "1234", "xyz", ""},
        {[] { return std::make_unique<CGroupDlg>(); }, "00", "G.", ".", "a7", "7"},
        {[] { return std::make_unique<CGroupDlg>(); }, "00", "A B C", "AB", "-1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        auto dlg = c.make();
        QLineEdit* edit = Find<QLineEdit>(*dlg, "valueEdit");
        ASSERT_NE(edit, nullptr);
        ExecWith(*dlg, [&] {
            EXPECT_EQ(edit->text(), c.initial);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, c.typed);
            EXPECT_EQ(edit->text(), c.afterTyping);
            edit->selectAll();
            QApplication::clipboard()->setText(QString::fromUtf8(c.pasted));
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(edit->text(), c.afterPaste);
            EXPECT_FALSE(RightClickOpensAMenu(edit));
            dlg->reject();
        });
    }
    // The check above can fail: a plain edit does open its menu.
    QLineEdit plain;
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    EXPECT_TRUE(RightClickOpensAMenu(&plain));
}

TEST(TypedDialogs, OkPadsAcceptedTextsAndPromptsOnRefusedOnes) {
    MessageBoxes boxes;
    struct Case {
        bool group;
        const char* text;
        const char* result; // nullptr: refused
    } cases[] = {
        {false, "", nullptr}, {false, ".", nullptr},  {false, "1.2", nullptr},
        {false, "5", "0005"}, {false, "123", "0123"}, {false, "ABCD", "ABCD"},
        {true, "", nullptr},  {true, "7.", nullptr},  {true, "7", "07"},
        {true, "AB", "AB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.group ? "group " : "save address ") << c.text);
        boxes.seen.clear();
        std::unique_ptr<CHexTextDlg> dlg;
        if (c.group)
            dlg = std::make_unique<CGroupDlg>();
        else
            dlg = std::make_unique<CSaveAddrDlg>();
        QLineEdit* edit = Find<QLineEdit>(*dlg, "valueEdit");
        ExecWith(*dlg, [&] {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, c.text);
            QTest::keyClick(edit, Qt::Key_Return); // Enter is "确定"
            if (c.result == nullptr) {
                EXPECT_TRUE(dlg->isVisible());
                EXPECT_EQ(edit->selectedText(), edit->text()) << "ready to be typed over";
                Click(Find(*dlg, "cancelButton"));
            }
        });
        if (c.result) {
            EXPECT_EQ(dlg->text(), c.result);
            EXPECT_TRUE(boxes.seen.empty());
        } else {
            EXPECT_EQ(dlg->text(), std::nullopt);
            ASSERT_EQ(boxes.seen.size(), 1u);
            EXPECT_EQ(boxes.seen[0].text, c.group
                                              ? QStringLiteral("请输入1到2位十六进制数(0-9, A-F)")
                                              : QStringLiteral("请输入1到4位十六进制数(0-9, A-F)"));
        }
    }
}

// ---- access code --------------------------------------------------------------------

TEST(PasswordDialog, MaskedDigitsOnlyAndTheRightCodeLeavesNoTrace) {
    MessageBoxes boxes;
    CPasswordDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("请输入密码"));
    QLineEdit* edit = Find<QLineEdit>(dlg, "passwordEdit");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Find(dlg, "okButton")->text(), QStringLiteral("确认"));
    EXPECT_EQ(Find(dlg, "cancelButton")->text(), QStringLiteral("取消"));
    const int r = ExecWith(dlg, [&] {
        EXPECT_TRUE(edit->text().isEmpty());
        edit->setFocus();
        QTest::keyClicks(edit, "51a7-2 04");
        EXPECT_EQ(edit->text(), "517204");
        EXPECT_FALSE(edit->displayText().contains('5')) << "the code is shown masked";
        QTest::keyClick(edit, Qt::Key_Return); // Enter presses "确认"
    });
    EXPECT_EQ(r, QDialog::Accepted);
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_TRUE(edit->text().isEmpty());
}

TEST(PasswordDialog, WrongOrUnreadableCodesAreToldAndAnotherTryFollows) {
    QCoreApplication::setApplicationName(QStringLiteral("tmx7config"));
    MessageBoxes boxes;
    struct Case {
        const char* typed;
        bool rangePrompt;
    } cases[] = {
        {"123456", false},    {"5172040", false}, {"", true}, {"51720400", true}, // eight digits
        {"4295484500", true}, // 2^32 + 517204 must not wrap onto the code
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.seen.clear();
        CPasswordDlg dlg;
        QLineEdit* edit = Find<QLineEdit>(dlg, "passwordEdit");
        const int r = ExecWith(dlg, [&] {
            edit->setFocus();
            QTest::keyClicks(edit, c.typed);
            Click(Find(dlg, "okButton"));
            EXPECT_TRUE(dlg.isVisible());
            // The refused text is selected, so typing replaces it.
            QTest::keyClicks(edit, "0517204"); // a leading zero is the same number
            Click(Find(dlg, "okButton"));
        });
        EXPECT_EQ(r, QDialog::Accepted);
        ASSERT_EQ(boxes.seen.size(), c.rangePrompt ? 2u : 1u);
        if (c.rangePrompt) {
            EXPECT_EQ(boxes.seen[0].text,
                      QStringLiteral("请输入一个介于 0 和 9999999 之间的整数。"));
        }
        const auto& wrong = boxes.seen.back();
        EXPECT_EQ(wrong.text, QStringLiteral("请输入正确的密码"));
        EXPECT_EQ(wrong.title, QStringLiteral("tmx7config"));
        EXPECT_EQ(wrong.button, QStringLiteral("确定"));
        // Wide enough for the title bar to show "tmx7config" whole (it was
        // once 139 pixels wide, and the title was cut).
        EXPECT_GE(wrong.width, 240);
        for (const auto& box : boxes.seen)
            if (*c.typed)
                EXPECT_FALSE(box.text.contains(QString::fromLatin1(c.typed)))
                    << "the code is echoed";
    }
    CPasswordDlg escape;
    EXPECT_EQ(ExecWith(escape, [&] { QTest::keyClick(&escape, Qt::Key_Escape); }),
              QDialog::Rejected);
}

} // namespace
