#pragma once
// The command line of the window program tmx7config.
//
//   tmx7config [--port COMn|PATH] [--baud B]
//   tmx7config --sim [--sim-baud B] [--sim-format F] [--sim-mode M] [--sim-power P]
//   tmx7config --help | --version
//   tmx7config ... /RegServer | -UnregServer   (ends at once, exit code 0)

#include "platform/PortDirectory.h"

#include <optional>
#include <string>
#include <vector>

namespace tmx7 {

struct AppOptions {
    std::string port;        // "COM3" or a device path; empty: the user picks
    std::optional<int> baud; // preselected in the settings dialog
    bool sim = false;        // run a simulated module in the process, as COM1
    int simBaud = 9600;
    std::string simFormat = "n,8,1";
    std::string simMode = "active";  // active | passive | modbus
    std::string simPower = "normal"; // normal | saving
    bool help = false;
    bool version = false;
};

// True when the last argument is "-" or "/" followed by "RegServer" or
// "UnregServer", letter case ignored. These ask for a registration step that
// has no meaning here; the program then ends without a window. The word must
// be last: anything behind it means it was not meant that way.
bool IsRegistrationCommand(const std::vector<std::string>& args);

struct AppOptionsResult {
    AppOptions options;
    std::string error; // empty when the command line was understood
};

// `args` without the program name (and without the arguments Qt took).
AppOptionsResult ParseAppOptions(const std::vector<std::string>& args);
extern const char* const kAppUsage; // the usage lines, shown with a refusal
extern const char* const kAppHelp;  // --help

// "COM7" -> 7. A device path gets the number it already has in `directory`,
// or the first free number, registered there for this process.
std::optional<int> ResolvePortArgument(const std::string& port, PortDirectory& directory);

} // namespace tmx7
