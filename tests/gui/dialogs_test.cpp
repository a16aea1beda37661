// Every dialog but the settings dialog, driven with the mouse and the
// keyboard: the value each button or field gives back, what the arrows and
// edits let in, what is refused with which prompt, the ways out, and every
// caption drawn whole at a larger font.

#include "QtTestApp.h"

#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/ContinuousSendDlg.h"
#include "ui/dialogs/FrequencyDlg.h"
#include "ui/dialogs/GroupDlg.h"
#include "ui/dialogs/PassiveAddrDlg.h"
#include "ui/dialogs/PasswordDlg.h"
#include "ui/dialogs/PowerModeDlg.h"
#include "ui/dialogs/SaveAddrDlg.h"
#include "ui/dialogs/SendCountDlg.h"
#include "ui/dialogs/SerialFormatDlg.h"
#include "ui/dialogs/SerialModeDlg.h"
#include "ui/dialogs/SleepPeriodDlg.h"
#include "ui/dialogs/WakeDelayDlg.h"
#include "ui/dialogs/WirelessDlg.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>

using namespace tmx7;
using tmx7::test::Click;
using tmx7::test::ExecWith;
using tmx7::test::Find;
using tmx7::test::MessageBoxes;

namespace {

// ---- choice dialogs -----------------------------------------------------------------

struct ButtonCase {
    const char* name;
    const char* caption;
    int choice;
};

// Each button gives its value; Enter (also on a focused choice button),
// Escape and the close box give 0.
template <class Dlg>
void ExpectButtons(const char* title, int (Dlg::*get)() const, std::vector<ButtonCase> buttons) {
    for (const ButtonCase& b : buttons) {
        SCOPED_TRACE(b.name);
        Dlg dlg;
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(title));
        QPushButton* button = Find(dlg, b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        ExecWith(dlg, [&] { Click(button); });
        EXPECT_EQ((dlg.*get)(), b.choice);
    }
    for (int way = 0; way < 3; ++way) {
        Dlg dlg;
        QPushButton* first = Find(dlg, buttons.front().name);
        EXPECT_EQ(ExecWith(dlg,
                           [&] {
                               first->setFocus();
                               if (way == 0)
                                   QTest::keyClick(first, Qt::Key_Return);
                               else if (way == 1)
                                   QTest::keyClick(first, Qt::Key_Escape);
                               else
                                   dlg.close();
                           }),
                  QDialog::Rejected)
            << way;
        EXPECT_EQ((dlg.*get)(), 0) << way;
    }
}

TEST(ChoiceDialogs, EachButtonGivesItsValueAndNothingElseChooses) {
    ExpectButtons<CSerialModeDlg>("串口模式", &CSerialModeDlg::choice,
                                  {{"modeButton1", "主动模式", 1},
                                   {"modeButton2", "被动模式", 2},
                                   {"modeButton3", "MODBUS", 3},
                                   {"cancelButton", "取消", 0}});
    ExpectButtons<CPowerModeDlg>("省电模式", &CPowerModeDlg::choice,
                                 {{"modeButton1", "普通模式", 1},
                                  {"modeButton2", "省电模式", 2},
                                  {"cancelButton", "取消", 0}});
    ExpectButtons<CFrequencyDlg>("频率设置", &CFrequencyDlg::channel,
                                 {{"channelButton1", "431.000MHz", 1},
                                  {"channelButton9", "433.000MHz", 9},
                                  {"channelButton17", "435.000MHz", 17},
                                  {"cancelButton", "取消", 0}});
}

// It once was 716 pixels tall.
TEST(FrequencyDialog, FitsASmallScreen) {
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9)); // the program's font
    CFrequencyDlg dlg;
    dlg.show();
    // A 768-pixel screen less a panel and the title bar.
    EXPECT_LE(dlg.height(), 768 - 40 - 32);
    QApplication::setFont(before);
}

// ---- scroll dialogs ---------------------------------------------------------------

// The arrows, clicked where a user clicks them: at the two ends of the bar.
void ArrowUp(QScrollBar* bar) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 2));
}
void ArrowDown(QScrollBar* bar) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
}
void Ups(QScrollBar* bar, int n) {
    bar->setFocus();
    for (int i = 0; i < n; ++i)
        QTest::keyClick(bar, Qt::Key_Up);
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

TEST(ScrollDialogs, OnlyTheArrowsStepTheValue) {
    struct Case {
        std::function<std::unique_ptr<QDialog>()> make;
        const char* title;
        const char *start, *afterUp;
    } cases[] = {
        {[] { return std::make_unique<CSleepPeriodDlg>(); }, "睡眠周期设置", "2", "4"},
        {[] { return std::make_unique<CWakeDelayDlg>(); }, "唤醒延时设置", "0.3", "0.6"},
        {[] { return std::make_unique<CPassiveAddrDlg>(); }, "被动地址设置", "00", "01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        auto dlg = c.make();
        EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8(c.title));
        auto* value = Find<QLineEdit>(*dlg, "valueEdit");
        auto* bar = Find<QScrollBar>(*dlg, "valueScrollBar");
        ASSERT_TRUE(value && bar);
        ExecWith(*dlg, [&] {
            EXPECT_FALSE(value->isEnabled());
            EXPECT_EQ(value->text(), c.start);
            ArrowDown(bar); // at the bottom already
            EXPECT_EQ(value->text(), c.start);
            const int thumb = bar->value();
            ArrowUp(bar);
            EXPECT_EQ(value->text(), c.afterUp);
            EXPECT_LT(bar->value(), thumb) << "the thumb rises with the value";
            OtherRequests(bar);
            EXPECT_EQ(value->text(), c.afterUp);
            dlg->reject();
        });
    }
}

// 502 is shown but refused, by "确定" and by Enter; Escape afterwards must
// not give the refused value. (Accepted values go through the settings menu.)
TEST(SleepPeriodDialog, AValueAbove500IsRefusedWithAPrompt) {
    MessageBoxes boxes;
    CSleepPeriodDlg dlg;
    ExecWith(dlg, [&] {
        Ups(Find<QScrollBar>(dlg, "valueScrollBar"), 250);
        Click(Find(dlg, "okButton"));
        QTest::keyClick(Find<QScrollBar>(dlg, "valueScrollBar"), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(dlg.period(), std::nullopt);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[1].text, QStringLiteral("请输入一个介于 2 和 500 之间的整数。"));
    EXPECT_EQ(boxes.seen[1].icon, QMessageBox::Warning);
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

void Retype(QLineEdit* edit, const char* text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

std::unique_ptr<CHexTextDlg> Typed(bool group) {
    if (group)
        return std::make_unique<CGroupDlg>();
    return std::make_unique<CSaveAddrDlg>();
}

// What gets in is the filter's (unit-tested); here it is in place for keys
// and pasted text, and the edit offers no menu.
TEST(TypedDialogs, EditsTakeUpperHexAndTheFullStopUpToTheirLength) {
    struct Case {
        bool group;
        const char *initial, *typed, *afterTyping, *pasted, *afterPaste;
    } cases[] = {{false, "0000", "1a2b.34", "12.3", "1a2B", "12B"},
                 {true, "00", "G.1", ".1", "a7", "7"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        auto dlg = Typed(c.group);
        auto* edit = Find<QLineEdit>(*dlg, "valueEdit");
        ASSERT_NE(edit, nullptr);
        ExecWith(*dlg, [&] {
            EXPECT_EQ(edit->text(), c.initial);
            Retype(edit, c.typed);
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
        {false, "", nullptr},  {false, "1.2", nullptr}, {false, "123", "0123"},
        {true, "7.", nullptr}, {true, "7", "07"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.group ? "group " : "save address ") << c.text);
        boxes.seen.clear();
        auto dlg = Typed(c.group);
        auto* edit = Find<QLineEdit>(*dlg, "valueEdit");
        ExecWith(*dlg, [&] {
            Retype(edit, c.text);
            QTest::keyClick(edit, Qt::Key_Return); // Enter is "确定"
            if (!c.result) {
                EXPECT_TRUE(dlg->isVisible());
                EXPECT_EQ(edit->selectedText(), edit->text()) << "ready to be typed over";
                Click(Find(*dlg, "cancelButton"));
            }
        });
        EXPECT_EQ(dlg->text(), c.result ? std::optional<std::string>(c.result) : std::nullopt);
        ASSERT_EQ(boxes.seen.size(), c.result ? 0u : 1u);
        if (c.result)
            continue;
        EXPECT_EQ(boxes.seen[0].text, c.group ? QStringLiteral("请输入1到2位十六进制数(0-9, A-F)")
                                              : QStringLiteral("请输入1到4位十六进制数(0-9, A-F)"));
    }
}

// ---- access code --------------------------------------------------------------------

TEST(PasswordDialog, MaskedDigitsOnlyWrongCodesAreToldAndAnotherTryFollows) {
    QCoreApplication::setApplicationName(QStringLiteral("tmx7config"));
    MessageBoxes boxes;
    struct Case {
        const char* typed;
        int prompts; // the range prompt comes before the wrong-code box
    } cases[] = {
        {"51a7-2 04", 0}, // 517204 at once: the letters and signs never get in
        {"123456", 1},
        {"51720400", 2}, // eight digits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.seen.clear();
        CPasswordDlg dlg;
        auto* edit = Find<QLineEdit>(dlg, "passwordEdit");
        ASSERT_NE(edit, nullptr);
        const int r = ExecWith(dlg, [&] {
            Retype(edit, c.typed);
            EXPECT_FALSE(edit->displayText().contains('1')) << "the code is shown masked";
            QTest::keyClick(edit, Qt::Key_Return); // Enter presses "确认"
            if (c.prompts == 0)
                return;
            EXPECT_TRUE(dlg.isVisible());
            // The refused text is selected, so typing replaces it.
            QTest::keyClicks(edit, "0517204"); // a leading zero is the same number
            Click(Find(dlg, "okButton"));
        });
        EXPECT_EQ(r, QDialog::Accepted);
        EXPECT_TRUE(edit->text().isEmpty()) << "no widget keeps the code";
        ASSERT_EQ(boxes.seen.size(), static_cast<std::size_t>(c.prompts));
        if (c.prompts == 2) {
            EXPECT_EQ(boxes.seen[0].text,
                      QStringLiteral("请输入一个介于 0 和 9999999 之间的整数。"));
        }
        if (c.prompts == 0)
            continue;
        const auto& wrong = boxes.seen.back();
        EXPECT_EQ(wrong.text, QStringLiteral("请输入正确的密码"));
        EXPECT_EQ(wrong.title, QStringLiteral("tmx7config"));
        EXPECT_EQ(wrong.button, QStringLiteral("确定"));
        // Wide enough for the title bar to show "tmx7config" whole (it was
        // once 139 pixels wide, and the title was cut).
        EXPECT_GE(wrong.width, 240);
    }
}

// ---- continuous send ------------------------------------------------------------------

TEST(ContinuousSendDialog, OkGivesTheChoiceOrTellsTheFieldOutOfRange) {
    const char* countRange = "请输入一个介于 1 和 999 之间的整数。";
    const char* intervalRange = "请输入一个介于 100 和 999999 之间的整数。";
    struct Case {
        const char *form, *mode, *count, *interval; // count: nullptr while its field is off
        ContinuousSendChoice want;
        const char *field = nullptr, *message = nullptr; // the refusal, if any
    } cases[] = {
        {"standardDataRadio", "untilStoppedRadio", nullptr, "250", {1, 0, 10, 250}},
        {"userDataRadio", "countedRadio", "3", "999999", {0, 1, 3, 999999}},
        {"userDataRadio", "countedRadio", "1000", "100", {}, "countEdit", countRange},
        {"userDataRadio", "countedRadio", "10", "99", {}, "intervalEdit", intervalRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.form << " " << c.mode << " " << c.interval);
        MessageBoxes boxes;
        CContinuousSendDlg dlg;
        ExecWith(dlg, [&] {
            Click(Find<QRadioButton>(dlg, c.form));
            Click(Find<QRadioButton>(dlg, c.mode));
            Retype(Find<QLineEdit>(dlg, "intervalEdit"), c.interval);
            if (c.count)
                Retype(Find<QLineEdit>(dlg, "countEdit"), c.count);
            Click(Find(dlg, "okButton"));
            if (!c.field)
                return;
            auto* field = Find<QLineEdit>(dlg, c.field);
            EXPECT_TRUE(dlg.isVisible());
            EXPECT_EQ(dlg.focusWidget(), field);
            EXPECT_EQ(field->selectedText(), field->text()) << "ready to be typed over";
            QTest::keyClick(&dlg, Qt::Key_Return); // Enter takes the same check
            EXPECT_TRUE(dlg.isVisible());
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        if (c.field) {
            EXPECT_FALSE(dlg.choice().has_value());
            ASSERT_EQ(boxes.seen.size(), 2u);
            EXPECT_EQ(boxes.seen[0].text, QString::fromUtf8(c.message));
            continue;
        }
        EXPECT_TRUE(boxes.seen.empty());
        ASSERT_TRUE(dlg.choice().has_value());
        const ContinuousSendChoice got = *dlg.choice();
        EXPECT_EQ(std::tie(got.dataForm, got.countMode, got.count, got.intervalMs),
                  std::tie(c.want.dataForm, c.want.countMode, c.want.count, c.want.intervalMs));
    }
}

// ---- send count ---------------------------------------------------------------------

// Every way out is driven by the panel's test, which stops the run on each.
TEST(SendCountDialog, ShowsItsCountReadOnlyAndOffersNoClose) {
    CSendCountDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("发送次数显示"));
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    auto* count = Find<QLineEdit>(dlg, "countEdit");
    ASSERT_NE(count, nullptr);
    EXPECT_TRUE(count->isReadOnly());
    EXPECT_EQ(count->text(), "0");
    dlg.setCount(4294967295u);
    EXPECT_EQ(count->text(), "4294967295");
}

// ---- about --------------------------------------------------------------------------

TEST(AboutDialog, AClickInsideThePictureAsksForTheHelp) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("关于Q系列电台测试软件"));
    auto* picture = Find<QLabel>(dlg, "pictureLabel");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(Find<QLabel>(dlg, "companyLabel")->font().pointSize(), 20);
    QSignalSpy help(&dlg, &CAboutDlg::helpRequested);
    const int r = ExecWith(dlg, [&] {
        EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor);
        // (0, 0) would stand for the middle.
        QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(0, 5)); // on the edge
        QTest::mouseClick(picture, Qt::RightButton, {}, picture->rect().center());
        EXPECT_EQ(help.count(), 0);
        QTest::mouseClick(picture, Qt::LeftButton, {}, picture->rect().center());
        EXPECT_EQ(help.count(), 1);
        Click(Find(dlg, "okButton"));
    });
    EXPECT_EQ(r, QDialog::Accepted);
}

// ---- all of them ----------------------------------------------------------------------

template <class Dlg> void ExpectOneDrawnWhole() {
    Dlg dlg;
    EXPECT_TRUE(test::NothingClipped(dlg)) << dlg.windowTitle().toStdString();
}
template <class... Dlg> void ExpectDrawnWhole() {
    (ExpectOneDrawnWhole<Dlg>(), ...);
}

TEST(AllDialogs, CaptionsAreDrawnWholeAtALargerFont) {
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 16));
    ExpectDrawnWhole<CSerialModeDlg, CPowerModeDlg, CFrequencyDlg, CSerialFormatDlg, CWirelessDlg,
                     CSleepPeriodDlg, CWakeDelayDlg, CPassiveAddrDlg, CSaveAddrDlg, CGroupDlg,
                     CPasswordDlg, CContinuousSendDlg, CSendCountDlg, CAboutDlg>();
    QApplication::setFont(before);
}

} // namespace
