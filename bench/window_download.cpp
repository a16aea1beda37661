// The download of a whole parameter set from the main window into the
// simulated module, timed end to end: the sequence from the menu command to
// "刷新参数完成." against the plan's pause sum plus one refresh (target:
// within 2 %), and the longest gap between the ticks of a 10 ms timer on the
// window thread meanwhile (target: below 50 ms).
//
//   window_download [--passive]
//
// Runs in real time (about 33 s, 35 s with --passive).

#include "protocol/Refresh.h"
#include "settings/Download.h"
#include "sim/Simulator.h"
#include "ui/window/RadioConfigDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace tmx7;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const bool passive = argc > 1 && std::strcmp(argv[1], "--passive") == 0;

    sim::Simulator module;
    if (!module.Start()) {
        std::fprintf(stderr, "window_download: no pty\n");
        return 1;
    }
    constexpr int kPort = 8;
    PortDirectory::System().Map(kPort, module.SlavePath());
    const auto dir = std::filesystem::temp_directory_path() / "tmx7_window_download";
    std::filesystem::create_directories(dir);
    CRadioConfigDlg dlg(nullptr, RealClock(), PortDirectory::System(), (dir / "u.mak").string());
    dlg.KillTimer(1);
    dlg.SetParamFilePath((dir / "absent.tm7").string()); // every key at its default
    dlg.show();
    if (dlg.PortTable().Open(kPort, 9600, "n,8,1") != 1)
        return 1;
    dlg.SetConnection(kPort, 9600, "n,8,1");
    dlg.ConnectAtStartup();

    // The import of a missing file gives the full default set (power 7).
    dlg.PostCommand(32804);
    QApplication::processEvents();
    if (passive)
        dlg.Shared().With([](DecoderState& s) { s.params.serialMode = "被动模式"; });
    const ParamSet snapshot = dlg.Params();
    const Millis pauses = TotalPause(BuildDownload(snapshot));
    const Millis refresh(4900); // the refresh at 9600 baud
    const Millis expected = pauses + refresh;

    QElapsedTimer clock;
    qint64 last = 0, worst = 0, worstAt = 0, ticks = 0, start = 0, end = -1;
    bool began = false;
    int stalls = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (now - last >= 50)
            ++stalls;
        if (now - last > worst) {
            worst = now - last;
            worstAt = now;
        }
        last = now;
        ++ticks;
        // From the command to the end of its sequence (the refresh's last wait).
        began = began || dlg.SequenceRunning();
        if (end < 0 && began && !dlg.SequenceRunning())
            end = now;
    });
    dlg.SetPaneText(1, QString());
    clock.start();
    timer.start(10);
    start = clock.elapsed();
    last = start;
    dlg.PostCommand(32808);
    while (end < 0 && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double took = (end - start) / 1000.0;
    const double want = expected.count() / 1000.0;
    std::printf("download%s: %.3f s, pauses %.1f s + refresh %.1f s = %.1f s, ratio %.4f "
                "(target within 2 %%)\n",
                passive ? " (passive)" : "", took, pauses.count() / 1000.0,
                refresh.count() / 1000.0, want, took / want);
    std::printf(
        "%lld ticks of 10 ms, longest gap %lld ms at %.3f s (target < 50), %d gaps >= 50 ms\n",
        static_cast<long long>(ticks), static_cast<long long>(worst), worstAt / 1000.0, stalls);
    std::printf("module: group %02X channel %02X airRate %02X txPower %02X, malformed %zu\n",
                module.State().group, module.State().channel, module.State().airRate,
                module.State().txPower, module.MalformedCount());
    dlg.CloseSequence();
    PortDirectory::System().Unmap(kPort);
    const bool ok = end >= 0 && took / want < 1.02 && took / want > 0.98 && worst < 50;
    return ok ? 0 : 1;
}
