#include "ui/app/ConfigApp.h"

#include "platform/LinkMemory.h"
#include "platform/PortDirectory.h"
#include "res/Pictures.h"
#include "sim/Simulator.h"
#include "ui/mainwindow/RadioConfigDlg.h"

#include <QApplication>
#include <QFontDatabase>

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace tmx7 {

namespace {

const auto g_processStart = std::chrono::steady_clock::now();

// TMX7_STARTUP_PROBE=1: print the time from process start to the first
// showing of the serial settings dialog and end at once. Used by the
// start-up benchmark; the window never gets to open a port.
class StartupProbe : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->inherits("tmx7::CSerialSetDlg")) {
            const auto elapsed = std::chrono::steady_clock::now() - g_processStart;
            std::printf("settings dialog shown after %.1f ms\n",
                        std::chrono::duration<double, std::milli>(elapsed).count());
            std::fflush(stdout);
            // Nothing of the run is worth tearing down for a measurement.
            _exit(0);
        }
        return false;
    }
};

std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

int PrintHelpOrVersion(const AppOptions& options) {
    if (options.help)
        std::fputs(kAppHelp, stdout);
    else
        std::printf("tmx7config %s\n", TMX7_VERSION);
    return 0;
}

} // namespace

CConfigApp::CConfigApp(int& argc, char** argv) : m_argc(argc), m_argv(argv) {}

CConfigApp::~CConfigApp() {
    if (m_simulator)
        m_simulator->Stop();
}

int CConfigApp::Run() {
    // Checked before Qt starts, so the word works without a display.
    if (IsRegistrationCommand(Arguments(m_argc, m_argv)))
        return 0;
    // So are --help and --version, which the manual page is made from at
    // build time. A command line that only Qt understands is parsed again below.
    if (const auto early = ParseAppOptions(Arguments(m_argc, m_argv)); early.error.empty()) {
        if (early.options.help || early.options.version)
            return PrintHelpOrVersion(early.options);
    }

    m_app = std::make_unique<QApplication>(m_argc, m_argv);
    QApplication::setApplicationName(QStringLiteral("tmx7config"));
    // No display name: Qt would append it to every caption, and the main
    // window's caption must read exactly as the module family's users know it.
    QApplication::setDesktopFileName(QStringLiteral("tmx7config"));
    QApplication::setWindowIcon(res::AppIcon());
    if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 9));

    // Qt has taken its own arguments (-platform, -style ...) out of argv.
    const auto parsed = ParseAppOptions(Arguments(m_argc, m_argv));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tmx7config: %s\n%s       (tmx7config --help tells more)\n",
                     parsed.error.c_str(), kAppUsage);
        return 2;
    }
    m_options = parsed.options;
    if (m_options.help || m_options.version)
        return PrintHelpOrVersion(m_options);
    if (m_options.sim && !StartSimulator())
        return 1;
    if (!m_options.port.empty()) {
        m_port = ResolvePortArgument(m_options.port, PortDirectory::System());
        if (!m_port) {
            // The form was checked with the options: only the numbers can have run out.
            std::fprintf(stderr,
                         "tmx7config: no free COM number for %s: COM1..COM1024 are all taken\n",
                         m_options.port.c_str());
            return 2;
        }
    }
    return RunWindows();
}

bool CConfigApp::StartSimulator() {
    sim::SimulatorOptions opts;
    const auto rate = sim::RateCodeForBaud(m_options.simBaud);
    const auto line = sim::ParseLineFormat(m_options.simFormat);
    const auto formatCode = line ? sim::FormatCodeFor(line->parity, line->stopBits) : std::nullopt;
    if (!rate || !formatCode) {
        std::fprintf(stderr, "tmx7config: simulated module: unsupported line %d %s\n",
                     m_options.simBaud, m_options.simFormat.c_str());
        return false;
    }
    opts.state.serialBaud = *rate;
    opts.state.serialFormat = *formatCode;
    opts.state.serialMode = m_options.simMode == "passive"  ? 1
                            : m_options.simMode == "modbus" ? 2
                                                            : 0;
    opts.state.powerMode = m_options.simPower == "saving" ? 1 : 0;
    m_simulator = std::make_unique<sim::Simulator>(opts);
    if (!m_simulator->Start()) {
        std::fprintf(stderr, "tmx7config: simulated module: could not start (errno %d)\n",
                     m_simulator->LastError());
        m_simulator.reset();
        return false;
    }
    PortDirectory::System().Map(kSimulatedPort, m_simulator->SlavePath());
    // The dialog opens on the simulated module, ready for "确定".
    if (m_options.port.empty())
        m_options.port = "COM" + std::to_string(kSimulatedPort);
    if (!m_options.baud)
        m_options.baud = m_options.simBaud;
    return true;
}

int CConfigApp::RunWindows() {
    StartupProbe probe;
    if (qEnvironmentVariableIsSet("TMX7_STARTUP_PROBE"))
        m_app->installEventFilter(&probe);
    // Without a home folder nothing is kept.
    const std::string linksFile = LinkMemory::DefaultFile();
    LinkMemory links(linksFile);
    CRadioConfigDlg window(MainWindowOptions{
        nullptr, nullptr, {m_port, m_options.baud}, linksFile.empty() ? nullptr : &links});
    window.show();
    return m_app->exec();
}

} // namespace tmx7
