#include "ui/AppOptions.h"

#include "protocol/SerialSetup.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tmx7 {

const char* const kAppUsage =
    "usage: tmx7config [--port COMn|PATH] [--baud B]\n"
    "       tmx7config --sim [--sim-baud B] [--sim-format F]\n"
    "                  [--sim-mode active|passive|modbus] [--sim-power normal|saving]\n"
    "  --port, --baud  preselect the serial settings dialog\n"
    "  --sim           run a simulated module in the program, as COM1\n";

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    const std::string_view bv(b);
    return a.size() == bv.size() && std::equal(a.begin(), a.end(), bv.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<int> ParseCount(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value <= 0)
        return std::nullopt;
    return value;
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
        if (a == "--sim") {
            o.sim = true;
            continue;
        }
        const bool takesValue = a == "--port" || a == "--baud" || a == "--sim-baud" ||
                                a == "--sim-format" || a == "--sim-mode" || a == "--sim-power";
        if (!takesValue) {
            r.error = "unknown argument: " + a;
            return r;
        }
        if (i + 1 >= args.size()) {
            r.error = a + " needs a value";
            return r;
        }
        const std::string& v = args[++i];
        if (a == "--port") {
            o.port = v;
        } else if (a == "--baud" || a == "--sim-baud") {
            const auto n = ParseCount(v);
            if (!n || !BaudFromText(std::to_string(*n) + "bps")) {
                r.error = a + ": not one of 1200 2400 4800 9600 19200 38400 57600: " + v;
                return r;
            }
            if (a == "--baud")
                o.baud = *n;
            else
                o.simBaud = *n;
        } else if (a == "--sim-format") {
            o.simFormat = v;
        } else if (a == "--sim-mode") {
            if (v != "active" && v != "passive" && v != "modbus") {
                r.error = "--sim-mode: active, passive or modbus";
                return r;
            }
            o.simMode = v;
        } else {
            if (v != "normal" && v != "saving") {
                r.error = "--sim-power: normal or saving";
                return r;
            }
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
    for (int n = PortDirectory::kMinPort; n <= PortDirectory::kMaxPort; ++n)
        if (auto path = directory.PathFor(n); path && *path == port)
            return n;
    for (int n = PortDirectory::kMinPort; n <= PortDirectory::kMaxPort; ++n) {
        if (!directory.PathFor(n)) {
            directory.Map(n, port);
            return n;
        }
    }
    return std::nullopt;
}

} // namespace tmx7
