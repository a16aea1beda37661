#pragma once
// The application object of tmx7config: reads the command line, sets up the
// Qt application (CJK font, icon), starts the simulated module when asked,
// creates the main window and runs it until it ends.

#include "ui/AppOptions.h"

#include <memory>

class QApplication;

namespace tmx7 {
namespace sim {
class Simulator;
}

class CConfigApp {
public:
    CConfigApp(int& argc, char** argv);
    ~CConfigApp();
    CConfigApp(const CConfigApp&) = delete;
    CConfigApp& operator=(const CConfigApp&) = delete;

    // Runs the program and returns its exit code.
    int Run();

    // COM number of the simulated module started with --sim.
    static constexpr int kSimulatedPort = 1;

private:
    bool StartSimulator();
    int RunWindows();

    int& m_argc;
    char** m_argv;
    AppOptions m_options;
    std::optional<int> m_port;
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<sim::Simulator> m_simulator;
};

} // namespace tmx7
