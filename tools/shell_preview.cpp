// Shows the settings dialog or the about box for looking at them:
//   tmx7_shell_preview serial [--detect]   (simulated module at 57600 as COM1;
//                                           --detect starts auto-detection)
//   tmx7_shell_preview about
// Not part of the shipped program.

#include "platform/PortDirectory.h"
#include "res/ResourceIds.h"
#include "sim/Simulator.h"
#include "ui/window/AboutDlg.h"
#include "ui/window/SerialSetDlg.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

using namespace tmx7;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9));
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == "about") {
        CAboutDlg dlg;
        return dlg.DoModal() == res::IDOK ? 0 : 1;
    }
    sim::SimulatorOptions opts;
    opts.state.serialBaud = *sim::RateCodeForBaud(57600);
    sim::Simulator module(opts);
    if (!module.Start())
        return 1;
    PortDirectory::System().Map(1, module.SlavePath());
    CPortTable table;
    CSerialSetDlg dlg(table, RealClock());
    dlg.Preselect(1, 9600);
    if (args.contains("--detect"))
        QTimer::singleShot(500, &dlg, [&] { dlg.Button(res::IDC_SERSET_AUTO_DETECT)->click(); });
    const int rc = dlg.DoModal();
    std::printf("result %d connected %d baud %d format %s\n", rc, dlg.Result().connected,
                dlg.Result().baud, dlg.Result().lineFormat.c_str());
    module.Stop();
    return 0;
}
