#include "cli/Ports.h"

#include "protocol/SerialSetup.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace tmx7::cli {

namespace fs = std::filesystem;

namespace {

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const fs::path c = fs::canonical(path, ec);
    return ec ? path : c.string();
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string Usb(const SerialDeviceInfo& info) {
    return info.vendorId.empty() ? std::string() : info.vendorId + ":" + info.productId;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Target FromRow(const PortRow& row, std::string given) {
    return Target{std::move(given), row.number, row.name, row.path, row.info, {}};
}

} // namespace

std::vector<PortRow> ListPorts(PortDirectory& directory, const SerialDeviceCatalog& catalog,
                               std::vector<std::string>* problems) {
    PortSnapshot snapshot = directory.Snapshot();
    if (problems)
        *problems = std::move(snapshot.problems);
    const std::vector<PortInfo>& ports = snapshot.ports;
    std::vector<std::string> paths;
    for (const auto& p : ports)
        paths.push_back(p.path);
    const std::vector<SerialDeviceInfo> infos = catalog.Describe(paths);
    std::vector<PortRow> rows;
    for (std::size_t i = 0; i < ports.size(); ++i)
        rows.push_back({ports[i].number, ports[i].name, ports[i].path, infos[i]});
    return rows;
}

nlohmann::ordered_json PortsJson(const std::vector<PortRow>& rows) {
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const auto& r : rows) {
        const SerialDeviceInfo& i = r.info;
        out.push_back({{"name", r.name},
                       {"path", r.path},
                       {"device", i.canonical},
                       {"byId", i.byId},
                       {"byPath", i.byPath},
                       {"usb", Usb(i)},
                       {"serial", i.serial},
                       {"product", i.product},
                       {"manufacturer", i.manufacturer},
                       {"driver", i.driver}});
    }
    return out;
}

std::string PortsText(const std::vector<PortRow>& rows) {
    std::string out;
    for (const auto& r : rows) {
        const SerialDeviceInfo& i = r.info;
        std::string line = r.name + "\t" + r.path;
        const auto add = [&line](const std::string& label, const std::string& value) {
            if (!value.empty())
                line += "\t" + label + value;
        };
        if (i.canonical != r.path)
            add("-> ", i.canonical);
        add("usb ", Usb(i));
        add("serial ", i.serial);
        add("", i.product);
        add("driver ", i.driver);
        for (const auto& link : i.byId)
            add("", link);
        for (const auto& link : i.byPath)
            add("", link);
        out += line + "\n";
    }
    return out;
}

std::optional<int> ComNumber(const std::string& text) {
    if (text.size() > 3 && Lower(text.substr(0, 3)) == "com")
        return PortDirectory::ParseName("COM" + text.substr(3));
    return std::nullopt;
}

std::optional<std::vector<Target>>
ResolveTargets(const std::vector<std::string>& arguments, const std::vector<PortRow>& rows,
               PortDirectory& directory, const SerialDeviceCatalog& catalog, std::string& error) {
    std::set<int> taken;
    for (const auto& r : rows)
        taken.insert(r.number);
    std::vector<Target> out;
    for (const std::string& arg : arguments) {
        Target t;
        t.given = arg;
        if (const auto n = ComNumber(arg)) {
            const auto row = std::find_if(rows.begin(), rows.end(),
                                          [&](const PortRow& r) { return r.number == *n; });
            if (row != rows.end())
                t = FromRow(*row, arg);
            else
                t = Target{arg, *n, "COM" + std::to_string(*n),
                           {},  {}, "COM" + std::to_string(*n) + ": no such port"};
        } else if (arg.rfind("serial=", 0) == 0) {
            const std::string serial = arg.substr(7);
            std::vector<const PortRow*> found;
            for (const auto& r : rows)
                if (!serial.empty() && r.info.serial == serial)
                    found.push_back(&r);
            if (found.size() == 1) {
                t = FromRow(*found.front(), arg);
            } else if (found.empty()) {
                t.error = arg + ": no adapter with that USB serial number is plugged in";
            } else {
                t.error = arg + ": several adapters carry that serial number (" + found[0]->name +
                          ", " + found[1]->name + "); name the port instead";
            }
        } else {
            std::string path = arg;
            if (arg.rfind("by-id/", 0) == 0 || arg.rfind("by-path/", 0) == 0)
                path = catalog.LinksRoot() + "/" + arg;
            if (path.empty() || path[0] != '/') {
                error = "--port " + arg +
                        ": not COM<n>, a device path, a by-id/by-path link or serial=<number>";
                return std::nullopt;
            }
            const std::string canonical = Canonical(path);
            const auto row = std::find_if(rows.begin(), rows.end(), [&](const PortRow& r) {
                return r.path == path || r.info.canonical == canonical;
            });
            if (row != rows.end()) {
                t = FromRow(*row, arg);
            } else {
                // A device no rule numbers (a pty): the first free number, for this process.
                int n = PortDirectory::kMinPort;
                while (n <= PortDirectory::kMaxPort && taken.count(n))
                    ++n;
                if (n > PortDirectory::kMaxPort) {
                    error = "--port " + arg + ": every COM number from 1 to 1024 is taken";
                    return std::nullopt;
                }
                directory.Map(n, path);
                taken.insert(n);
                t = Target{arg, n, "COM" + std::to_string(n), path, catalog.Describe(path), {}};
                if (!Exists(path))
                    t.error = arg + ": no such device";
            }
        }
        for (const Target& earlier : out) {
            if (t.number != 0 && earlier.number == t.number) {
                error = "--port " + arg + " and --port " + earlier.given + " are the same port (" +
                        t.name + ")";
                return std::nullopt;
            }
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::vector<Target> AllPortTargets(PortDirectory& directory, const SerialDeviceCatalog& catalog,
                                   const std::string& match) {
    std::vector<Target> out;
    for (const PortRow& r : ListPorts(directory, catalog)) {
        if (!Exists(r.path))
            continue;
        if (!match.empty() && Lower(Usb(r.info)) != match)
            continue;
        out.push_back(FromRow(r, r.name));
    }
    return out;
}

} // namespace tmx7::cli
