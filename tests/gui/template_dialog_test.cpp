// Dialogs built from their templates: every control there with the right
// kind, caption, visibility and geometry, and the helpers that address them.

#include "QtTestApp.h"

#include "gui/TemplateDialog.h"
#include "gui/Widgets.h"
#include "res/ResourceIds.h"
#include "res/Templates.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include <set>

using namespace tmx7;
using namespace tmx7::gui;
using res::Kind;

namespace {

bool KindMatches(Kind kind, std::uint32_t style, QWidget* w) {
    switch (kind) {
    case Kind::Static:
        return qobject_cast<QLabel*>(w) && qobject_cast<QLabel*>(w)->pixmap().isNull();
    case Kind::Edit:
        return (style & res::kMultiLine) ? qobject_cast<gui::TextArea*>(w) != nullptr
                                         : qobject_cast<QLineEdit*>(w) != nullptr;
    case Kind::Button:
    case Kind::DefaultButton: {
        auto* b = qobject_cast<QPushButton*>(w);
        return b && !b->autoDefault() && b->isDefault() == (kind == Kind::DefaultButton);
    }
    case Kind::Radio:
        return qobject_cast<QRadioButton*>(w) != nullptr;
    case Kind::CheckBox:
        return qobject_cast<QAbstractButton*>(w) != nullptr;
    case Kind::ListBox:
        return qobject_cast<QListWidget*>(w) != nullptr;
    case Kind::Combo:
        return qobject_cast<QComboBox*>(w) && !qobject_cast<QComboBox*>(w)->isEditable();
    case Kind::VScroll:
        return qobject_cast<QScrollBar*>(w) != nullptr;
    case Kind::Tab:
        return qobject_cast<QTabWidget*>(w) != nullptr;
    case Kind::Progress:
        return qobject_cast<QProgressBar*>(w) != nullptr;
    case Kind::Picture:
        return qobject_cast<QLabel*>(w) && !qobject_cast<QLabel*>(w)->pixmap().isNull();
    case Kind::GroupBox:
        return qobject_cast<QGroupBox*>(w) != nullptr;
    }
    return false;
}

class TemplateBuild : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(TemplateBuild, EveryControlExistsWithItsKindCaptionAndGeometry) {
    const res::Dialog* tpl = res::FindDialog(GetParam());
    ASSERT_NE(tpl, nullptr);
    TemplateDialog dlg(*tpl);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(tpl->caption));
    const DialogBase base = dlg.Base();
    ASSERT_GT(base.cx, 0);
    ASSERT_GT(base.cy, 0);
    EXPECT_EQ(dlg.Client()->size(),
              QSize(DluToPixelsX(tpl->cx, base), DluToPixelsY(tpl->cy, base)));

    std::set<int> seen;
    for (const res::Control& c : tpl->controls) {
        if (c.id == res::IDC_STATIC)
            continue;
        SCOPED_TRACE(c.id);
        EXPECT_TRUE(seen.insert(c.id).second) << "id used twice in one dialog";
        QWidget* w = dlg.Control(c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(dlg.ControlId(w), c.id);
        EXPECT_TRUE(KindMatches(c.kind, c.style, w));
        const PixelRect p = DluToPixels(c.rect.x, c.rect.y, c.rect.cx, c.rect.cy, base);
        EXPECT_EQ(w->x(), p.x);
        EXPECT_EQ(w->y(), p.y);
        EXPECT_EQ(w->width(), p.width);
        if (c.kind != Kind::Combo) { // a closed drop-down list is one row high
            EXPECT_EQ(w->height(), p.height);
        }
        EXPECT_EQ(dlg.IsShown(c.id), !(c.style & res::kHidden));
        if (c.kind == Kind::Static || c.kind == Kind::Edit || c.kind == Kind::Button ||
            c.kind == Kind::DefaultButton || c.kind == Kind::GroupBox) {
            EXPECT_EQ(dlg.Text(c.id), QString::fromUtf8(c.caption));
        }
        // Every control lies inside the client area.
        EXPECT_TRUE(dlg.Client()->rect().contains(w->geometry())) << c.caption;
    }
    EXPECT_EQ(dlg.ControlIds().size(), seen.size());
    EXPECT_EQ(dlg.Control(4242), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, TemplateBuild,
                         ::testing::Values(res::IDD_MAIN, res::IDD_SERIAL_SET, res::IDD_ABOUT));

TEST(TemplateBuild, MainWindowLayoutAsGiven) {
    TemplateDialog dlg(res::IDD_MAIN);
    ASSERT_NE(dlg.Menu(), nullptr);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("远桥通信——Q系列电台"));
    const auto at = [&](int id) { return dlg.ControlRect(id); };
    EXPECT_EQ(at(res::IDC_RECEIVE_AREA), dlg.MapDialogRect({94, 22, 175, 127}));
    EXPECT_EQ(at(res::IDC_SEND_AREA), dlg.MapDialogRect({325, 22, 183, 127}));
    EXPECT_EQ(at(res::IDC_PARAM_TABS), dlg.MapDialogRect({86, 196, 432, 97}));
    EXPECT_EQ(at(res::IDC_REFRESH_PROGRESS), dlg.MapDialogRect({269, 307, 189, 10}));
    EXPECT_EQ(at(res::IDC_PRODUCT_GROUP), dlg.MapDialogRect({10, 6, 58, 288}));
    for (int k = 0; k < res::kPresetCount; ++k) {
        EXPECT_EQ(at(res::IDC_PRESET_LINE_1 + k).x(), DluToPixelsX(362, dlg.Base()));
        EXPECT_EQ(at(res::IDC_PRESET_SEND_1 + k).x(), DluToPixelsX(490, dlg.Base()));
        EXPECT_EQ(dlg.Text(res::IDC_PRESET_SEND_1 + k), QString::number(k + 1));
    }
    // The value fields start as the "no answer yet" marker, and the pages'
    // pairs other than the general one start hidden.
    for (int id : {1038, 1039, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053,
                   1056, 1057, 1058, 1080})
        EXPECT_EQ(dlg.Text(id), QString::fromUtf8("********")) << id;
    for (int id : {1106, 1045, 1117, 1057, 1107, 1047, 1114, 1053, 1108, 1048, 1115, 1046, 1116,
                   1056, 1113, 1052})
        EXPECT_FALSE(dlg.IsShown(id)) << id;
    EXPECT_EQ(dlg.Text(res::IDC_LABEL_GROUP), QString::fromUtf8("组    号"));
    // Visible controls of one page never overlap each other.
    std::vector<int> general = {1100, 1038, 1109, 1050, 1102, 1049, 1101, 1039, 1110,
                                1051, 1111, 1058, 1103, 1080, 1105, 1044, 1104, 1043};
    for (std::size_t i = 0; i < general.size(); ++i)
        for (std::size_t j = i + 1; j < general.size(); ++j)
            EXPECT_FALSE(at(general[i]).intersects(at(general[j])))
                << general[i] << " " << general[j];
}

TEST(TemplateBuild, SerialSettingsListsAndButtons) {
    TemplateDialog dlg(res::IDD_SERIAL_SET);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("串口设置"));
    const QStringList bauds = {"1200bps",  "2400bps",  "4800bps", "9600bps",
                               "19200bps", "38400bps", "57600bps"};
    ASSERT_EQ(dlg.Count(res::IDC_SERSET_BAUD_LIST), bauds.size());
    for (int i = 0; i < bauds.size(); ++i)
        EXPECT_EQ(dlg.ItemText(res::IDC_SERSET_BAUD_LIST, i), bauds[i]);
    // The port list is sorted (plain text order), the baud list is not.
    EXPECT_EQ(dlg.AddString(res::IDC_SERSET_PORT_LIST, "COM2"), 0);
    EXPECT_EQ(dlg.AddString(res::IDC_SERSET_PORT_LIST, "COM10"), 0);
    EXPECT_EQ(dlg.AddString(res::IDC_SERSET_PORT_LIST, "COM3"), 2);
    EXPECT_EQ(dlg.AddString(res::IDC_SERSET_BAUD_LIST, "300bps"), 7);
    dlg.SetCurSel(res::IDC_SERSET_PORT_LIST, 1);
    EXPECT_EQ(dlg.Text(res::IDC_SERSET_PORT_LIST), "COM2");
    EXPECT_EQ(dlg.CurSel(res::IDC_SERSET_PORT_LIST), 1);
    dlg.ResetContent(res::IDC_SERSET_PORT_LIST);
    EXPECT_EQ(dlg.Count(res::IDC_SERSET_PORT_LIST), 0);
    EXPECT_EQ(dlg.CurSel(res::IDC_SERSET_PORT_LIST), -1);
    for (int id : {res::IDC_SERSET_OK, res::IDC_SERSET_AUTO_DETECT, res::IDC_SERSET_CANCEL}) {
        ASSERT_NE(dlg.Button(id), nullptr);
        EXPECT_FALSE(dlg.Button(id)->isDefault());
    }
    EXPECT_EQ(dlg.Text(res::IDC_SERSET_AUTO_DETECT), QString::fromUtf8("自动检测"));
}

TEST(TemplateBuild, AboutBoxHasItsPictureAndDefaultButton) {
    TemplateDialog dlg(res::IDD_ABOUT);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("关于Q系列电台测试软件"));
    ASSERT_NE(dlg.Label(res::IDC_ABOUT_PICTURE), nullptr);
    EXPECT_EQ(dlg.Label(res::IDC_ABOUT_PICTURE)->pixmap().size(),
              dlg.MapDialogRect({8, 8, 226, 203}).size());
    EXPECT_TRUE(dlg.Button(res::IDC_ABOUT_OK)->isDefault());
    EXPECT_EQ(dlg.Client()->size(),
              QSize(DluToPixelsX(429, dlg.Base()), DluToPixelsY(219, dlg.Base())));
}

TEST(TemplateHelpers, TextShowEnableTabsProgressTipsAndPanes) {
    TemplateDialog dlg(res::IDD_MAIN);
    dlg.SetText(res::IDC_VALUE_TX_FREQUENCY, "433.000MHz");
    EXPECT_EQ(dlg.Text(res::IDC_VALUE_TX_FREQUENCY), "433.000MHz");
    dlg.SetText(res::IDC_RECEIVE_AREA, "1F 2F ");
    EXPECT_EQ(dlg.Text(res::IDC_RECEIVE_AREA), "1F 2F ");
    dlg.Enable(res::IDC_SEND, false);
    EXPECT_FALSE(dlg.IsEnabled(res::IDC_SEND));
    dlg.Hide(res::IDC_READ_DATA);
    EXPECT_FALSE(dlg.IsShown(res::IDC_READ_DATA));
    dlg.Show(res::IDC_READ_DATA);
    EXPECT_TRUE(dlg.IsShown(res::IDC_READ_DATA));

    // Tabs: index 0 comes from the template; pages come and go by position.
    const int tabs = res::IDC_PARAM_TABS;
    EXPECT_EQ(dlg.TabCount(tabs), 1);
    EXPECT_EQ(dlg.TabText(tabs, 0), QString::fromUtf8("一般参数"));
    EXPECT_EQ(dlg.TabInsert(tabs, 2, QString::fromUtf8("被动参数")), 1); // lands at 1
    EXPECT_EQ(dlg.TabInsert(tabs, 1, QString::fromUtf8("省电参数")), 1);
    EXPECT_EQ(dlg.TabFind(tabs, QString::fromUtf8("被动参数")), 2);
    EXPECT_EQ(dlg.TabFind(tabs, QString::fromUtf8("无此页")), -1);
    dlg.TabSetCurSel(tabs, 2);
    EXPECT_EQ(dlg.TabCurSel(tabs), 2);
    EXPECT_TRUE(dlg.TabRemove(tabs, 1));
    EXPECT_TRUE(dlg.TabRemove(tabs, 1));
    EXPECT_FALSE(dlg.TabRemove(tabs, 1));
    EXPECT_EQ(dlg.TabCount(tabs), 1);

    dlg.SetProgressRange(res::IDC_REFRESH_PROGRESS, 0, 230);
    dlg.SetProgressPos(res::IDC_REFRESH_PROGRESS, 400); // clamped to the range
    EXPECT_EQ(dlg.ProgressPos(res::IDC_REFRESH_PROGRESS), 230);

    dlg.SetToolTip(res::IDC_LABEL_TX_FREQUENCY, QString::fromUtf8("双击对话框对发射频率进行设置"));
    dlg.SetToolTipColor(QColor(0, 0, 255));
    EXPECT_EQ(dlg.ToolTip(res::IDC_LABEL_TX_FREQUENCY),
              QString::fromUtf8("双击对话框对发射频率进行设置"));
    EXPECT_TRUE(dlg.Control(res::IDC_LABEL_TX_FREQUENCY)->toolTip().contains("#0000ff"));

    const int half = dlg.Client()->width() / 2;
    dlg.CreateStatusBar({{half, false, QString::fromUtf8("未建立通信")},
                         {0, true, QString::fromUtf8("下载程序延时......")},
                         {97, false, QString::fromUtf8(res::LoadString(res::IDS_STATUS_MOTTO))}});
    ASSERT_EQ(dlg.PaneCount(), 3);
    dlg.SetPaneText(1, QString::fromUtf8("请等待模块响应......"));
    EXPECT_EQ(dlg.PaneText(0), QString::fromUtf8("未建立通信"));
    EXPECT_EQ(dlg.PaneText(1), QString::fromUtf8("请等待模块响应......"));
    EXPECT_EQ(dlg.PaneText(2), QString::fromUtf8("我们是优秀的团队"));
    dlg.SetPaneText(3, "ignored");
    EXPECT_EQ(dlg.PaneText(3), QString());
    // The bar sits on the client's bottom edge with the progress bar above it.
    dlg.show();
    QFrame* bar = dlg.StatusBar();
    EXPECT_EQ(bar->geometry().bottom(), dlg.Client()->height() - 1);
    EXPECT_EQ(bar->width(), dlg.Client()->width());
    const QList<QObject*> order = dlg.Client()->children();
    EXPECT_GT(order.indexOf(dlg.Control(res::IDC_REFRESH_PROGRESS)), order.indexOf(bar));
}

TEST(TemplateHelpers, StringsAndUnknownIds) {
    EXPECT_STREQ(res::LoadString(res::IDS_ABOUT_ENTRY), "关于 TMX7F(&A)...");
    EXPECT_STREQ(res::LoadString(999), "");
    EXPECT_EQ(res::FindDialog(999), nullptr);
    TemplateDialog empty(999); // an unknown template gives an empty dialog, not a crash
    EXPECT_TRUE(empty.ControlIds().empty());
    empty.SetText(1000, "x");
    EXPECT_EQ(empty.Text(1000), QString());
}
