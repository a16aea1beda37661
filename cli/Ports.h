#pragma once
// Which serial ports there are, and which of them a command line means:
// "COM<n>", a device path, a /dev/serial link (also as "by-id/NAME" or
// "by-path/NAME"), or "serial=<USB serial number>" of the adapter.

#include "platform/PortDirectory.h"
#include "platform/SerialDeviceInfo.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace tmx7::cli {

struct PortRow {
    int number = 0;
    std::string name; // "COM101"
    std::string path;
    SerialDeviceInfo info;
};

// "COM7", or "com7" as people type it, to 7; nothing for anything else.
std::optional<int> ComNumber(const std::string& text);

// Every port the directory knows, described in one pass.
// "COM7", or "com7" as people type it, to 7; nothing for anything else.
std::optional<int> ComNumber(const std::string& text);

// Every port the directory knows, with its device's properties. `problems`
// receives the port sources that could not be used (a ports file that is no
// file), in words.
std::vector<PortRow> ListPorts(PortDirectory& directory, const SerialDeviceCatalog& catalog,
                               std::vector<std::string>* problems = nullptr);
nlohmann::ordered_json PortsJson(const std::vector<PortRow>& rows);
std::string PortsText(const std::vector<PortRow>& rows);

// One module to work on.
struct Target {
    std::string given; // the --port argument, or the COM name for --all-ports
    int number = 0;    // the COM number the engine addresses it by
    std::string name;  // "COM5"
    std::string path;  // the device path; empty when none was found
    SerialDeviceInfo info;
    std::string error; // why it cannot be reached; the unit fails with it
};

// The --port arguments in order, against the ports there are (`rows`). A
// malformed argument or one port named twice is a usage error (nothing, with
// `error`); a port that is not there becomes a target with its own error, so
// the other units still run. A device no rule numbers (a pty) gets the first
// free number, registered in `directory` for this process.
std::optional<std::vector<Target>>
ResolveTargets(const std::vector<std::string>& arguments, const std::vector<PortRow>& rows,
               PortDirectory& directory, const SerialDeviceCatalog& catalog, std::string& error);

// --all-ports: every port whose device exists, optionally only the adapters
// with that USB "vendor:product" (lower-case hex).
std::vector<Target> AllPortTargets(PortDirectory& directory, const SerialDeviceCatalog& catalog,
                                   const std::string& match);

} // namespace tmx7::cli
