// The choice dialogs driven with the mouse and the keyboard: which value
// each button gives back, that no other way out chooses anything, the serial
// format's two lists and the wireless dialog's two lists.

#include "QtTestApp.h"

#include "ui/dialogs/FrequencyDlg.h"
#include "ui/dialogs/PowerModeDlg.h"
#include "ui/dialogs/SerialFormatDlg.h"
#include "ui/dialogs/SerialModeDlg.h"
#include "ui/dialogs/WirelessDlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>

#include <memory>

using namespace tmx7;
using tmx7::test::Click;
using tmx7::test::ExecWith;
using tmx7::test::Find;

namespace {

// ---- serial mode, power mode, frequency -------------------------------------

struct ChoiceButtonCase {
    const char* name;
    const char* caption;
    int choice;
};

template <class Dlg>
void ExpectButtons(const std::vector<ChoiceButtonCase>& buttons, int (Dlg::*get)() const,
                   const char* title) {
    for (const ChoiceButtonCase& b : buttons) {
        SCOPED_TRACE(b.name);
        Dlg dlg;
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(title));
        QPushButton* button = Find(dlg, b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        ExecWith(dlg, [&] { Click(button); });
        EXPECT_EQ((dlg.*get)(), b.choice);
    }
    // Enter (also on a focused choice button), Escape and the close box
    // choose nothing.
    const std::vector<std::function<void(Dlg&)>> ways = {
        [&](Dlg& d) {
            QPushButton* first = Find(d, buttons.front().name);
            first->setFocus();
            QTest::keyClick(first, Qt::Key_Return);
        },
        [](Dlg& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](Dlg& d) { d.close(); },
    };
    for (const auto& way : ways) {
        Dlg dlg;
        EXPECT_EQ(ExecWith(dlg, [&] { way(dlg); }), QDialog::Rejected);
        EXPECT_EQ((dlg.*get)(), 0);
    }
}

TEST(ChoiceDialogs, EachButtonGivesItsValueAndNothingElseChooses) {
    ExpectButtons<CSerialModeDlg>({{"modeButton1", "主动模式", 1},
                                   {"modeButton2", "被动模式", 2},
                                   {"modeButton3", "MODBUS", 3},
                                   {"cancelButton", "取消", 0}},
                                  &CSerialModeDlg::choice, "串口模式");
    ExpectButtons<CPowerModeDlg>({{"modeButton1", "普通模式", 1},
                                  {"modeButton2", "省电模式", 2},
                                  {"cancelButton", "取消", 0}},
                                 &CPowerModeDlg::choice, "省电模式");
    ExpectButtons<CFrequencyDlg>({{"channelButton1", "431.000MHz", 1},
                                  {"channelButton9", "433.000MHz", 9},
                                  {"channelButton17", "435.000MHz", 17},
                                  {"cancelButton", "取消", 0}},
                                 &CFrequencyDlg::channel, "频率设置");
}

TEST(FrequencyDialog, SeventeenChannelsTopToBottomFitASmallScreen) {
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9)); // the program's font
    CFrequencyDlg dlg;
    dlg.show();
    int lastY = -1;
    for (int ch = 1; ch <= 17; ++ch) {
        QPushButton* b = Find(dlg, qPrintable(QStringLiteral("channelButton%1").arg(ch)));
        ASSERT_NE(b, nullptr) << ch;
        const int kHz = 431000 + (ch - 1) * 250;
        EXPECT_EQ(
            b->text(),
            QStringLiteral("%1.%2MHz").arg(kHz / 1000).arg(kHz % 1000, 3, 10, QLatin1Char('0')));
        EXPECT_GT(b->y(), lastY);
        lastY = b->y();
    }
    EXPECT_GT(Find(dlg, "cancelButton")->y(), lastY);
    // A 768-pixel screen less a panel and the title bar.
    EXPECT_LE(dlg.height(), 768 - 40 - 32);
    QApplication::setFont(before);
}

// ---- serial format ------------------------------------------------------------

void ClickRow(QListWidget* list, int row) {
    ASSERT_NE(list, nullptr);
    ASSERT_LT(row, list->count());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

TEST(SerialFormatDialog, ListsStartWithNothingSelected) {
    CSerialFormatDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("串口格式设置"));
    auto* formats = Find<QListWidget>(dlg, "formatList");
    auto* bauds = Find<QListWidget>(dlg, "baudList");
    ASSERT_TRUE(formats && bauds);
    const QStringList wantFormats = {"n.8.1", "n.8.2", "o.8.1", "o.8.2", "e.8.1", "e.8.2"};
    const QStringList wantBauds = {"1200bps",  "2400bps",  "4800bps", "9600bps",
                                   "19200bps", "38400bps", "57600bps"};
    for (auto [list, want] : {std::pair{formats, wantFormats}, std::pair{bauds, wantBauds}}) {
        QStringList rows;
        for (int i = 0; i < list->count(); ++i)
            rows << list->item(i)->text();
        EXPECT_EQ(rows, want);
        EXPECT_TRUE(list->selectedItems().isEmpty());
    }
    const auto* left = qobject_cast<QGroupBox*>(formats->parentWidget());
    const auto* right = qobject_cast<QGroupBox*>(bauds->parentWidget());
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->title(), QStringLiteral("数据位数设置"));
    EXPECT_EQ(right->title(), QStringLiteral("波特率设置"));
}

TEST(SerialFormatDialog, ConfirmGivesTheRowOfItsOwnListOnly) {
    using enum SerialFormatResult;
    struct Case {
        const char* list;
        int row; // -1: none clicked
        const char* button;
        SerialFormatResult result;
        int wantRow;
    } cases[] = {
        {"baudList", 3, "baudOkButton", BaudRate, 3}, // 9600bps
        {"formatList", 5, "formatOkButton", DataFormat, 5},
        {"formatList", 0, "formatOkButton", DataFormat, 0},
        // the other half's row does not count for this confirm
        {"formatList", 2, "baudOkButton", Cancelled, -1},
        {"baudList", 2, "formatOkButton", Cancelled, -1},
        // a confirm without a row is a cancel
        {"baudList", -1, "baudOkButton", Cancelled, -1},
        {"formatList", -1, "formatOkButton", Cancelled, -1},
        {"baudList", 1, "baudCancelButton", Cancelled, -1},
        {"formatList", 1, "formatCancelButton", Cancelled, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.list << " " << c.row << " " << c.button);
        CSerialFormatDlg dlg;
        auto* list = Find<QListWidget>(dlg, c.list);
        QPushButton* button = Find(dlg, c.button);
        ASSERT_TRUE(list && button);
        ExecWith(dlg, [&] {
            if (c.row >= 0)
                ClickRow(list, c.row);
            else
                list->setFocus(); // a current row, but nothing selected
            Click(button);
        });
        EXPECT_EQ(dlg.choice(), c.result);
        EXPECT_EQ(dlg.row(), c.wantRow);
    }
    // Enter after choosing a row confirms nothing.
    CSerialFormatDlg enter;
    auto* bauds = Find<QListWidget>(enter, "baudList");
    ExecWith(enter, [&] {
        ClickRow(bauds, 3);
        QTest::keyClick(bauds, Qt::Key_Return);
    });
    EXPECT_EQ(enter.choice(), Cancelled);
}

// ---- wireless -------------------------------------------------------------------

TEST(WirelessDialog, ListsStartOnTheirFirstRowAndFollowTheKeyboard) {
    struct Case {
        const char* list;
        int downs;
        const char* button;
        int choice, power, rate;
    } cases[] = {
        {"txPowerList", 0, "txPowerSetButton", 2, 0, 0}, // untouched: level 0
        {"airRateList", 0, "airRateSetButton", 3, 0, 0}, // untouched: 1200bps
        {"airRateList", 4, "airRateSetButton", 3, 0, 4}, // 19200bps
        {"txPowerList", 9, "txPowerSetButton", 2, 7, 0}, // past the end: 7级
        {"txPowerList", 2, "cancelButton", 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.list << " " << c.downs << " " << c.button);
        CWirelessDlg dlg;
        auto* list = Find<QComboBox>(dlg, c.list);
        QPushButton* button = Find(dlg, c.button);
        ASSERT_TRUE(list && button);
        EXPECT_EQ(list->currentText(),
                  QString::fromUtf8(c.list == std::string_view("txPowerList") ? "0级" : "1200bps"));
        EXPECT_EQ(list->count(), c.list == std::string_view("txPowerList") ? 8 : 7);
        ExecWith(dlg, [&] {
            list->setFocus();
            for (int i = 0; i < c.downs; ++i)
                QTest::keyClick(list, Qt::Key_Down);
            Click(button);
        });
        EXPECT_EQ(dlg.choice(), c.choice);
        EXPECT_EQ(dlg.txPowerIndex(), c.power);
        EXPECT_EQ(dlg.airRateIndex(), c.rate);
    }
}

} // namespace
