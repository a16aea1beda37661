#pragma once
// What a tmx7ctl command line asks for, once it has been understood.

#include <optional>
#include <string>
#include <vector>

namespace tmx7::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a port or a module failed
inline constexpr int kExitUsage = 2;   // the command line was wrong
inline constexpr int kExitDiffers = 3; // a module does not hold what it was given

struct Invocation {
    std::string command; // ports detect read export set download verify send monitor
                         // calibrate start0101 stop0101 signal

    // Which modules.
    std::vector<std::string> ports; // --port, as given
    bool allPorts = false;
    std::string match; // --match VID:PID, lower case

    // How to reach them: a baud rate and format as given, a probe at the baud
    // rate, or the automatic detection.
    std::optional<int> baud;
    std::string format;

    bool json = false;
    std::string file;                     // export, download, verify
    std::vector<std::string> assignments; // set FIELD=VALUE...
    bool verify = false;                  // download --verify
    std::string unitValues;               // --unit-values FILE.csv
    std::vector<std::string> sequences;   // --sequence FIELD=START[:STEP]
    std::string record;                   // --record FILE (.csv: CSV, else JSON lines)

    std::string hex;               // send
    std::string passiveAddr;       // send --passive-addr
    std::optional<double> seconds; // send, monitor

    std::string accessCode;  // production commands
    std::string calibration; // calibrate VALUE

    // An in-process simulated module instead of a port.
    bool sim = false;
    int simBaud = 9600;
    std::string simFormat = "n,8,1";
    std::string simMode = "active";
    std::string simPower = "normal";

    // Test runs only: every wait of the engine takes 1/timeScale of its time.
    int timeScale = 1;
};

} // namespace tmx7::cli
