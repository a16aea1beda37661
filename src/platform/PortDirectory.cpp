#include "platform/PortDirectory.h"

#include "platform/FileAccess.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace tmx7 {

namespace fs = std::filesystem;

namespace {

struct Family {
    std::string_view prefix;
    int base;
    bool checkUartType;
};

// Order matters where one prefix starts another: ttySC before ttyS.
constexpr std::array kFamilies = {
    Family{"ttySC", 801, false},  Family{"ttyS", 1, true},      Family{"ttyUSB", 101, false},
    Family{"ttyACM", 201, false}, Family{"ttyAMA", 301, false}, Family{"ttyXRUSB", 401, false},
    Family{"rfcomm", 501, false}, Family{"ttyGS", 601, false},  Family{"ttymxc", 701, false},
};

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

std::optional<int> parseIndex(std::string_view digits, int limit) {
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    int v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v >= limit)
        return std::nullopt;
    return v;
}

// A sysfs attribute: one short line.
std::string readFirstLine(const fs::path& p) {
    std::string head;
    if (!ReadRegularFileHead(p.string(), 256, head))
        return {};
    return trim(head.substr(0, head.find('\n')));
}

// The USB product name sits on the USB device, a few levels above the tty's
// "device" link (the interface for ttyUSB/ttyACM, the port for some serial
// converters); walk up until one is found.
std::string describe(const fs::path& ttyDir) {
    std::error_code ec;
    fs::path dev = fs::canonical(ttyDir / "device", ec);
    if (ec)
        return {};
    for (int level = 0; level < 4 && !dev.empty() && dev != dev.root_path(); ++level) {
        const std::string product = readFirstLine(dev / "product");
        if (!product.empty()) {
            const std::string maker = readFirstLine(dev / "manufacturer");
            return maker.empty() || product.find(maker) != std::string::npos
                       ? product
                       : maker + " " + product;
        }
        dev = dev.parent_path();
    }
    return {};
}

} // namespace

PortDirectory::PortDirectory() = default;

PortDirectory::PortDirectory(Options options) : m_options(std::move(options)) {}

PortDirectory& PortDirectory::System() {
    static PortDirectory directory;
    return directory;
}

void PortDirectory::Map(int n, std::string path) {
    if (n < kMinPort || n > kMaxPort)
        return;
    std::lock_guard lock(m_mutex);
    if (path.empty())
        m_runtime.erase(n);
    else
        m_runtime[n] = std::move(path);
}

void PortDirectory::Unmap(int n) {
    Map(n, {});
}

std::optional<int> PortDirectory::ParseName(const std::string& name) {
    // Exactly "COM" and a decimal number without a leading zero: the names
    // this program shows are the only ones it reads back, so "com3", " COM3"
    // or "COM03" are not quietly taken for COM3.
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0 || name[3] == '0')
        return std::nullopt;
    const auto v = parseIndex(std::string_view(name).substr(3), kMaxPort + 1);
    if (!v || *v < kMinPort)
        return std::nullopt;
    return v;
}

std::map<int, std::string> PortDirectory::ParseMap(const std::string& text) {
    std::map<int, std::string> out;
    std::string item;
    auto take = [&] {
        const std::string line = trim(item.substr(0, item.find('#')));
        item.clear();
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            return;
        // A hand-written file may say "com3 = ..."; the name itself is read
        // by the one strict rule.
        std::string key = trim(std::string_view(line).substr(0, eq));
        for (char& c : key)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const auto n = ParseName(key);
        const std::string path = trim(std::string_view(line).substr(eq + 1));
        if (n && !path.empty())
            out[*n] = path;
    };
    for (char c : text) {
        if (c == ';' || c == '\n')
            take();
        else
            item += c;
    }
    take();
    return out;
}

std::optional<std::string> PortDirectory::env(const std::string& name) const {
    if (m_options.getenv)
        return m_options.getenv(name);
    if (const char* v = std::getenv(name.c_str()))
        return std::string(v);
    return std::nullopt;
}

std::string PortDirectory::configFile() const {
    auto xdg = env("XDG_CONFIG_HOME");
    if (xdg && !xdg->empty())
        return *xdg + "/tmx7/ports";
    auto home = env("HOME");
    if (home && !home->empty())
        return *home + "/.config/tmx7/ports";
    return {};
}

std::map<int, PortInfo> PortDirectory::scan(std::vector<std::string>* problems) const {
    std::map<int, PortInfo> found;
    auto add = [&found](int n, const std::string& path, std::string description) {
        if (found.count(n))
            return;
        found[n] = PortInfo{n, "COM" + std::to_string(n), path, std::move(description)};
    };
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [n, path] : m_runtime)
            add(n, path, {});
    }
    if (auto mapText = env("TMX7_PORTS"))
        for (const auto& [n, path] : ParseMap(*mapText))
            add(n, path, {});
    if (const std::string file = configFile(); !file.empty()) {
        std::string text;
        if (const FileResult r = ReadRegularFile(file, kPortsFileMaxBytes, text); r) {
            for (const auto& [n, path] : ParseMap(text))
                add(n, path, {});
        } else if (r.error != ENOENT && problems) {
            // No file is the usual case; anything else is worth a word.
            problems->push_back("ports file not used: " + r.message);
        }
    }

    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(m_options.sysfsTtyRoot, ec), end; !ec && it != end;
         it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> explicitPaths;
    for (const auto& [n, info] : found)
        explicitPaths.push_back(info.path);
    for (const std::string& name : names) {
        for (const Family& f : kFamilies) {
            if (name.rfind(f.prefix, 0) != 0)
                continue;
            const auto k = parseIndex(std::string_view(name).substr(f.prefix.size()), 100);
            if (!k)
                break;
            const fs::path dir = fs::path(m_options.sysfsTtyRoot) / name;
            // The 8250 driver registers ttyS0..ttyS31 whether or not a UART
            // is fitted; type 0 means "no UART here".
            if (f.checkUartType) {
                const std::string type = readFirstLine(dir / "type");
                if (type.empty() || type == "0")
                    break;
            }
            const std::string path = m_options.devRoot + "/" + name;
            if (std::find(explicitPaths.begin(), explicitPaths.end(), path) == explicitPaths.end())
                add(f.base + *k, path, describe(dir));
            break;
        }
    }
    return found;
}

std::optional<std::string> PortDirectory::PathFor(int n) const {
    if (n < kMinPort || n > kMaxPort)
        return std::nullopt;
    const auto all = scan();
    const auto it = all.find(n);
    if (it == all.end())
        return std::nullopt;
    return it->second.path;
}

std::vector<PortInfo> PortDirectory::List() const {
    return Snapshot().ports;
}

PortSnapshot PortDirectory::Snapshot() const {
    PortSnapshot out;
    for (auto& [n, info] : scan(&out.problems))
        out.ports.push_back(std::move(info));
    return out;
}

std::optional<int> PortDirectory::NumberForPath(const std::string& path) {
    const PortSnapshot snapshot = Snapshot();
    if (auto n = snapshot.NumberFor(path))
        return n;
    std::lock_guard lock(m_mutex);
    // Free in the snapshot and not registered since.
    for (int n = kMinPort; n <= kMaxPort; ++n) {
        if (!snapshot.PathFor(n) && !m_runtime.count(n)) {
            m_runtime[n] = path;
            return n;
        }
    }
    return std::nullopt;
}

std::optional<std::string> PortSnapshot::PathFor(int n) const {
    const auto it = std::lower_bound(ports.begin(), ports.end(), n,
                                     [](const PortInfo& p, int k) { return p.number < k; });
    if (it == ports.end() || it->number != n)
        return std::nullopt;
    return it->path;
}

std::optional<int> PortSnapshot::NumberFor(const std::string& path) const {
    for (const PortInfo& p : ports)
        if (p.path == path)
            return p.number;
    return std::nullopt;
}

} // namespace tmx7
