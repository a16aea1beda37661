// What the main window costs while it is connected and nothing happens:
// process CPU time and wake-ups (voluntary context switches of all its
// threads, from /proc) over N seconds (default 60). The simulated module
// runs in a process of its own (tmx7sim), so only the window is counted.
// Targets: CPU < 0.02 % of a core, fewer than 2 wake-ups a second.
//
//   window_idle [SECONDS] [PATH-TO-tmx7sim]

#include "platform/PortDirectory.h"
#include "ui/mainwindow/RadioConfigDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/resource.h>

using namespace tmx7;

namespace {

// Voluntary context switches of each thread, from /proc.
std::map<std::string, long> SwitchesByThread() {
    std::map<std::string, long> out;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                out[task.path().filename().string()] = std::atol(line.c_str() + 24);
    }
    return out;
}

// Wake-ups between two readings: threads there at both, and new ones whole.
long Switches(const std::map<std::string, long>& before, const std::map<std::string, long>& after) {
    long total = 0;
    for (const auto& [tid, n] : after) {
        const auto old = before.find(tid);
        total += n - (old == before.end() ? 0 : old->second);
    }
    return total;
}

long ProcessSwitches() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_nvcsw; // every thread, also those that ended meanwhile
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Run(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const QString simPath =
        argc > 2 ? QString::fromLocal8Bit(argv[2])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/tmx7sim");
    QProcess sim;
    sim.start(simPath, {});
    if (!sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "window_idle: %s did not start\n", qPrintable(simPath));
        return 1;
    }
    const std::string slave = sim.readLine().trimmed().toStdString();
    const auto dir = std::filesystem::temp_directory_path() / "tmx7_window_idle";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);

    PortDirectory::Options isolated;
    isolated.sysfsTtyRoot = isolated.devRoot = "/nonexistent";
    isolated.getenv = [](const std::string&) { return std::optional<std::string>(); };
    PortDirectory ports(isolated);
    ports.Map(3, slave);
    CRadioConfigDlg window(MainWindowOptions{nullptr, &ports, {3, 9600}});
    window.show();
    Run(500);
    QWidget* settings = QApplication::activeModalWidget();
    if (!settings)
        return 1;
    settings->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    auto* activity = window.findChild<QLabel*>(QStringLiteral("activityPane"));
    for (int i = 0; i < 200 && activity->text() != QStringLiteral("刷新参数完成."); ++i)
        Run(100);
    if (activity->text() != QStringLiteral("刷新参数完成.")) {
        std::fprintf(stderr, "window_idle: not connected\n");
        return 1;
    }
    Run(2000); // the refresh's last steps and the module's last answers

    const double cpu0 = CpuSeconds();
    const auto threads0 = SwitchesByThread();
    const long process0 = ProcessSwitches();
    Run(static_cast<int>(seconds * 1000));
    const double cpu = CpuSeconds() - cpu0;
    const long switches =
        std::max(Switches(threads0, SwitchesByThread()), ProcessSwitches() - process0);
    const double percent = 100.0 * cpu / seconds;
    const double perSecond = switches / seconds;
    const bool pass = percent < 0.02 && perSecond < 2.0;
    std::printf("connected and idle %.0f s: cpu %.4f s (%.4f %% of a core, target < 0.02 %%), "
                "%ld wake-ups (%.2f/s, target < 2) %s\n",
                seconds, cpu, percent, switches, perSecond, pass ? "PASS" : "FAIL");
    window.close();
    sim.terminate();
    sim.waitForFinished(2000);
    return pass ? 0 : 1;
}
