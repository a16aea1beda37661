// tmx7ctl: the command-line front end over the same engine as the window.
// Exit codes: 0 success, 1 the module or the port failed, 2 bad usage.

#include "protocol/SerialSetup.h"
#include "platform/PortDirectory.h"
#include "settings/OptionValues.h"
#include "settings/Session.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using namespace tmx7;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: tmx7ctl ports\n"
    "       tmx7ctl detect (--port COMn|PATH | --sim) [--baud B]\n"
    "       tmx7ctl read   (--port COMn|PATH | --sim) [--baud B [--format F]] [--json]\n"
    "       tmx7ctl export (--port COMn|PATH | --sim) [--baud B [--format F]] FILE\n"
    "simulated module options (with --sim): --sim-baud B --sim-format F\n"
    "       --sim-mode active|passive|modbus --sim-power normal|saving\n";

struct Options {
    std::string command;
    std::string port;
    std::optional<int> baud;
    std::string format;
    bool json = false;
    bool sim = false;
    int simBaud = 9600;
    std::string simFormat = "n,8,1";
    std::string simMode = "active";
    std::string simPower = "normal";
    std::vector<std::string> positional;
};

// Empty when the command line was understood; otherwise what was wrong
// with it, in one line. The value checks are shared with tmx7config.
std::string ParseArgs(int argc, char** argv, Options& o) {
    if (argc < 2)
        return "no command given";
    o.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json") {
            o.json = true;
            continue;
        }
        if (a == "--sim") {
            o.sim = true;
            continue;
        }
        const bool takesValue = a == "--port" || a == "--baud" || a == "--format" ||
                                a == "--sim-baud" || a == "--sim-format" || a == "--sim-mode" ||
                                a == "--sim-power";
        if (!takesValue) {
            if (!a.empty() && a[0] == '-')
                return UnknownOptionError(a);
            o.positional.push_back(a);
            continue;
        }
        if (i + 1 >= argc)
            return MissingValueError(a);
        const std::string v = argv[++i];
        if (a == "--port") {
            const auto port = PortOption(a, v);
            if (!port)
                return port.error;
            o.port = *port.value;
        } else if (a == "--baud" || a == "--sim-baud") {
            const auto baud = BaudOption(a, v);
            if (!baud)
                return baud.error;
            if (a == "--baud")
                o.baud = *baud.value;
            else
                o.simBaud = *baud.value;
        } else if (a == "--format" || a == "--sim-format") {
            const auto format = LineFormatOption(a, v);
            if (!format)
                return format.error;
            (a == "--format" ? o.format : o.simFormat) = *format.value;
        } else if (a == "--sim-mode") {
            if (const auto mode = SimModeOption(a, v); !mode)
                return mode.error;
            o.simMode = v;
        } else {
            if (const auto power = SimPowerOption(a, v); !power)
                return power.error;
            o.simPower = v;
        }
    }
    return {};
}

// A port given as a device path gets the first free COM number, so the rest
// of the engine can address it the way it addresses every port.
std::optional<int> ResolvePort(const std::string& port) {
    if (auto n = PortNumberFromName(port))
        return n;
    if (port.empty() || port[0] != '/')
        return std::nullopt;
    return PortDirectory::System().NumberForPath(port);
}

// Progress lines and the engine's notices on stderr.
class ProgressSink : public EventSink {
public:
    void Post(std::vector<Event> events) override {
        std::lock_guard lock(m_mutex);
        for (const auto& event : events) {
            if (const auto* shown = std::get_if<ProgressShown>(&event)) {
                if (m_barShown && !shown->shown)
                    std::fprintf(stderr, "\rreading parameters done, waiting for late answers\n");
                m_barShown = shown->shown;
            } else if (const auto* p = std::get_if<tmx7::Progress>(&event); p && m_barShown) {
                // The bar's last steps run while it is hidden; only what shows is told.
                std::fprintf(stderr, "\rreading parameters %3d%%", p->done * 100 / p->total);
            } else if (const auto* notice = std::get_if<Notice>(&event)) {
                std::fprintf(stderr, "%s\n", notice->text.c_str());
            } else if (const auto* step = std::get_if<DetectStep>(&event)) {
                std::fprintf(stderr, "  %s\n", step->caption.c_str());
            } else if (const auto* lost = std::get_if<PortLost>(&event)) {
                std::fprintf(stderr, "COM%d: the port was lost (unplugged?)\n", lost->port);
            } else if (const auto* failed = std::get_if<WriteFailed>(&event)) {
                std::fprintf(stderr, "COM%d: a %02X frame was not sent (%s)\n", failed->port,
                             Byte(failed->code),
                             failed->status == WriteStatus::Refused ? "line busy" : "no port");
            }
        }
    }

private:
    std::mutex m_mutex;
    bool m_barShown = false;
};

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Opens the port as given, or finds the module's line settings first.
bool Connect(Session& session, const Options& o, int port) {
    if (o.baud && !o.format.empty()) {
        const int opened = session.Ports().Open(port, *o.baud, o.format);
        // -1 has been told by the table's message; 0 is refused without one.
        if (opened == 0)
            std::fprintf(stderr, "COM%d: the line settings %d %s could not be applied\n", port,
                         *o.baud, o.format.c_str());
        if (opened != 1)
            return false;
        session.SetLink({port, *o.baud, o.format});
        return true;
    }
    if (o.baud) {
        std::fprintf(stderr, "probing COM%d at %d baud...\n", port, *o.baud);
        session.Probe(port, *o.baud);
    } else {
        std::fprintf(stderr, "detecting the module's baud rate on COM%d...\n", port);
        session.Detect(port);
    }
    const auto outcome = session.WaitIdle();
    if (outcome && !outcome->ok() && !outcome->detail.empty())
        std::fprintf(stderr, "%s\n", outcome->detail.c_str());
    return outcome && outcome->ok();
}

// A read that lost its port or missed an answer is a failure, whatever it did show.
int ReportRead(const Outcome& outcome, int port) {
    if (outcome.ok())
        return kExitOk;
    if (outcome.kind == OutcomeKind::AnswersMissing) {
        std::string fields;
        for (Field f : outcome.missing)
            fields += (fields.empty() ? "" : ", ") + std::string(KeyOf(f));
        std::fprintf(stderr, "COM%d: the module did not answer for %s\n", port, fields.c_str());
    } else {
        std::fprintf(stderr, "COM%d: reading the module failed: %s\n", port,
                     ToString(outcome).c_str());
    }
    return kExitFailed;
}

void PrintValues(const ShownValues& shown, const LinkChoice& c, bool json) {
    if (json) {
        std::printf("{\n  \"port\": \"COM%d\",\n  \"baud\": %d,\n  \"lineFormat\": %s", c.port,
                    c.baud, JsonString(c.lineFormat).c_str());
        for (const auto& f : kFields)
            std::printf(",\n  \"%s\": %s", f.key.data(), JsonString(shown.Value(f.field)).c_str());
        std::printf("\n}\n");
        return;
    }
    std::printf("port          COM%d %d %s\n", c.port, c.baud, c.lineFormat.c_str());
    for (const auto& f : kFields)
        std::printf("%-13s %s\n", f.key.data(), shown.Value(f.field).c_str());
}

// An in-process module for trying the tool without hardware.
std::unique_ptr<sim::Simulator> MakeCliSimulator(const Options& o) {
    sim::SimulatorOptions opts;
    const auto rate = sim::RateCodeForBaud(o.simBaud);
    const auto line = sim::ParseLineFormat(o.simFormat);
    const auto formatCode = line ? sim::FormatCodeFor(line->parity, line->stopBits) : std::nullopt;
    if (!rate || !formatCode) {
        std::fprintf(stderr, "simulated module: unsupported line %d %s\n", o.simBaud,
                     o.simFormat.c_str());
        return nullptr;
    }
    opts.state.serialBaud = *rate;
    opts.state.serialFormat = *formatCode;
    if (o.simMode == "active" || o.simMode == "passive" || o.simMode == "modbus")
        opts.state.serialMode = o.simMode == "active" ? 0 : o.simMode == "passive" ? 1 : 2;
    else
        return nullptr;
    if (o.simPower == "normal" || o.simPower == "saving")
        opts.state.powerMode = o.simPower == "saving" ? 1 : 0;
    else
        return nullptr;
    auto simulator = std::make_unique<sim::Simulator>(opts);
    if (!simulator->Start()) {
        std::fprintf(stderr, "simulated module: could not start (errno %d)\n",
                     simulator->LastError());
        return nullptr;
    }
    return simulator;
}

int CmdPorts() {
    const PortSnapshot snapshot = PortDirectory::System().Snapshot();
    for (const auto& problem : snapshot.problems)
        std::fprintf(stderr, "%s\n", problem.c_str());
    for (const auto& p : snapshot.ports)
        std::printf("%s\t%s\t%s\n", p.name.c_str(), p.path.c_str(), p.description.c_str());
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error = ParseArgs(argc, argv, o);
    const bool known = o.command == "ports" || o.command == "detect" || o.command == "read" ||
                       o.command == "export";
    if (error.empty() && !known)
        error = "unknown command: " + o.command;
    else if (error.empty() && o.command == "export" && o.positional.size() != 1)
        error = "export needs one FILE";
    else if (error.empty() && o.command != "export" && !o.positional.empty())
        error = o.command + " takes no FILE: " + o.positional[0];
    else if (error.empty() && !o.format.empty() && !o.baud)
        error = "--format needs --baud";
    if (!error.empty()) {
        std::fprintf(stderr, "tmx7ctl: %s\n%s", error.c_str(), kUsage);
        return kExitUsage;
    }
    if (o.command == "ports")
        return CmdPorts();

    std::unique_ptr<sim::Simulator> simulator;
    if (o.sim) {
        simulator = MakeCliSimulator(o);
        if (!simulator)
            return kExitUsage;
        if (o.port.empty())
            o.port = simulator->SlavePath();
    }
    if (o.port.empty()) {
        std::fprintf(stderr, "no port given (--port COMn|PATH, or --sim)\n");
        return kExitUsage;
    }
    const auto port = ResolvePort(o.port);
    if (!port) {
        // The form was checked with the options: only the numbers can have run out.
        std::fprintf(stderr, "no free COM number for %s: COM1..COM1024 are all taken\n",
                     o.port.c_str());
        return kExitUsage;
    }

    ProgressSink progress;
    Session session(progress);
    if (!Connect(session, o, *port))
        return kExitFailed;
    const LinkChoice link = session.Link();
    if (o.command == "detect") {
        std::printf("COM%d %d %s\n", link.port, link.baud, link.lineFormat.c_str());
        return kExitOk;
    }
    if (o.command == "read") {
        session.Read();
        const int code = ReportRead(*session.WaitIdle(), link.port);
        if (code == kExitOk)
            PrintValues(session.Shown(), link, o.json);
        return code;
    }
    // export: what the display shows is what goes into the file; a read that
    // did not get every answer writes nothing and the old file stays.
    session.Export(o.positional[0]);
    const Outcome outcome = *session.WaitIdle();
    if (outcome.kind == OutcomeKind::Failed) {
        std::fprintf(stderr, "%s: %s\n", o.positional[0].c_str(), outcome.detail.c_str());
        return kExitFailed;
    }
    if (const int code = ReportRead(outcome, link.port); code != kExitOk) {
        std::fprintf(stderr, "nothing written to %s\n", o.positional[0].c_str());
        return code;
    }
    std::fprintf(stderr, "parameters written to %s\n",
                 std::filesystem::absolute(o.positional[0]).c_str());
    return kExitOk;
}
