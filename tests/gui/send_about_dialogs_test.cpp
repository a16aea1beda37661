// The continuous-send dialog, the send-count display and the about box
// driven with the mouse and the keyboard; and every dialog drawn whole at a
// larger font.

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
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>

#include <memory>

using namespace tmx7;
using tmx7::test::Click;
using tmx7::test::ExecWith;
using tmx7::test::Find;
using tmx7::test::MessageBoxes;

namespace {

void TypeInto(QLineEdit* e, const char* text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
}

// ---- continuous send ------------------------------------------------------------------

TEST(ContinuousSendDialog, StartsOnUserDataUntilStoppedWithTheCountOff) {
    CContinuousSendDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("连续发送数据"));
    auto* user = Find<QRadioButton>(dlg, "userDataRadio");
    auto* standard = Find<QRadioButton>(dlg, "standardDataRadio");
    auto* untilStopped = Find<QRadioButton>(dlg, "untilStoppedRadio");
    auto* counted = Find<QRadioButton>(dlg, "countedRadio");
    auto* count = Find<QLineEdit>(dlg, "countEdit");
    auto* interval = Find<QLineEdit>(dlg, "intervalEdit");
    ASSERT_TRUE(user && standard && untilStopped && counted && count && interval);
    ExecWith(dlg, [&] {
        EXPECT_TRUE(user->isChecked());
        EXPECT_TRUE(untilStopped->isChecked());
        EXPECT_EQ(count->text(), "10");
        EXPECT_EQ(interval->text(), "100");
        EXPECT_FALSE(count->isEnabled());
        Click(counted);
        EXPECT_TRUE(count->isEnabled());
        EXPECT_FALSE(untilStopped->isChecked());
        EXPECT_TRUE(user->isChecked()) << "the other frame is left alone";
        Click(standard);
        EXPECT_FALSE(user->isChecked());
        EXPECT_TRUE(counted->isChecked());
        Click(untilStopped);
        EXPECT_FALSE(count->isEnabled());
        dlg.reject();
    });
}

TEST(ContinuousSendDialog, OkGivesTheCheckedChoice) {
    struct Case {
        const char* form;
        const char* mode;
        const char* count; // typed when its field is on
        const char* interval;
        ContinuousSendChoice want;
    } cases[] = {
        {"userDataRadio", "untilStoppedRadio", "", "100", {0, 0, 10, 100}},
        {"standardDataRadio", "untilStoppedRadio", "", "250", {1, 0, 10, 250}},
        {"userDataRadio", "countedRadio", "3", "999999", {0, 1, 3, 999999}},
        {"standardDataRadio", "countedRadio", "999", "100", {1, 1, 999, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.form << " " << c.mode << " " << c.interval);
        MessageBoxes boxes;
        CContinuousSendDlg dlg;
        EXPECT_EQ(ExecWith(dlg,
                           [&] {
                               Click(Find<QRadioButton>(dlg, c.form));
                               Click(Find<QRadioButton>(dlg, c.mode));
                               TypeInto(Find<QLineEdit>(dlg, "intervalEdit"), c.interval);
                               if (auto* count = Find<QLineEdit>(dlg, "countEdit");
                                   count->isEnabled())
                                   TypeInto(count, c.count);
                               Click(Find(dlg, "okButton"));
                           }),
                  QDialog::Accepted);
        EXPECT_TRUE(boxes.seen.empty());
        ASSERT_TRUE(dlg.choice().has_value());
        EXPECT_EQ(dlg.choice()->dataForm, c.want.dataForm);
        EXPECT_EQ(dlg.choice()->countMode, c.want.countMode);
        EXPECT_EQ(dlg.choice()->count, c.want.count);
        EXPECT_EQ(dlg.choice()->intervalMs, c.want.intervalMs);
    }
}

TEST(ContinuousSendDialog, ValuesOutOfRangeAreToldOnTheirField) {
    const char* countRange = "请输入一个介于 1 和 999 之间的整数。";
    const char* intervalRange = "请输入一个介于 100 和 999999 之间的整数。";
    struct Case {
        const char* count;
        const char* interval;
        const char* field;
        const char* message;
    } cases[] = {
        {"0", "100", "countEdit", countRange},
        {"1000", "100", "countEdit", countRange},
        {"", "100", "countEdit", countRange},
        {"1.5", "100", "countEdit", countRange},
        {"10", "99", "intervalEdit", intervalRange},
        {"10", "1000000", "intervalEdit", intervalRange},
        {"10", "100.", "intervalEdit", intervalRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " / " << c.interval);
        MessageBoxes boxes;
        CContinuousSendDlg dlg;
        auto* field = Find<QLineEdit>(dlg, c.field);
        const int r = ExecWith(dlg, [&] {
            Click(Find<QRadioButton>(dlg, "countedRadio"));
            TypeInto(Find<QLineEdit>(dlg, "countEdit"), c.count);
            TypeInto(Find<QLineEdit>(dlg, "intervalEdit"), c.interval);
            Click(Find(dlg, "okButton"));
            EXPECT_TRUE(dlg.isVisible());
            EXPECT_EQ(dlg.focusWidget(), field);
            EXPECT_EQ(field->selectedText(), field->text()) << "ready to be typed over";
            QTest::keyClick(&dlg, Qt::Key_Return); // Enter takes the same check
            EXPECT_TRUE(dlg.isVisible());
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        EXPECT_EQ(r, QDialog::Rejected);
        EXPECT_FALSE(dlg.choice().has_value());
        ASSERT_EQ(boxes.seen.size(), 2u);
        EXPECT_EQ(boxes.seen[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Warning);
    }
    // Cancel checks nothing.
    MessageBoxes boxes;
    CContinuousSendDlg cancel;
    ExecWith(cancel, [&] {
        TypeInto(Find<QLineEdit>(cancel, "intervalEdit"), "5");
        Click(Find(cancel, "cancelButton"));
    });
    EXPECT_FALSE(cancel.choice().has_value());
    EXPECT_TRUE(boxes.seen.empty());
}

TEST(ContinuousSendDialog, NumberFieldsTakeDigitsAndTheFullStopOnly) {
    CContinuousSendDlg dlg;
    ExecWith(dlg, [&] {
        Click(Find<QRadioButton>(dlg, "countedRadio"));
        for (const char* name : {"countEdit", "intervalEdit"}) {
            SCOPED_TRACE(name);
            auto* e = Find<QLineEdit>(dlg, name);
            TypeInto(e, "1a2 B-3.+x4");
            EXPECT_EQ(e->text(), "123.4");
            QTest::keyClick(e, Qt::Key_Backspace);
            QTest::keyClick(e, Qt::Key_Left); // the cursor keys still work
            QTest::keyClicks(e, "9");
            EXPECT_EQ(e->text(), "1239.");
            e->selectAll();
            QApplication::clipboard()->setText(QStringLiteral("7z,0 0"));
            QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(e->text(), "700");
            EXPECT_EQ(e->contextMenuPolicy(), Qt::NoContextMenu);
        }
        dlg.reject();
    });
}

// ---- send count ---------------------------------------------------------------------

TEST(SendCountDialog, ShowsTheCountItIsGivenAndOffersNoCloseBox) {
    CSendCountDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("发送次数显示"));
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    auto* count = Find<QLineEdit>(dlg, "countEdit");
    ASSERT_NE(count, nullptr);
    EXPECT_TRUE(count->isReadOnly());
    EXPECT_EQ(count->text(), "0");
    dlg.setCount(7);
    EXPECT_EQ(count->text(), "7");
    dlg.setCount(4294967295u);
    EXPECT_EQ(count->text(), "4294967295");
    EXPECT_TRUE(test::NothingClipped(dlg));
}

TEST(SendCountDialog, EveryWayOutEndsItOnce) {
    // The caller stops the run on `finished`: it must come for each way.
    const std::vector<std::function<void(CSendCountDlg&)>> ways = {
        [](CSendCountDlg& d) { Click(Find(d, "okButton")); },
        [](CSendCountDlg& d) { QTest::keyClick(&d, Qt::Key_Return); },
        [](CSendCountDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](CSendCountDlg& d) { d.close(); }, // Alt+F4 or a window manager's close
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        SCOPED_TRACE(i);
        CSendCountDlg dlg;
        QSignalSpy finished(&dlg, &QDialog::finished);
        ExecWith(dlg, [&] { ways[i](dlg); });
        EXPECT_EQ(finished.count(), 1);
    }
}

// ---- about --------------------------------------------------------------------------

TEST(AboutDialog, AClickInsideThePictureAsksForTheHelp) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("关于Q系列电台测试软件"));
    auto* company = Find<QLabel>(dlg, "companyLabel");
    auto* picture = Find<QLabel>(dlg, "pictureLabel");
    ASSERT_TRUE(company && picture);
    EXPECT_EQ(company->font().pointSize(), 20);
    QSignalSpy help(&dlg, &CAboutDlg::helpRequested);
    const int r = ExecWith(dlg, [&] {
        EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor);
        // (0, 0) would stand for the middle
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

TEST(AllDialogs, CaptionsAreDrawnWholeAtALargerFont) {
    const QFont before = QApplication::font();
    QFont large(QStringLiteral("Noto Sans CJK SC"));
    large.setPointSize(16);
    QApplication::setFont(large);
    const std::vector<std::function<std::unique_ptr<QDialog>()>> all = {
        [] { return std::make_unique<CSerialModeDlg>(); },
        [] { return std::make_unique<CPowerModeDlg>(); },
        [] { return std::make_unique<CFrequencyDlg>(); },
        [] { return std::make_unique<CSerialFormatDlg>(); },
        [] { return std::make_unique<CWirelessDlg>(); },
        [] { return std::make_unique<CSleepPeriodDlg>(); },
        [] { return std::make_unique<CWakeDelayDlg>(); },
        [] { return std::make_unique<CPassiveAddrDlg>(); },
        [] { return std::make_unique<CSaveAddrDlg>(); },
        [] { return std::make_unique<CGroupDlg>(); },
        [] { return std::make_unique<CPasswordDlg>(); },
        [] { return std::make_unique<CContinuousSendDlg>(); },
        [] { return std::make_unique<CSendCountDlg>(); },
        [] { return std::make_unique<CAboutDlg>(); },
    };
    for (const auto& make : all) {
        auto dlg = make();
        EXPECT_TRUE(test::NothingClipped(*dlg)) << dlg->windowTitle().toStdString();
    }
    QApplication::setFont(before);
}

} // namespace
