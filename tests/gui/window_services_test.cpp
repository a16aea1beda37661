// Timers, menus, the hex filter, message boxes, the input filter and the
// input gate of the window layer.

#include "QtTestApp.h"

#include "gui/InputGate.h"
#include "gui/MessageBox.h"
#include "gui/TemplateDialog.h"
#include "gui/Widgets.h"
#include "res/ResourceIds.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tmx7;
using namespace tmx7::gui;

namespace {

// A dialog that records what reaches its hooks.
class Probe : public TemplateDialog {
public:
    using TemplateDialog::TemplateDialog;
    std::vector<int> timers;
    std::vector<std::pair<int, int>> commands;
    std::function<bool(QWidget*, QEvent*)> filter;
    bool allowClose = true;
    int closeRequests = 0;

protected:
    void OnTimer(int id) override {
        timers.push_back(id);
        TemplateDialog::OnTimer(id);
    }
    void OnCommand(int id, int code) override {
        commands.emplace_back(id, code);
        TemplateDialog::OnCommand(id, code);
    }
    bool PreTranslate(QWidget* target, QEvent* e) override { return filter && filter(target, e); }
    bool OnCloseRequest() override {
        ++closeRequests;
        return allowClose;
    }
};

int Count(const std::vector<int>& v, int x) {
    return static_cast<int>(std::count(v.begin(), v.end(), x));
}

} // namespace

TEST(Timers, OneTimerPerIdAndSettingAgainRestartsIt) {
    Probe dlg(res::IDD_MAIN);
    QElapsedTimer clock;
    clock.start();
    dlg.SetTimer(2, 150);
    QTest::qWait(100);
    dlg.SetTimer(2, 150); // restart: the first deadline (150 ms) must pass silently
    QTest::qWait(100);    // t = 200 ms
    EXPECT_EQ(Count(dlg.timers, 2), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Count(dlg.timers, 2) == 1; }, 1000));
    EXPECT_GE(clock.elapsed(), 240);
    // Periodic until killed, and killing stops it for good.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Count(dlg.timers, 2) == 2; }, 1000));
    EXPECT_TRUE(dlg.HasTimer(2));
    dlg.KillTimer(2);
    EXPECT_FALSE(dlg.HasTimer(2));
    const auto fired = dlg.timers.size();
    QTest::qWait(200);
    EXPECT_EQ(dlg.timers.size(), fired);
    dlg.KillTimer(77); // unknown id: harmless
}

TEST(Timers, IdsAreIndependentAndAHandlerMayKillItsOwnTimer) {
    Probe dlg(res::IDD_MAIN);
    std::vector<int> seen;
    dlg.SetTimerCallback([&](int id) {
        seen.push_back(id);
        if (id == 1) {
            dlg.KillTimer(1); // the start-up step: fire once
            dlg.SetTimer(2, 0);
        } else if (id == 2) {
            dlg.KillTimer(2);
        }
    });
    dlg.SetTimer(1, 0);
    dlg.SetTimer(4, 30);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Count(seen, 4) >= 2; }, 2000));
    EXPECT_EQ(Count(seen, 1), 1);
    EXPECT_EQ(Count(seen, 2), 1);
    EXPECT_LT(std::find(seen.begin(), seen.end(), 1), std::find(seen.begin(), seen.end(), 2));
    EXPECT_TRUE(dlg.HasTimer(4));
}

TEST(Menus, BuiltFromTheTableWithEnableGreyAndCheck) {
    Probe dlg(res::IDD_MAIN);
    CommandMenu* menu = dlg.Menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->SubMenuCount(), 5);
    const char* bar[] = {"文件", "数据设置", "参数设置", "通信设置", "帮助"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(menu->SubMenu(i)->title(), QString::fromUtf8(bar[i]));
    // Every command id of the menu, all enabled at start, only "20字节" checked.
    const std::vector<int> ids = {32771, 32772, 32773, 32775, 32776, 32777, 32778, 32779,
                                  32780, 32781, 32782, 32783, 32784, 32785, 32786, 32787,
                                  32788, 32789, 32790, 32791, 32792, 32794, 32795, 32803,
                                  32804, 32805, 32808, 32811, 32813, 32815};
    EXPECT_EQ(menu->Commands(), ids);
    for (int id : ids) {
        EXPECT_TRUE(menu->IsEnabled(id)) << id;
        EXPECT_EQ(menu->IsChecked(id), id == res::ID_STD_LENGTH_20) << id;
    }
    EXPECT_EQ(menu->Caption(res::ID_SET_FREQUENCY), QString::fromUtf8("频率设置..."));
    // "文件" in order.
    QStringList file;
    for (QAction* a : menu->SubMenu(0)->actions())
        file << a->text();
    EXPECT_EQ(file, QStringList({QString::fromUtf8("刷新参数"), QString::fromUtf8("导入参数"),
                                 QString::fromUtf8("导出参数"), QString::fromUtf8("下载参数"),
                                 QString::fromUtf8("退出")}));
    // "参数设置": two sub-menus, then entries with four separators.
    const QList<QAction*> params = menu->SubMenu(2)->actions();
    ASSERT_EQ(params.size(), 15);
    EXPECT_NE(params[0]->menu(), nullptr);
    EXPECT_EQ(params[0]->menu()->actions().size(), 3);
    EXPECT_EQ(params[1]->menu()->actions().size(), 2);
    int separators = 0;
    for (QAction* a : params)
        separators += a->isSeparator();
    EXPECT_EQ(separators, 4);

    menu->Grey(res::ID_SET_SLEEP_PERIOD);
    EXPECT_FALSE(menu->IsEnabled(res::ID_SET_SLEEP_PERIOD));
    menu->Enable(res::ID_SET_SLEEP_PERIOD);
    EXPECT_TRUE(menu->IsEnabled(res::ID_SET_SLEEP_PERIOD));
    menu->Check(res::ID_STD_LENGTH_20, false);
    menu->Check(res::ID_STD_LENGTH_192);
    EXPECT_FALSE(menu->IsChecked(res::ID_STD_LENGTH_20));
    EXPECT_TRUE(menu->IsChecked(res::ID_STD_LENGTH_192));
    EXPECT_FALSE(menu->IsEnabled(99999));

    // Choosing an entry reports its command; the click does not flip the check.
    menu->Action(res::ID_STD_LENGTH_192)->trigger();
    menu->Action(res::ID_STD_LENGTH_48)->trigger();
    EXPECT_TRUE(menu->IsChecked(res::ID_STD_LENGTH_192));
    EXPECT_FALSE(menu->IsChecked(res::ID_STD_LENGTH_48));
    ASSERT_GE(dlg.commands.size(), 2u);
    EXPECT_EQ(dlg.commands[dlg.commands.size() - 2], std::make_pair(32794, int(kClicked)));
    EXPECT_EQ(dlg.commands.back(), std::make_pair(32795, int(kClicked)));
}

TEST(Menus, PopupIsTheBarsOwnMenuSoGreyedEntriesStayGreyed) {
    Probe dlg(res::IDD_MAIN);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    CommandMenu* menu = dlg.Menu();
    EXPECT_EQ(menu->SubMenu(0), menu->Bar()->actions().at(0)->menu());
    menu->Grey(res::ID_FILE_REFRESH);
    menu->Popup(0, dlg.mapToGlobal(QPoint(50, 50)));
    QMenu* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_EQ(shown, menu->SubMenu(0));
    EXPECT_FALSE(shown->actions().at(0)->isEnabled());
    // A greyed entry cannot be chosen from the pop-up; an enabled one can.
    const auto before = dlg.commands.size();
    QTest::mouseClick(shown, Qt::LeftButton, {},
                      shown->actionGeometry(shown->actions().at(0)).center());
    EXPECT_EQ(dlg.commands.size(), before);
    QTest::mouseClick(shown, Qt::LeftButton, {},
                      shown->actionGeometry(shown->actions().at(1)).center());
    ASSERT_EQ(dlg.commands.size(), before + 1);
    EXPECT_EQ(dlg.commands.back().first, res::ID_FILE_IMPORT);
    if (QApplication::activePopupWidget())
        QApplication::activePopupWidget()->close();
}

TEST(HexFilterWidgets, TypedAndPastedIntoLinesAndAreas) {
    Probe dlg(res::IDD_MAIN);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const int line = res::IDC_PRESET_LINE_1;
    dlg.Show(line);
    dlg.SetHexFilter(line);
    QLineEdit* e = dlg.LineEdit(line);
    e->setFocus();
    QTest::keyClicks(e, "1a 2B.g-F");
    EXPECT_EQ(e->text(), "1 2B.F");
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), "1 2B.");
    QApplication::clipboard()->setText("ab 0C\n9f:E");
    e->paste();
    EXPECT_EQ(e->text(), "1 2B. 0C9E");
    e->insert("zz7");
    EXPECT_EQ(e->text(), "1 2B. 0C9E7");

    // Calibration field: two characters at most, and the same rule.
    dlg.Show(res::IDC_CALIBRATION_A);
    dlg.SetHexFilter(res::IDC_CALIBRATION_A);
    dlg.SetLimitText(res::IDC_CALIBRATION_A, 2);
    QLineEdit* cal = dlg.LineEdit(res::IDC_CALIBRATION_A);
    cal->clear();
    QTest::keyClicks(cal, "a1fF3");
    EXPECT_EQ(cal->text(), "1F");

    // The multi-line send area, editable for the test.
    TextArea* area = dlg.MultiEdit(res::IDC_SEND_AREA);
    ASSERT_NE(area, nullptr);
    area->setReadOnly(false);
    dlg.SetHexFilter(res::IDC_SEND_AREA);
    area->clear();
    area->setFocus();
    QTest::keyClicks(area, "0a1 Bc");
    EXPECT_EQ(area->toPlainText(), "01 B");
    QTest::keyClick(area, Qt::Key_Return); // Enter is not a hex key
    EXPECT_EQ(area->toPlainText(), "01 B");
    QApplication::clipboard()->setText("\r\n7e 7F");
    area->paste();
    EXPECT_EQ(area->toPlainText(), "01 B7 7F");

    // The small dialogs' variant: no blank.
    dlg.SetHexFilter(line, HexKeys::NoBlank);
    e->clear();
    QTest::keyClicks(e, "1 2");
    EXPECT_EQ(e->text(), "12");
}

TEST(MessageBoxes, HookAnswersAndRecords) {
    std::vector<std::pair<QString, QString>> seen;
    SetMessageBoxHook([&](const QString& text, const QString& caption, int flags) {
        seen.emplace_back(text, caption);
        return (flags & 0xF) == MB_YESNO ? res::IDNO : res::IDOK;
    });
    EXPECT_EQ(MessageBox(nullptr, QString::fromUtf8("串口设置失败，请重新设置")), res::IDOK);
    EXPECT_EQ(MessageBox(nullptr, "q", "c", MB_YESNO | MB_ICONQUESTION), res::IDNO);
    SetMessageBoxHook({});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, QString::fromUtf8("串口设置失败，请重新设置"));
    EXPECT_EQ(seen[0].second, QApplication::applicationName()); // no caption: the program's name
    EXPECT_EQ(seen[1].second, "c");
}

TEST(MessageBoxes, RealBoxReturnsTheButtonPressed) {
    QTimer::singleShot(50, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        for (QPushButton* b : box->findChildren<QPushButton*>())
            if (b->text() == QString::fromUtf8("否"))
                b->click();
    });
    EXPECT_EQ(MessageBox(nullptr, "?", "t", MB_YESNO), res::IDNO);
}

TEST(InputFilter, SeesKeysAndMouseFirstAndCanSwallowThem) {
    Probe dlg(res::IDD_MAIN);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    std::vector<std::pair<int, int>> seen; // (control id, event type)
    dlg.filter = [&](QWidget* target, QEvent* e) {
        seen.emplace_back(dlg.ControlId(target), e->type());
        // Swallow every right-button press, as the main window does.
        if (e->type() == QEvent::MouseButtonPress)
            return static_cast<QMouseEvent*>(e)->button() == Qt::RightButton;
        return false;
    };
    QPushButton* send = dlg.Button(res::IDC_SEND);
    QTest::mouseClick(send, Qt::LeftButton);
    ASSERT_FALSE(dlg.commands.empty());
    EXPECT_EQ(dlg.commands.back().first, res::IDC_SEND);
    EXPECT_NE(std::find(seen.begin(), seen.end(),
                        std::make_pair(int(res::IDC_SEND), int(QEvent::MouseButtonPress))),
              seen.end());
    // A right press on the receive area's viewport is reported with the
    // area's id, once, and swallowed.
    seen.clear();
    QWidget* viewport = dlg.MultiEdit(res::IDC_RECEIVE_AREA)->viewport();
    QTest::mousePress(viewport, Qt::RightButton);
    const auto presses = std::count_if(seen.begin(), seen.end(),
                                       [](auto p) { return p.second == QEvent::MouseButtonPress; });
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(seen.front().first, res::IDC_RECEIVE_AREA);
    // Controls made later (the status bar's panes) are watched too.
    dlg.CreateStatusBar({{100, false, "a"}});
    seen.clear();
    QTest::mouseClick(dlg.StatusBar(), Qt::LeftButton);
    EXPECT_FALSE(seen.empty());
    // Keys: a swallowed key never reaches the edit.
    dlg.filter = [](QWidget*, QEvent* e) {
        return e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_X;
    };
    dlg.Show(res::IDC_PRESET_LINE_1);
    QLineEdit* line = dlg.LineEdit(res::IDC_PRESET_LINE_1);
    line->setFocus();
    QTest::keyClicks(line, "AxB");
    EXPECT_EQ(line->text(), "AB");
}

TEST(ModalRun, EndDialogValueAndKeys) {
    Probe dlg(res::IDD_SERIAL_SET);
    QTimer::singleShot(20, [&] { dlg.EndDialog(7); });
    EXPECT_EQ(dlg.DoModal(), 7);
    // Escape ends with cancel; a bound button runs its function instead.
    QTimer::singleShot(20, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
    EXPECT_EQ(dlg.DoModal(), res::IDCANCEL);
    int pressed = 0;
    dlg.Bind(res::IDC_SERSET_OK, [&] {
        ++pressed;
        dlg.EndDialog(res::IDOK);
    });
    QTimer::singleShot(20, [&] { dlg.Button(res::IDC_SERSET_OK)->click(); });
    EXPECT_EQ(dlg.DoModal(), res::IDOK);
    EXPECT_EQ(pressed, 1);
    // With the keys turned off, neither Enter nor Escape ends the run.
    dlg.SetKeysEndDialog(false);
    QTimer::singleShot(20, [&] {
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTimer::singleShot(50, [&] {
            EXPECT_TRUE(dlg.isVisible());
            dlg.EndDialog(3);
        });
    });
    EXPECT_EQ(dlg.DoModal(), 3);
}

TEST(ModalRun, CloseRequestCanBeRefused) {
    Probe dlg(res::IDD_SERIAL_SET);
    dlg.allowClose = false;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_FALSE(dlg.close());
    EXPECT_TRUE(dlg.isVisible());
    dlg.allowClose = true;
    EXPECT_TRUE(dlg.close());
    EXPECT_EQ(dlg.result(), res::IDCANCEL);
    EXPECT_EQ(dlg.closeRequests, 2);
}

TEST(InputGateTest, HoldsBackInputButNotPaintOrTimersAndDefersClose) {
    Probe dlg(res::IDD_MAIN);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    InputGate gate(&dlg);
    int timerTicks = 0;
    dlg.SetTimerCallback([&](int) { ++timerTicks; });
    QPushButton* send = dlg.Button(res::IDC_SEND);
    dlg.Show(res::IDC_PRESET_LINE_1);
    QLineEdit* line = dlg.LineEdit(res::IDC_PRESET_LINE_1);
    line->setFocus();

    {
        InputHold hold(gate);
        EXPECT_TRUE(gate.IsHeld());
        dlg.SetTimer(5, 10);
        const auto before = dlg.commands.size();
        QTest::mouseClick(send, Qt::LeftButton);
        QTest::keyClicks(line, "12");
        EXPECT_EQ(dlg.commands.size(), before);
        EXPECT_EQ(line->text(), "");
        EXPECT_GT(gate.DiscardedEvents(), 0);
        // The program can still change the window, and it still repaints.
        dlg.SetText(res::IDC_VALUE_TX_FREQUENCY, "433.000MHz");
        WaitWithInputHeld(gate, 60); // nested hold, released at its end
        EXPECT_TRUE(gate.IsHeld());
        EXPECT_GE(timerTicks, 2);
        // A close arrives while held: kept back, the window stays.
        EXPECT_FALSE(dlg.close());
        EXPECT_TRUE(gate.IsCloseDeferred());
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.closeRequests, 0);
    }
    EXPECT_FALSE(gate.IsHeld());
    // After the release input flows again and the kept close is carried out.
    QTest::keyClicks(line, "3");
    EXPECT_EQ(line->text(), "3");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, 1000));
    EXPECT_EQ(dlg.closeRequests, 1);
    dlg.KillTimer(5);
}

TEST(InputGateTest, OtherWindowsKeepTheirInput) {
    Probe main(res::IDD_MAIN);
    Probe other(res::IDD_SERIAL_SET);
    main.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    InputGate gate(&main);
    InputHold hold(gate);
    QTest::mouseClick(other.Button(res::IDC_SERSET_AUTO_DETECT), Qt::LeftButton);
    ASSERT_FALSE(other.commands.empty());
    EXPECT_EQ(other.commands.back().first, res::IDC_SERSET_AUTO_DETECT);
}
