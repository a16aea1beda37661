#pragma once
// One module on one port, from connecting to the last answer: what a
// command does to it and what came of it. Units run on threads of their
// own, each with its own Session; nothing here is shared between them but
// the console, the clock and the port directory.

#include "cli/Console.h"
#include "cli/Invocation.h"
#include "cli/Ports.h"
#include "platform/Clock.h"
#include "protocol/ParamSet.h"
#include "settings/FieldValues.h"
#include "settings/Verify.h"

#include <array>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tmx7::cli {

// What one unit is to get: the parameter set with its own values put in.
struct UnitPlan {
    Target target;
    ParamSet params;
    std::vector<FieldValue> assigned; // the per-unit values, as the unit gets them
    std::string calibration;          // calibrate: this unit's value
    std::string error;                // set: the unit is not run and fails with it
};

enum class Verdict { Ok, Failed, Differs };

struct UnitResult {
    Target target;
    Verdict verdict = Verdict::Ok;
    std::string error;
    std::string command;
    std::vector<FieldValue> assigned;
    std::optional<std::array<std::string, kFieldCount>> before;
    std::optional<std::array<std::string, kFieldCount>> after;
    std::optional<Verification> verification;
    std::string version;
    std::string startedAt; // local time, ISO 8601 with milliseconds and offset
    std::chrono::milliseconds duration{0};
    std::string stdoutText;      // the unit's results, printed after every unit ended
    nlohmann::ordered_json json; // the same for --json
    std::string detail;          // one line for the summary table
};

int ExitCodeOf(Verdict verdict);

struct RunContext {
    const Invocation& invocation;
    Clock& clock;
    PortDirectory& directory;
    Console& console;
    std::atomic<bool>& interrupted; // Ctrl-C: monitor and send stop listening
    bool prefixResults = false;     // several units: every result line names its port
};

UnitResult RunUnit(const RunContext& context, const UnitPlan& plan);

// "12:34:56.789", local time.
std::string ClockText(std::chrono::system_clock::time_point t);

} // namespace tmx7::cli
