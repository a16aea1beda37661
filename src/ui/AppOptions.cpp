#include "ui/AppOptions.h"

#include "protocol/SerialSetup.h"
#include "settings/OptionValues.h"

#include <algorithm>
#include <cctype>

namespace tmx7 {

const char* const kAppUsage =
    "usage: tmx7config [--port COMn|PATH] [--baud B]\n"
    "       tmx7config --sim [--sim-baud B] [--sim-format F]\n"
    "                  [--sim-mode active|passive|modbus] [--sim-power normal|saving]\n";

const char* const kAppHelp =
    "Usage: tmx7config [--port COMn|PATH] [--baud B]\n"
    "  or:  tmx7config --sim [--sim-baud B] [--sim-format F] [--sim-mode M] [--sim-power P]\n"
    "Configures and tests a TMX7 serial radio module in a window: finds its baud rate\n"
    "and serial format, reads and changes its parameters, exports and imports\n"
    "parameter files and tests the radio link with hexadecimal data.\n"
    "\n"
    "Options:\n"
    "  --port PORT       preselect the port in the serial settings dialog:\n"
    "                    COM1..COM1024 or a device path such as /dev/ttyUSB0\n"
    "  --baud B          preselect the baud rate: 1200, 2400, 4800, 9600, 19200,\n"
    "                    38400 or 57600\n"
    "  --sim             run a simulated module inside the program, as COM1\n"
    "  --sim-baud B      the simulated module's baud rate (default 9600)\n"
    "  --sim-format F    its line format: n,8,1 (default), n,8,2, o,8,1, o,8,2,\n"
    "                    e,8,1 or e,8,2\n"
    "  --sim-mode M      its serial mode: active (default), passive or modbus\n"
    "  --sim-power P     its power mode: normal (default) or saving\n"
    "  -h, --help        print this help and exit\n"
    "  --version         print the version and exit\n"
    "\n"
    "Qt's own options (-platform, -style, -display ...) are taken as well.\n";

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    const std::string_view bv(b);
    return a.size() == bv.size() && std::equal(a.begin(), a.end(), bv.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

bool IsRegistrationCommand(const std::vector<std::string>& args) {
    if (args.empty())
        return false;
    const std::string& last = args.back();
    if (last.size() < 2 || (last[0] != '-' && last[0] != '/'))
        return false;
    const std::string word = last.substr(1);
    return EqualsNoCase(word, "RegServer") || EqualsNoCase(word, "UnregServer");
}

AppOptionsResult ParseAppOptions(const std::vector<std::string>& args) {
    AppOptionsResult r;
    AppOptions& o = r.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (a == "--version") {
            o.version = true;
            continue;
        }
        if (a == "--sim") {
            o.sim = true;
            continue;
        }
        const bool takesValue = a == "--port" || a == "--baud" || a == "--sim-baud" ||
                                a == "--sim-format" || a == "--sim-mode" || a == "--sim-power";
        if (!takesValue) {
            r.error = UnknownOptionError(a);
            return r;
        }
        if (i + 1 >= args.size()) {
            r.error = MissingValueError(a);
            return r;
        }
        const std::string& v = args[++i];
        // The first value that is refused is the answer, in its own words.
        auto refused = [&r](const auto& value) {
            if (!value)
                r.error = value.error;
            return !value;
        };
        if (a == "--port") {
            const auto port = PortOption(a, v);
            if (refused(port))
                return r;
            o.port = *port.value;
        } else if (a == "--baud" || a == "--sim-baud") {
            const auto baud = BaudOption(a, v);
            if (refused(baud))
                return r;
            if (a == "--baud")
                o.baud = *baud.value;
            else
                o.simBaud = *baud.value;
        } else if (a == "--sim-format") {
            const auto format = LineFormatOption(a, v);
            if (refused(format))
                return r;
            o.simFormat = *format.value;
        } else if (a == "--sim-mode") {
            if (refused(SimModeOption(a, v)))
                return r;
            o.simMode = v;
        } else {
            if (refused(SimPowerOption(a, v)))
                return r;
            o.simPower = v;
        }
    }
    return r;
}

std::optional<int> ResolvePortArgument(const std::string& port, PortDirectory& directory) {
    if (auto n = PortNumberFromName(port))
        return n;
    if (port.empty() || port[0] != '/')
        return std::nullopt;
    return directory.NumberForPath(port);
}

} // namespace tmx7
