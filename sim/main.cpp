// tmx7sim: a simulated TMX7 module on a pseudo-terminal.
// Prints the device path of the pty slave on the first line of stdout, then
// serves it until SIGINT or SIGTERM.

#include "sim/Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

volatile std::sig_atomic_t g_quit = 0;

void OnSignal(int) {
    g_quit = 1;
}

constexpr const char* kSynopsis =
    "tmx7sim [--baud B] [--format F] [--mode M] [--power P] [--no-pace]\n";

constexpr const char* kHelp =
    "Plays a TMX7 radio module on a pseudo-terminal, so that the configuration tools\n"
    "(or any serial program) can talk to it as to real hardware.\n"
    "\n"
    "Prints the device path of the pseudo-terminal on the first line of stdout and\n"
    "serves it until SIGINT or SIGTERM; then says on stderr how many frames it\n"
    "received and how many of them were malformed.\n"
    "\n"
    "Options:\n"
    "  --baud B      the module's baud rate: 1200, 2400, 4800, 9600 (default),\n"
    "                19200, 38400 or 57600\n"
    "  --format F    its line format: n,8,1 (default), n,8,2, o,8,1, o,8,2, e,8,1\n"
    "                or e,8,2\n"
    "  --mode M      its serial mode: active (default), passive or modbus\n"
    "  --power P     its power mode: normal (default) or saving\n"
    "  --no-pace     answer at once instead of at the line's byte time\n"
    "  -h, --help    print this help and exit\n"
    "  --version     print the version and exit\n"
    "\n"
    "Exit codes: 0 ended by a signal; 1 no pseudo-terminal could be made;\n"
    "2 the command line was wrong.\n";

int Usage(const char* why) {
    std::fprintf(stderr, "tmx7sim: %s\nusage: %s       (tmx7sim --help tells more)\n", why,
                 kSynopsis);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace tmx7::sim;
    SimulatorOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--baud" && hasValue) {
            const auto code = RateCodeForBaud(std::atoi(argv[++i]));
            if (!code)
                return Usage("baud must be one of 1200 2400 4800 9600 19200 38400 57600");
            options.state.serialBaud = *code;
        } else if (arg == "--format" && hasValue) {
            const auto line = ParseLineFormat(argv[++i]);
            const auto code = line ? FormatCodeFor(line->parity, line->stopBits) : std::nullopt;
            if (!code)
                return Usage("format must look like n,8,1 (parity n/o/e, stop bits 1 or 2)");
            options.state.serialFormat = *code;
        } else if (arg == "--mode" && hasValue) {
            const std::string_view mode = argv[++i];
            if (mode == "active")
                options.state.serialMode = 0;
            else if (mode == "passive")
                options.state.serialMode = 1;
            else if (mode == "modbus")
                options.state.serialMode = 2;
            else
                return Usage("mode must be active, passive or modbus");
        } else if (arg == "--power" && hasValue) {
            const std::string_view power = argv[++i];
            if (power == "normal")
                options.state.powerMode = 0;
            else if (power == "saving")
                options.state.powerMode = 1;
            else
                return Usage("power must be normal or saving");
        } else if (arg == "--no-pace") {
            options.pace = false;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("Usage: %s\n%s", kSynopsis, kHelp);
            return 0;
        } else if (arg == "--version") {
            std::printf("tmx7sim %s\n", TMX7_VERSION);
            return 0;
        } else {
            return Usage("unknown or incomplete option");
        }
    }

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    Simulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "tmx7sim: cannot create a pseudo-terminal: %s\n",
                     std::strerror(sim.LastError()));
        return 1;
    }
    std::printf("%s\n", sim.SlavePath().c_str());
    std::fflush(stdout);
    const LineSettings line = ModuleLine(options.state);
    std::fprintf(stderr, "tmx7sim: module at %d baud, %c,8,%d on %s\n", line.baud,
                 static_cast<char>(line.parity), line.stopBits, sim.SlavePath().c_str());

    while (!g_quit) {
        // pause() would race with a signal arriving just before it.
        struct timespec t {
            0, 100'000'000
        };
        nanosleep(&t, nullptr);
    }
    sim.Stop();
    std::fprintf(stderr, "tmx7sim: %zu frames received, %zu malformed\n", sim.FrameCount(),
                 sim.MalformedCount());
    return 0;
}
