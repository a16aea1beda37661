// The parameter dialogs and the access-code dialog, driven offscreen the way
// a user drives them: buttons clicked, keys typed, text pasted, scroll-bar
// arrows pressed. What each modal run returns, what stays open and what the
// user is told.

#include "QtTestApp.h"

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"
#include "res/Templates.h"
#include "settings/DialogModels.h"
#include "settings/dialogs/ChoiceDlgs.h"
#include "settings/dialogs/PasswordDlg.h"
#include "settings/dialogs/ScrollDlgs.h"
#include "settings/dialogs/TypedDlgs.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

using namespace tmx7;

namespace {

QString U(const char* s) {
    return QString::fromUtf8(s);
}
QString U(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Runs the dialog's modal loop and does `act` inside it. A dialog the action
// leaves open is closed by a guard after a few seconds and the test fails,
// so a broken close never hangs the suite.
template <class Dlg> int RunModal(Dlg& dlg, const std::function<void()>& act) {
    bool hung = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dlg, [&] {
        hung = true;
        dlg.EndDialog(-1);
    });
    guard.start(5000);
    QTimer::singleShot(0, &dlg, act);
    const int r = dlg.DoModal();
    EXPECT_FALSE(hung) << "the dialog stayed open";
    return r;
}

void Click(gui::TemplateDialog& dlg, int id) {
    QPushButton* b = dlg.Button(id);
    ASSERT_NE(b, nullptr) << id;
    QTest::mouseClick(b, Qt::LeftButton);
}

// Enter with the focus on a push button: the button must not take it.
void EnterOn(gui::TemplateDialog& dlg, int id) {
    QPushButton* b = dlg.Button(id);
    ASSERT_NE(b, nullptr) << id;
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Return);
}

// Records every message box instead of showing it.
class MessageBoxes : public ::testing::Test {
protected:
    struct Shown {
        QString text, caption;
        int flags;
    };
    void SetUp() override {
        gui::SetMessageBoxHook([this](const QString& t, const QString& c, int f) {
            shown.push_back({t, c, f});
            return res::IDOK;
        });
    }
    void TearDown() override { gui::SetMessageBoxHook({}); }
    std::vector<Shown> shown;
};

// ---- templates --------------------------------------------------------------

struct TemplateCase {
    int id;
    const char* caption;
};

class SettingsTemplate : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(SettingsTemplate, ControlsExistInsideTheClientWithoutOverlapOrClippedText) {
    const res::Dialog* tpl = res::FindDialog(GetParam().id);
    ASSERT_NE(tpl, nullptr);
    gui::TemplateDialog dlg(*tpl);
    EXPECT_EQ(dlg.windowTitle(), U(GetParam().caption));
    EXPECT_EQ(tpl->pointSize, 12);
    const QFontMetrics fm(dlg.font());
    std::vector<std::pair<QRect, QString>> placed;
    for (const res::Control& c : tpl->controls) {
        const QRect r = dlg.MapDialogRect(c.rect);
        QRect shown = r;
        if (c.kind == res::Kind::Combo)
            shown = dlg.Control(c.id)->geometry(); // closed height; r is the open list
        EXPECT_TRUE(QRect(QPoint(), dlg.Client()->size()).contains(shown)) << c.caption;
        if (c.id != res::IDC_STATIC) {
            ASSERT_NE(dlg.Control(c.id), nullptr) << c.id;
            if (c.kind == res::Kind::Button || c.kind == res::Kind::DefaultButton) {
                EXPECT_EQ(dlg.Text(c.id), U(c.caption));
                EXPECT_FALSE(dlg.Button(c.id)->autoDefault());
            }
        }
        if (c.kind == res::Kind::GroupBox)
            continue; // frames surround other controls on purpose
        const QString text = U(c.caption);
        if (!text.isEmpty()) {
            // Buttons need a little room around their caption.
            const int margin = c.kind == res::Kind::Static ? 0 : 8;
            EXPECT_LE(fm.horizontalAdvance(text) + margin, r.width()) << c.caption;
            EXPECT_LE(fm.height(), r.height()) << c.caption;
        }
        for (const auto& [other, name] : placed)
            EXPECT_FALSE(shown.intersects(other)) << c.caption << " / " << name.toStdString();
        placed.emplace_back(shown, text);
    }
}

INSTANTIATE_TEST_SUITE_P(All, SettingsTemplate,
                         ::testing::Values(TemplateCase{res::IDD_SERIAL_MODE, "串口模式"},
                                           TemplateCase{res::IDD_POWER_MODE, "省电模式"},
                                           TemplateCase{res::IDD_FREQUENCY, "频率设置"},
                                           TemplateCase{res::IDD_SERIAL_FORMAT, "串口格式设置"},
                                           TemplateCase{res::IDD_WIRELESS, "无线参数设置"},
                                           TemplateCase{res::IDD_SLEEP_PERIOD, "睡眠周期设置"},
                                           TemplateCase{res::IDD_WAKE_DELAY, "唤醒延时设置"},
                                           TemplateCase{res::IDD_PASSIVE_ADDR, "被动地址设置"},
                                           TemplateCase{res::IDD_SAVE_ADDR, "省电地址设置"},
                                           TemplateCase{res::IDD_GROUP, "组号设置"},
                                           TemplateCase{res::IDD_PASSWORD, "请输入密码"}));

// ---- choice dialogs ---------------------------------------------------------

using Factory = std::function<std::unique_ptr<CChoiceDlg>()>;

struct ChoiceCase {
    const char* name;
    Factory make;
    std::span<const ChoiceButton> buttons;
};

std::vector<ChoiceCase> ChoiceCases() {
    return {
        {"serial mode", [] { return std::make_unique<CSerialModeDlg>(); }, kSerialModeButtons},
        {"power mode", [] { return std::make_unique<CPowerModeDlg>(); }, kPowerModeButtons},
        {"frequency", [] { return std::make_unique<CFrequencyDlg>(); }, kFrequencyButtons},
        {"wireless", [] { return std::make_unique<CWirelessDlg>(); }, kWirelessButtons},
    };
}

TEST(ChoiceDialogs, EachButtonReturnsItsChoiceWithItsCaption) {
    for (const ChoiceCase& c : ChoiceCases()) {
        for (const ChoiceButton& b : c.buttons) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(b.controlId));
            auto dlg = c.make();
            EXPECT_EQ(dlg->Text(b.controlId), U(b.caption));
            EXPECT_EQ(RunModal(*dlg, [&] { Click(*dlg, b.controlId); }), b.choice);
            EXPECT_EQ(dlg->Choice(), b.choice);
        }
    }
}

TEST(ChoiceDialogs, EnterEscapeAndCloseBoxReturnZero) {
    for (const ChoiceCase& c : ChoiceCases()) {
        SCOPED_TRACE(c.name);
        // Enter on a focused choice button must not press it.
        const int firstChoice = c.buttons.front().controlId;
        auto enter = c.make();
        EXPECT_EQ(RunModal(*enter, [&] { EnterOn(*enter, firstChoice); }), 0);
        auto escape = c.make();
        EXPECT_EQ(RunModal(*escape, [&] { QTest::keyClick(escape.get(), Qt::Key_Escape); }), 0);
        auto closed = c.make();
        EXPECT_EQ(RunModal(*closed, [&] { closed->close(); }), 0);
    }
}

TEST(ChoiceDialogs, FrequencyButtonsRunTopToBottomOverTheSeventeenChannels) {
    CFrequencyDlg dlg;
    int lastY = -1;
    for (int ch = 1; ch <= 17; ++ch) {
        const int id = res::kFrequencyButtons[ch - 1];
        const int thousandths = 431000 + (ch - 1) * 250;
        EXPECT_EQ(
            dlg.Text(id),
            QString("%1.%2MHz").arg(thousandths / 1000).arg(thousandths % 1000, 3, 10, QChar('0')));
        EXPECT_GT(dlg.ControlRect(id).y(), lastY);
        EXPECT_EQ(dlg.ControlRect(id).x(), dlg.ControlRect(res::kFrequencyButtons[0]).x());
        lastY = dlg.ControlRect(id).y();
    }
    EXPECT_GT(dlg.ControlRect(res::IDC_FREQ_CANCEL).y(), lastY);

    CFrequencyDlg pick;
    EXPECT_EQ(RunModal(pick, [&] { Click(pick, 1043); }), 9);
    EXPECT_EQ(pick.Channel(), 9);
    CFrequencyDlg escape;
    RunModal(escape, [&] { QTest::keyClick(&escape, Qt::Key_Escape); });
    EXPECT_EQ(escape.Channel(), 0);
}

// ---- serial format ----------------------------------------------------------

void ClickRow(CSerialFormatDlg& dlg, int listId, int row) {
    QListWidget* list = dlg.List(listId);
    ASSERT_NE(list, nullptr);
    ASSERT_LT(row, list->count());
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

TEST(SerialFormatDialog, ListsFilledInOrderWithNothingSelected) {
    CSerialFormatDlg dlg;
    ASSERT_EQ(dlg.Count(res::IDC_SERFMT_FORMAT_LIST), 6);
    ASSERT_EQ(dlg.Count(res::IDC_SERFMT_BAUD_LIST), 7);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(dlg.ItemText(res::IDC_SERFMT_FORMAT_LIST, i), U(kSerialFormatEntries[i]));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(dlg.ItemText(res::IDC_SERFMT_BAUD_LIST, i), U(kRateEntries[i]));
    EXPECT_EQ(dlg.CurSel(res::IDC_SERFMT_FORMAT_LIST), -1);
    EXPECT_EQ(dlg.CurSel(res::IDC_SERFMT_BAUD_LIST), -1);
    // The left list sits left of the right list.
    EXPECT_LT(dlg.ControlRect(res::IDC_SERFMT_FORMAT_LIST).right(),
              dlg.ControlRect(res::IDC_SERFMT_BAUD_LIST).left());
}

TEST(SerialFormatDialog, ConfirmReturnsResultAndTheRowOfItsOwnList) {
    struct Case {
        int list, row, button, result, formatIndex, baudIndex;
    } cases[] = {
        {res::IDC_SERFMT_BAUD_LIST, 3, res::IDC_SERFMT_BAUD_OK, 3, -1, 3}, // 9600bps
        {res::IDC_SERFMT_BAUD_LIST, 6, res::IDC_SERFMT_BAUD_OK, 3, -1, 6},
        {res::IDC_SERFMT_FORMAT_LIST, 5, res::IDC_SERFMT_FORMAT_OK, 2, 5, -1}, // e.8.2
        {res::IDC_SERFMT_FORMAT_LIST, 0, res::IDC_SERFMT_FORMAT_OK, 2, 0, -1},
        // the other half's row does not count for this confirm
        {res::IDC_SERFMT_FORMAT_LIST, 2, res::IDC_SERFMT_BAUD_OK, 0, -1, -1},
        {res::IDC_SERFMT_BAUD_LIST, 2, res::IDC_SERFMT_FORMAT_OK, 0, -1, -1},
        // a row chosen and then cancelled
        {res::IDC_SERFMT_BAUD_LIST, 1, res::IDC_SERFMT_BAUD_CANCEL, 0, -1, -1},
        {res::IDC_SERFMT_FORMAT_LIST, 1, res::IDC_SERFMT_FORMAT_CANCEL, 0, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.list << " row " << c.row << " button " << c.button);
        CSerialFormatDlg dlg;
        const int r = RunModal(dlg, [&] {
            ClickRow(dlg, c.list, c.row);
            Click(dlg, c.button);
        });
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(dlg.Result(), c.result);
        EXPECT_EQ(dlg.FormatIndex(), c.formatIndex);
        EXPECT_EQ(dlg.BaudIndex(), c.baudIndex);
        EXPECT_EQ(dlg.SelectedRow(), c.result == 0 ? -1 : c.row);
    }
}

TEST(SerialFormatDialog, ConfirmWithoutARowIsACancel) {
    for (int button : {res::IDC_SERFMT_FORMAT_OK, res::IDC_SERFMT_BAUD_OK}) {
        CSerialFormatDlg dlg;
        EXPECT_EQ(RunModal(dlg, [&] { Click(dlg, button); }), 0) << button;
        EXPECT_EQ(dlg.SelectedRow(), -1);
    }
    CSerialFormatDlg enter;
    EXPECT_EQ(RunModal(enter,
                       [&] {
                           ClickRow(enter, res::IDC_SERFMT_BAUD_LIST, 3);
                           EnterOn(enter, res::IDC_SERFMT_BAUD_OK);
                       }),
              0);
}

// ---- wireless ---------------------------------------------------------------

TEST(WirelessDialog, ListsStartOnRowZeroAndSelectionsFollowTheUser) {
    CWirelessDlg untouched;
    EXPECT_EQ(untouched.Count(res::IDC_WIRELESS_POWER_LIST), 8);
    EXPECT_EQ(untouched.Count(res::IDC_WIRELESS_RATE_LIST), 7);
    EXPECT_EQ(untouched.Text(res::IDC_WIRELESS_POWER_LIST), U("0级"));
    EXPECT_EQ(untouched.Text(res::IDC_WIRELESS_RATE_LIST), U("1200bps"));
    EXPECT_EQ(RunModal(untouched, [&] { Click(untouched, res::IDC_WIRELESS_SET_POWER); }), 2);
    EXPECT_EQ(untouched.TxPowerIndex(), 0);
    EXPECT_EQ(untouched.AirRateIndex(), 0);

    CWirelessDlg rate;
    const int r = RunModal(rate, [&] {
        QComboBox* c = rate.Combo(res::IDC_WIRELESS_RATE_LIST);
        c->setFocus();
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(c, Qt::Key_Down); // the user steps to 19200bps
        Click(rate, res::IDC_WIRELESS_SET_RATE);
    });
    EXPECT_EQ(r, 3);
    EXPECT_EQ(rate.AirRateIndex(), 4);
    EXPECT_EQ(rate.TxPowerIndex(), 0);

    CWirelessDlg power;
    const int p = RunModal(power, [&] {
        QComboBox* c = power.Combo(res::IDC_WIRELESS_POWER_LIST);
        c->setFocus();
        for (int i = 0; i < 9; ++i) // past the last row: stays on 7级
            QTest::keyClick(c, Qt::Key_Down);
        Click(power, res::IDC_WIRELESS_SET_POWER);
    });
    EXPECT_EQ(p, 2);
    EXPECT_EQ(power.TxPowerIndex(), 7);
}

// ---- scroll dialogs ---------------------------------------------------------

// The real arrows: a click near the top or bottom end of the bar.
void ArrowUp(QScrollBar* bar) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 2));
}
void ArrowDown(QScrollBar* bar) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 3));
}
void Steps(QScrollBar* bar, QAbstractSlider::SliderAction a, int n) {
    for (int i = 0; i < n; ++i)
        bar->triggerAction(a);
}
// Requests that must leave the value alone.
void OtherRequests(QScrollBar* bar) {
    for (auto a : {QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub,
                   QAbstractSlider::SliderToMinimum, QAbstractSlider::SliderToMaximum,
                   QAbstractSlider::SliderMove})
        bar->triggerAction(a);
}

class SleepPeriodDialog : public MessageBoxes {};

TEST_F(SleepPeriodDialog, ArrowsStepByTwoWithinTheRangeAndOtherRequestsDoNothing) {
    CSleepPeriodDlg dlg;
    dlg.show();
    QScrollBar* bar = dlg.ScrollBar(res::IDC_SLEEP_SCROLL);
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(dlg.IsEnabled(res::IDC_SLEEP_VALUE));
    EXPECT_EQ(dlg.Text(res::IDC_SLEEP_VALUE), "2");
    ArrowDown(bar);
    EXPECT_EQ(dlg.Text(res::IDC_SLEEP_VALUE), "2");
    const int thumbBefore = bar->value();
    ArrowUp(bar);
    EXPECT_EQ(dlg.Text(res::IDC_SLEEP_VALUE), "4");
    EXPECT_LT(bar->value(), thumbBefore) << "the thumb rises with the value";
    OtherRequests(bar);
    EXPECT_EQ(dlg.Text(res::IDC_SLEEP_VALUE), "4");
    EXPECT_EQ(dlg.Period(), 4);
    Steps(bar, QAbstractSlider::SliderSingleStepSub, 260);
    EXPECT_EQ(dlg.Text(res::IDC_SLEEP_VALUE), "510");
    ArrowUp(bar);
    EXPECT_EQ(dlg.Period(), 510);
    ArrowDown(bar);
    EXPECT_EQ(dlg.Text(res::IDC_SLEEP_VALUE), "508");
}

TEST_F(SleepPeriodDialog, RefusedPeriodPromptsStaysOpenAndEscapeThenReturnsZero) {
    CSleepPeriodDlg dlg;
    const int r = RunModal(dlg, [&] {
        QScrollBar* bar = dlg.ScrollBar(res::IDC_SLEEP_SCROLL);
        Steps(bar, QAbstractSlider::SliderSingleStepSub, 250); // 502
        Click(dlg, res::IDC_SLEEP_OK);
        EXPECT_TRUE(dlg.isVisible());
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, U(kSleepPeriodPrompt));
        Click(dlg, res::IDC_SLEEP_OK); // again: still refused
        EXPECT_TRUE(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(r, 0) << "a refused period must not come back as choice 1";
    EXPECT_EQ(dlg.Period(), 502);
}

TEST_F(SleepPeriodDialog, OkCancelAndEnterResults) {
    CSleepPeriodDlg top;
    EXPECT_EQ(RunModal(top,
                       [&] {
                           Steps(top.ScrollBar(res::IDC_SLEEP_SCROLL),
                                 QAbstractSlider::SliderSingleStepSub, 249); // 500
                           Click(top, res::IDC_SLEEP_OK);
                       }),
              1);
    EXPECT_EQ(top.Period(), 500);
    EXPECT_TRUE(shown.empty());

    CSleepPeriodDlg cancel;
    EXPECT_EQ(RunModal(cancel, [&] { Click(cancel, res::IDC_SLEEP_CANCEL); }), 2);

    // Enter with a valid period closes without a choice; with a refused one
    // it prompts and stays.
    CSleepPeriodDlg enter;
    EXPECT_EQ(RunModal(enter, [&] { EnterOn(enter, res::IDC_SLEEP_OK); }), 0);
    CSleepPeriodDlg enterRefused;
    EXPECT_EQ(RunModal(enterRefused,
                       [&] {
                           Steps(enterRefused.ScrollBar(res::IDC_SLEEP_SCROLL),
                                 QAbstractSlider::SliderSingleStepSub, 255);
                           EnterOn(enterRefused, res::IDC_SLEEP_CANCEL);
                           EXPECT_TRUE(enterRefused.isVisible());
                           enterRefused.close();
                       }),
              0);
    EXPECT_EQ(shown.size(), 1u);
}

TEST(WakeDelayDialog, ArrowsStepByOneTenthsOfThreeAndTheCountStaysExact) {
    CWakeDelayDlg dlg;
    dlg.show();
    QScrollBar* bar = dlg.ScrollBar(res::IDC_WAKE_SCROLL);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(dlg.Text(res::IDC_WAKE_VALUE), "0.3");
    ArrowDown(bar);
    EXPECT_EQ(dlg.Text(res::IDC_WAKE_VALUE), "0.3");
    EXPECT_EQ(dlg.Count(), 1);
    ArrowUp(bar);
    EXPECT_EQ(dlg.Text(res::IDC_WAKE_VALUE), "0.6");
    ArrowUp(bar);
    EXPECT_EQ(dlg.Text(res::IDC_WAKE_VALUE), "0.9");
    OtherRequests(bar);
    EXPECT_EQ(dlg.Count(), 3);
    // 4365 × 0.3 lands just below 1309.5 in floating point.
    Steps(bar, QAbstractSlider::SliderSingleStepSub, 4362);
    EXPECT_EQ(dlg.Count(), 4365);
    EXPECT_EQ(dlg.Text(res::IDC_WAKE_VALUE), "1309.5");
    EXPECT_EQ(dlg.Text(), "1309.5");
}

TEST(WakeDelayDialog, OkAndEnterReturnOkCancelAndEscapeReturnCancel) {
    CWakeDelayDlg ok;
    EXPECT_EQ(RunModal(ok,
                       [&] {
                           ArrowUp(ok.ScrollBar(res::IDC_WAKE_SCROLL));
                           Click(ok, res::IDC_WAKE_OK);
                       }),
              res::IDOK);
    EXPECT_EQ(ok.Count(), 2);
    CWakeDelayDlg enter;
    EXPECT_EQ(RunModal(enter, [&] { EnterOn(enter, res::IDC_WAKE_CANCEL); }), res::IDOK);
    CWakeDelayDlg cancel;
    EXPECT_EQ(RunModal(cancel, [&] { Click(cancel, res::IDC_WAKE_CANCEL); }), res::IDCANCEL);
    CWakeDelayDlg escape;
    EXPECT_EQ(RunModal(escape, [&] { QTest::keyClick(&escape, Qt::Key_Escape); }), res::IDCANCEL);
}

TEST(PassiveAddrDialog, ArrowsStepThroughTwoHexDigitsAndStopAtFF) {
    CPassiveAddrDlg dlg;
    const int r = RunModal(dlg, [&] {
        QScrollBar* bar = dlg.ScrollBar(res::IDC_PASSIVE_SCROLL);
        EXPECT_EQ(dlg.Text(res::IDC_PASSIVE_VALUE), "00");
        ArrowDown(bar);
        EXPECT_EQ(dlg.Text(res::IDC_PASSIVE_VALUE), "00");
        ArrowUp(bar);
        EXPECT_EQ(dlg.Text(res::IDC_PASSIVE_VALUE), "01");
        OtherRequests(bar);
        EXPECT_EQ(dlg.Text(res::IDC_PASSIVE_VALUE), "01");
        Steps(bar, QAbstractSlider::SliderSingleStepSub, 254);
        EXPECT_EQ(dlg.Text(res::IDC_PASSIVE_VALUE), "FF");
        ArrowUp(bar);
        EXPECT_EQ(dlg.Text(res::IDC_PASSIVE_VALUE), "FF");
        ArrowDown(bar);
        EXPECT_EQ(dlg.Text(res::IDC_PASSIVE_VALUE), "FE");
        Click(dlg, res::IDC_PASSIVE_OK);
    });
    EXPECT_EQ(r, res::IDOK);
    EXPECT_EQ(dlg.Text(), "FE");
    CPassiveAddrDlg cancel;
    EXPECT_EQ(RunModal(cancel, [&] { QTest::keyClick(&cancel, Qt::Key_Escape); }), res::IDCANCEL);
}

// ---- typed dialogs ----------------------------------------------------------

// Exposes the dialog's input filter so a right press can be offered to it
// without opening a real context menu in the test.
template <class Dlg> class Probe : public Dlg {
public:
    using Dlg::PreTranslate;
};

class TypedDialogs : public MessageBoxes {};

TEST_F(TypedDialogs, KeyFilterAndLengthCapOnTypedAndPastedText) {
    struct Case {
        std::function<std::unique_ptr<CHexTextDlg>()> make;
        int edit;
        const char* initial;
        const char* typed;
        const char* afterTyping;
        const char* pasted;
        const char* afterPaste;
    } cases[] = {
        {[] { return std::make_unique<CSaveAddrDlg>(); }, res::IDC_SAVEADDR_VALUE, "0000", "1a2b",
         "12", "1a2B", "12B"},
        {[] { return std::make_unique<CSaveAddrDlg>(); }, res::IDC_SAVEADDR_VALUE, "0000", "12345",
         "1234", "xyz", ""},
        {[] { return std::make_unique<CGroupDlg>(); }, res::IDC_GROUP_VALUE, "00", "G.", ".", "a7",
         "7"},
        {[] { return std::make_unique<CGroupDlg>(); }, res::IDC_GROUP_VALUE, "00", "A B C", "AB",
         "-1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        auto dlg = c.make();
        dlg->show();
        QLineEdit* edit = dlg->LineEdit(c.edit);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), c.initial);
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(edit->text(), c.afterTyping);
        edit->clear();
        QApplication::clipboard()->setText(c.pasted);
        edit->paste();
        EXPECT_EQ(edit->text(), c.afterPaste);
    }
}

TEST_F(TypedDialogs, RightButtonPressesAreDroppedLeftOnesPass) {
    Probe<CSaveAddrDlg> save;
    Probe<CGroupDlg> group;
    for (gui::TemplateDialog* dlg :
         {static_cast<gui::TemplateDialog*>(&save), static_cast<gui::TemplateDialog*>(&group)}) {
        QLineEdit* edit = dlg->LineEdit(1000);
        ASSERT_NE(edit, nullptr);
        QMouseEvent right(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QMouseEvent left(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(3, 3), QPoint(3, 3));
        const auto pre = [&](QEvent* e) {
            return dlg == &save ? save.PreTranslate(edit, e) : group.PreTranslate(edit, e);
        };
        EXPECT_TRUE(pre(&right));
        EXPECT_TRUE(pre(&menu));
        EXPECT_FALSE(pre(&left));
    }
}

TEST_F(TypedDialogs, SaveAddressRefusalsKeepTheDialogOpenAndOkPads) {
    struct Case {
        const char* text;
        bool accepted;
        const char* result;
    } cases[] = {
        {"", false, ""},       {".", false, ""},       {"1.2", false, ""},     {"5", true, "0005"},
        {"123", true, "0123"}, {"ABCD", true, "ABCD"}, {"0000", true, "0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        shown.clear();
        CSaveAddrDlg dlg;
        dlg.show();
        QLineEdit* edit = dlg.LineEdit(res::IDC_SAVEADDR_VALUE);
        edit->clear();
        QTest::keyClicks(edit, c.text);
        Click(dlg, res::IDC_SAVEADDR_OK);
        if (c.accepted) {
            EXPECT_TRUE(shown.empty());
            EXPECT_FALSE(dlg.isVisible());
            EXPECT_EQ(dlg.result(), res::IDOK);
            EXPECT_EQ(dlg.Text(), c.result);
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, U(kSaveAddrPrompt));
            EXPECT_TRUE(dlg.isVisible());
            EXPECT_NE(dlg.result(), res::IDOK);
        }
    }
}

TEST_F(TypedDialogs, GroupTakesOneOrTwoHexDigits) {
    struct Case {
        const char* text;
        bool accepted;
        const char* result;
    } cases[] = {
        {"", false, ""}, {".", false, ""}, {"7.", false, ""}, {"7", true, "07"}, {"AB", true, "AB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        shown.clear();
        CGroupDlg dlg;
        const int r = RunModal(dlg, [&] {
            QLineEdit* edit = dlg.LineEdit(res::IDC_GROUP_VALUE);
            edit->clear();
            QTest::keyClicks(edit, c.text);
            QTest::keyClick(edit, Qt::Key_Return); // Enter is OK here
            if (!c.accepted) {
                EXPECT_TRUE(dlg.isVisible());
                QTest::keyClick(&dlg, Qt::Key_Escape);
            }
        });
        EXPECT_EQ(r, c.accepted ? res::IDOK : res::IDCANCEL);
        EXPECT_EQ(shown.size(), c.accepted ? 0u : 1u);
        if (c.accepted) {
            EXPECT_EQ(dlg.Text(), c.result);
        } else {
            EXPECT_EQ(shown[0].text, U(kGroupPrompt));
        }
    }
    CGroupDlg cancel;
    EXPECT_EQ(RunModal(cancel, [&] { Click(cancel, res::IDC_GROUP_CANCEL); }), res::IDCANCEL);
}

// ---- access code ------------------------------------------------------------

class PasswordDialog : public MessageBoxes {};

TEST_F(PasswordDialog, MaskedDigitsOnlyTypedOrPasted) {
    CPasswordDlg dlg;
    dlg.show();
    QLineEdit* edit = dlg.LineEdit(res::IDC_PASSWORD_VALUE);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dlg.Button(res::IDOK)->isDefault());
    EXPECT_EQ(dlg.Text(res::IDOK), U("确认"));
    EXPECT_EQ(dlg.Text(res::IDCANCEL), U("取消"));
    QTest::keyClicks(edit, "51a7-2 04");
    EXPECT_EQ(edit->text(), "517204");
    EXPECT_FALSE(edit->displayText().contains('5')) << "the code is shown masked";
    edit->clear();
    QApplication::clipboard()->setText("12ab34");
    edit->paste();
    for (QChar ch : edit->text())
        EXPECT_TRUE(ch.isDigit()) << edit->text().toStdString();
}

TEST_F(PasswordDialog, RightCodeClosesWithOkAndLeavesNoTrace) {
    CPasswordDlg dlg;
    const int r = RunModal(dlg, [&] {
        QLineEdit* edit = dlg.LineEdit(res::IDC_PASSWORD_VALUE);
        QTest::keyClicks(edit, "517204");
        QTest::keyClick(edit, Qt::Key_Return); // Enter presses "确认"
    });
    EXPECT_EQ(r, res::IDOK);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(dlg.LineEdit(res::IDC_PASSWORD_VALUE)->text().isEmpty());
}

TEST_F(PasswordDialog, WrongOrUnreadableCodesPromptAndStayOpen) {
    struct Case {
        const char* typed;
        bool rangePrompt;
    } cases[] = {
        {"123456", false},    {"5172040", false}, {"", true}, {"51720400", true}, // eight digits
        {"4295484500", true}, // 2^32 + 517204 must not wrap onto the code
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        shown.clear();
        CPasswordDlg dlg;
        const int r = RunModal(dlg, [&] {
            QTest::keyClicks(dlg.LineEdit(res::IDC_PASSWORD_VALUE), c.typed);
            Click(dlg, res::IDOK);
            EXPECT_TRUE(dlg.isVisible());
            Click(dlg, res::IDCANCEL);
        });
        EXPECT_EQ(r, res::IDCANCEL);
        ASSERT_EQ(shown.size(), c.rangePrompt ? 2u : 1u);
        if (c.rangePrompt) {
            EXPECT_EQ(shown[0].text, U(kPasswordRangePrompt));
        }
        EXPECT_EQ(shown.back().text, U(kWrongPasswordText));
        EXPECT_EQ(shown.back().caption, QCoreApplication::applicationName());
        EXPECT_EQ(shown.back().flags, gui::MB_OK);
        for (const auto& s : shown) {
            if (std::string_view(c.typed).size() > 0) {
                EXPECT_FALSE(s.text.contains(c.typed)) << "the code is echoed";
            }
        }
        EXPECT_TRUE(dlg.LineEdit(res::IDC_PASSWORD_VALUE)->text().isEmpty());
    }
}

TEST_F(PasswordDialog, SecondTryAfterAWrongCodeSucceeds) {
    CPasswordDlg dlg;
    const int r = RunModal(dlg, [&] {
        QLineEdit* edit = dlg.LineEdit(res::IDC_PASSWORD_VALUE);
        QTest::keyClicks(edit, "111111");
        Click(dlg, res::IDOK);
        // The refused text is selected, so typing replaces it.
        QTest::keyClicks(edit, "517204");
        Click(dlg, res::IDOK);
    });
    EXPECT_EQ(r, res::IDOK);
    EXPECT_EQ(shown.size(), 1u);
    // A leading zero is the same number.
    CPasswordDlg zero;
    EXPECT_EQ(RunModal(zero,
                       [&] {
                           QTest::keyClicks(zero.LineEdit(res::IDC_PASSWORD_VALUE), "0517204");
                           Click(zero, res::IDOK);
                       }),
              res::IDOK);
    CPasswordDlg escape;
    EXPECT_EQ(RunModal(escape, [&] { QTest::keyClick(&escape, Qt::Key_Escape); }), res::IDCANCEL);
}

} // namespace
