// Shows a dialog built from its template so its layout can be looked at:
//   tmx7_dialog_preview 102|130|100 [--status] [--presets] [--production] [--page N]
//   tmx7_dialog_preview 142 [--counted] | 148
//   tmx7_dialog_preview 132..174  (the parameter dialogs and the access-code dialog,
//                                  filled as they look while in use)
//   tmx7_dialog_preview --icon out.png [size]
// Not part of the shipped program.

#include "gui/TemplateDialog.h"
#include "res/Pictures.h"
#include "res/ResourceIds.h"
#include "res/Templates.h"
#include "settings/DialogModels.h"

#include <QApplication>
#include <QScrollBar>
#include <QStringList>

#include <cstdio>

using namespace tmx7;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == "--icon") {
        const int size = args.size() >= 4 ? args[3].toInt() : 256;
        return res::SavePicture(res::IDI_APP, QSize(size, size), args[2]) ? 0 : 1;
    }
    const int id = args.size() >= 2 ? args[1].toInt() : res::IDD_MAIN;
    if (!res::FindDialog(id)) {
        std::fprintf(stderr, "unknown dialog %d\n", id);
        return 2;
    }
    gui::TemplateDialog dlg(id);
    if (id == res::IDD_MAIN) {
        const bool presets = args.contains("--presets");
        const bool production = args.contains("--production");
        int page = 0;
        if (const int i = args.indexOf("--page"); i > 0 && i + 1 < args.size())
            page = args[i + 1].toInt();
        for (int c = res::IDC_PRESET_SEND_1; c <= res::IDC_PRESET_LINE_9; ++c)
            dlg.Show(c, presets);
        if (presets) {
            QRect r = dlg.ControlRect(res::IDC_SEND_AREA);
            r.setWidth(gui::DluToPixelsX(36, dlg.Base()));
            dlg.SetControlRect(res::IDC_SEND_AREA, r);
        }
        for (int c : {res::IDC_TRANSMIT_0101, res::IDC_STOP_0101, res::IDC_SIGNAL_STRENGTH,
                      res::IDC_SEND_CALIBRATION, res::IDC_CALIBRATION_A, res::IDC_CALIBRATION_B,
                      res::IDC_CALIBRATION_LABEL, res::IDC_TX_INDICATOR})
            dlg.Show(c, production);
        dlg.SetProgressRange(res::IDC_REFRESH_PROGRESS, 0, 230);
        dlg.SetProgressPos(res::IDC_REFRESH_PROGRESS, 120);
        const int half = dlg.Client()->width() / 2;
        dlg.CreateStatusBar(
            {{half, false, QString::fromUtf8("端口COM1连接成功,上位机串口格式为9600,n,8,1")},
             {0, true, QString::fromUtf8("下载程序延时......")},
             {97, false, QString::fromUtf8(res::LoadString(res::IDS_STATUS_MOTTO))}});
        dlg.Show(res::IDC_REFRESH_PROGRESS, args.contains("--status"));
        dlg.TabInsert(res::IDC_PARAM_TABS, 1, QString::fromUtf8("省电参数"));
        dlg.TabInsert(res::IDC_PARAM_TABS, 2, QString::fromUtf8("被动参数"));
        dlg.TabSetCurSel(res::IDC_PARAM_TABS, page);
        const std::vector<int> general = {1100, 1038, 1109, 1050, 1102, 1049, 1101, 1039, 1110,
                                          1051, 1111, 1058, 1103, 1080, 1105, 1044, 1104, 1043};
        const std::vector<int> saving = {1106, 1045, 1117, 1057, 1107, 1047, 1114,
                                         1053, 1108, 1048, 1115, 1046, 1116, 1056};
        const std::vector<int> passive = {1113, 1052};
        for (int c : general)
            dlg.Show(c, page == 0);
        for (int c : saving)
            dlg.Show(c, page == 1);
        for (int c : passive)
            dlg.Show(c, page == 2);
        dlg.SetText(res::IDC_VALUE_TX_FREQUENCY, "433.000MHz");
        dlg.SetText(res::IDC_VALUE_RX_FREQUENCY, "433.000MHz");
        dlg.SetText(res::IDC_SEND_AREA, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 10 11 12");
        dlg.SetText(res::IDC_RECEIVE_AREA, "1F 2F 3F 4F 5F 6F 7F 8F FF 03 00 00 09 00 00 00 ");
    } else if (id == res::IDD_SERIAL_SET) {
        dlg.AddString(res::IDC_SERSET_PORT_LIST, "COM2  /dev/ttyS1");
        dlg.AddString(res::IDC_SERSET_PORT_LIST, "COM1  /dev/pts/3 (tmx7sim)");
        dlg.SetCurSel(res::IDC_SERSET_PORT_LIST, 0);
        dlg.SetCurSel(res::IDC_SERSET_BAUD_LIST, 0);
    } else if (id == res::IDD_CONTINUOUS_SEND) {
        // As the dialog opens: user data until stopped; --counted as after a
        // click on "发射次数".
        const bool counted = args.contains("--counted");
        dlg.SetText(res::IDC_CONTSEND_COUNT, "10");
        dlg.SetText(res::IDC_CONTSEND_INTERVAL, "100");
        dlg.SetChecked(res::IDC_CONTSEND_USER_DATA, true);
        dlg.SetChecked(res::IDC_CONTSEND_UNTIL_STOPPED, !counted);
        dlg.SetChecked(res::IDC_CONTSEND_COUNTED, counted);
        dlg.Enable(res::IDC_CONTSEND_COUNT, counted);
    } else if (id == res::IDD_SEND_COUNT) {
        dlg.SetText(res::IDC_SENDCOUNT_VALUE, "137");
    } else {
        const auto add = [&dlg](int list, auto rows) {
            for (std::string_view r : rows)
                dlg.AddString(list, QString::fromUtf8(r.data(), qsizetype(r.size())));
        };
        const auto bar = [&dlg](int id, int low, int high, int pos) {
            if (QScrollBar* b = dlg.ScrollBar(id)) {
                b->setRange(low, high);
                b->setValue(high + low - pos);
            }
        };
        switch (id) {
        case res::IDD_SERIAL_FORMAT:
            add(res::IDC_SERFMT_FORMAT_LIST, kSerialFormatEntries);
            add(res::IDC_SERFMT_BAUD_LIST, kRateEntries);
            dlg.SetCurSel(res::IDC_SERFMT_BAUD_LIST, 3);
            break;
        case res::IDD_WIRELESS:
            add(res::IDC_WIRELESS_POWER_LIST, kTxPowerEntries);
            add(res::IDC_WIRELESS_RATE_LIST, kRateEntries);
            dlg.SetCurSel(res::IDC_WIRELESS_POWER_LIST, 0);
            dlg.SetCurSel(res::IDC_WIRELESS_RATE_LIST, 3);
            break;
        case res::IDD_SLEEP_PERIOD:
            dlg.SetText(res::IDC_SLEEP_VALUE, "500");
            bar(res::IDC_SLEEP_SCROLL, 2, 510, 500);
            break;
        case res::IDD_WAKE_DELAY:
            dlg.SetText(res::IDC_WAKE_VALUE, "19660.5");
            bar(res::IDC_WAKE_SCROLL, 1, 65535, 65535);
            break;
        case res::IDD_PASSIVE_ADDR:
            dlg.SetText(res::IDC_PASSIVE_VALUE, "FF");
            bar(res::IDC_PASSIVE_SCROLL, 0, 255, 255);
            break;
        case res::IDD_SAVE_ADDR:
            dlg.SetText(res::IDC_SAVEADDR_VALUE, "0000");
            break;
        case res::IDD_GROUP:
            dlg.SetText(res::IDC_GROUP_VALUE, "00");
            break;
        case res::IDD_PASSWORD:
            dlg.SetText(res::IDC_PASSWORD_VALUE, "1234567");
            break;
        default:
            break;
        }
    }
    dlg.Bind(res::IDC_ABOUT_OK, [&dlg] { dlg.EndDialog(res::IDOK); });
    dlg.show();
    return app.exec();
}
