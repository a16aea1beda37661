#pragma once
// "COM<n>" port numbers (1..1024) to device paths.
//
// Lookup order, first hit wins:
//   1. ports registered in this process with Map() (e.g. a simulated module's pty);
//   2. TMX7_PORTS="COM3=/dev/ttyUSB0;COM4=/dev/pts/7";
//   3. the file $XDG_CONFIG_HOME/tmx7/ports (default ~/.config/tmx7/ports),
//      one "COM<n>=<path>" per line, '#' starts a comment; read through the
//      bounded reader (a regular file of at most kPortsFileMaxBytes), and
//      left out, with a problem said, when it is anything else;
//   4. the automatic rule over /sys/class/tty. Each device family owns a
//      block of 100 numbers, so a device's number depends only on its own
//      name and never shifts when another adapter is plugged in:
//        ttyS<k>    -> COM<1+k>    (only when its UART type is not 0)
//        ttyUSB<k>  -> COM<101+k>
//        ttyACM<k>  -> COM<201+k>
//        ttyAMA<k>  -> COM<301+k>
//        ttyXRUSB<k>-> COM<401+k>
//        rfcomm<k>  -> COM<501+k>
//        ttyGS<k>   -> COM<601+k>
//        ttymxc<k>  -> COM<701+k>
//        ttySC<k>   -> COM<801+k>
//      with k below 100. A number named by 1-3 hides the automatic one.
// The sysfs and /dev roots and the environment are injectable for tests.

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tmx7 {

struct PortInfo {
    int number = 0;
    std::string name;        // "COM3"
    std::string path;        // "/dev/ttyUSB0"
    std::string description; // USB product name if there is one
};

// 1024 lines of "COM<n>=<long by-id path>" fit many times over.
inline constexpr std::size_t kPortsFileMaxBytes = 256 * 1024;

// Every source looked at once, for a command that asks several questions.
struct PortSnapshot {
    std::vector<PortInfo> ports;       // sorted by number
    std::vector<std::string> problems; // sources that could not be used, in words

    std::optional<std::string> PathFor(int n) const;
    std::optional<int> NumberFor(const std::string& path) const;
};

class PortDirectory {
public:
    static constexpr int kMinPort = 1;
    static constexpr int kMaxPort = 1024;

    using Getenv = std::function<std::optional<std::string>(const std::string&)>;

    struct Options {
        std::string sysfsTtyRoot = "/sys/class/tty";
        std::string devRoot = "/dev";
        Getenv getenv; // empty: the process environment
    };

    PortDirectory();
    explicit PortDirectory(Options options);

    // The instance the program uses; tests build their own.
    static PortDirectory& System();

    // Registers (or, with an empty path, removes) a port for this process.
    void Map(int n, std::string path);
    void Unmap(int n);

    std::optional<std::string> PathFor(int n) const;
    // Every known port, sorted by number. Rescans each time, so adapters
    // plugged in since the last call show up.
    std::vector<PortInfo> List() const;
    // The same, with what could not be read.
    PortSnapshot Snapshot() const;
    // The number of a device path: the one the sources already give it, else
    // the first free number, registered for this process. One scan, however
    // many numbers are taken.
    std::optional<int> NumberForPath(const std::string& path);

    // Parses "COM3=/dev/ttyUSB0" items separated by ';' or newlines.
    // Malformed items and numbers outside 1..1024 are skipped.
    static std::map<int, std::string> ParseMap(const std::string& text);
    // "COM7" -> 7 for 1..1024, written exactly so (upper case, no blanks,
    // no leading zero); nothing for anything else. The one reader of port
    // names in the program.
    static std::optional<int> ParseName(const std::string& name);

private:
    std::map<int, PortInfo> scan(std::vector<std::string>* problems = nullptr) const;
    std::optional<std::string> env(const std::string& name) const;
    std::string configFile() const;

    Options m_options;
    mutable std::mutex m_mutex;
    std::map<int, std::string> m_runtime;
};

} // namespace tmx7
