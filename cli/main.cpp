// tmx7ctl: the command-line front end over the same engine as the window.
// Exit codes: 0 success, 1 the module or the port failed, 2 bad usage.

#include "protocol/SerialSetup.h"
#include "platform/PortDirectory.h"
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

std::optional<int> ParseInt(const char* text) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 10'000'000)
        return std::nullopt;
    return static_cast<int>(v);
}

bool ParseArgs(int argc, char** argv, Options& o) {
    if (argc < 2)
        return false;
    o.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--json") {
            o.json = true;
        } else if (a == "--sim") {
            o.sim = true;
        } else if (a == "--port" || a == "--format" || a == "--sim-format" || a == "--sim-mode" ||
                   a == "--sim-power") {
            const char* v = next();
            if (!v)
                return false;
            (a == "--port"         ? o.port
             : a == "--format"     ? o.format
             : a == "--sim-format" ? o.simFormat
             : a == "--sim-mode"   ? o.simMode
                                   : o.simPower) = v;
        } else if (a == "--baud" || a == "--sim-baud") {
            const char* v = next();
            auto n = v ? ParseInt(v) : std::nullopt;
            if (!n)
                return false;
            if (a == "--baud")
                o.baud = *n;
            else
                o.simBaud = *n;
        } else if (!a.empty() && a[0] == '-') {
            return false;
        } else {
            o.positional.push_back(a);
        }
    }
    return true;
}

// A port given as a device path gets the first free COM number, so the rest
// of the engine can address it the way it addresses every port.
std::optional<int> ResolvePort(const std::string& port) {
    if (auto n = PortNumberFromName(port))
        return n;
    if (port.empty() || port[0] != '/')
        return std::nullopt;
    auto& dir = PortDirectory::System();
    for (int n = 1; n <= 1024; ++n) {
        auto path = dir.PathFor(n);
        if (path && *path == port)
            return n;
    }
    for (int n = 1; n <= 1024; ++n) {
        if (!dir.PathFor(n)) {
            dir.Map(n, port);
            return n;
        }
    }
    return std::nullopt;
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
        if (session.Ports().Open(port, *o.baud, o.format) != 1)
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
    for (const auto& p : PortDirectory::System().List())
        std::printf("%s\t%s\t%s\n", p.name.c_str(), p.path.c_str(), p.description.c_str());
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (o.command == "ports")
        return CmdPorts();
    if (o.command != "detect" && o.command != "read" && o.command != "export") {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (o.command == "export" && o.positional.size() != 1) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (!o.format.empty() && !o.baud) {
        std::fprintf(stderr, "--format needs --baud\n");
        return kExitUsage;
    }

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
        std::fprintf(stderr, "not a port: %s (use COM1..COM1024 or a device path)\n",
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
