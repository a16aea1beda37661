// tmx7ctl: the command-line front end over the same engine as the window.
// Exit codes: 0 success, 1 the module or the port failed, 2 bad usage.

#include "link/PortTable.h"
#include "link/SerialSetup.h"
#include "platform/Clock.h"
#include "platform/PortDirectory.h"
#include "protocol/DecoderShared.h"
#include "protocol/DecoderThread.h"
#include "protocol/DisplayRecord.h"
#include "protocol/ParamFile.h"
#include "protocol/Refresh.h"
#include "protocol/Settle.h"
#include "settings/OptionValues.h"
#include "settings/ParamTransfer.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <cstring>
#include <memory>
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

// Progress lines on stderr for the sequences that take seconds.
class ProgressSink : public ViewSink {
public:
    explicit ProgressSink(DisplayRecord& record) : m_record(record) {}
    void Apply(std::vector<ViewUpdate> updates) override {
        for (const auto& u : updates) {
            // The bar's last steps run while it is hidden; only what shows is told.
            if (const auto* s = std::get_if<ShowControl>(&u); s && s->controlId == 1099)
                m_barShown = s->shown;
            if (const auto* p = std::get_if<SetProgress>(&u); p && m_barShown)
                std::fprintf(stderr, "\rreading parameters %3d%%", p->position * 100 / 230);
            if (const auto* pane = std::get_if<SetPane>(&u); pane && pane->text == "刷新参数完成.")
                std::fprintf(stderr, "\rreading parameters done, waiting for late answers\n");
        }
        m_record.Apply(std::move(updates));
    }

private:
    DisplayRecord& m_record;
    bool m_barShown = false;
};

struct Field {
    const char* key;
    int controlId;
};
// The seventeen value fields, in the order of the pages.
constexpr Field kFields[] = {
    {"txFrequency", 1038}, {"rxFrequency", 1050}, {"airRate", 1049},   {"serialFormat", 1039},
    {"version", 1051},     {"power", 1058},       {"group", 1080},     {"powerMode", 1044},
    {"serialMode", 1043},  {"sleepPeriod", 1045}, {"addrType", 1057},  {"addrStart", 1047},
    {"saveAddr", 1053},    {"groupMax", 1048},    {"wakeDelay", 1046}, {"addrLength", 1056},
    {"passiveAddr", 1052},
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

struct Connection {
    int port = 0;
    int baud = 0;
    std::string format;
};

std::optional<Connection> Connect(CPortTable& table, const Options& o, int port) {
    SerialSetup setup(table);
    if (o.baud && !o.format.empty()) {
        const int opened = table.Open(port, *o.baud, o.format);
        // -1 has been told by the table's message; 0 is refused without one.
        if (opened == 0)
            std::fprintf(stderr, "COM%d: the line settings %d %s could not be applied\n", port,
                         *o.baud, o.format.c_str());
        if (opened != 1)
            return std::nullopt;
        return Connection{port, *o.baud, o.format};
    }
    SetupResult r;
    if (o.baud) {
        std::fprintf(stderr, "probing COM%d at %d baud...\n", port, *o.baud);
        r = setup.Confirm(port, *o.baud);
    } else {
        std::fprintf(stderr, "detecting the module's baud rate on COM%d...\n", port);
        r = setup.AutoDetect(port, [](const std::string& caption) {
            std::fprintf(stderr, "  %s\n", caption.c_str());
        });
    }
    if (!r.connected) {
        if (!r.message.empty())
            std::fprintf(stderr, "%s\n", r.message.c_str());
        return std::nullopt;
    }
    return Connection{port, r.baud, r.lineFormat};
}

// Connects the decoder, refreshes once and waits until the answers settle.
bool ReadModule(CPortTable& table, const Connection& c, DisplayRecord& record, ParamSet& params) {
    DecoderShared shared;
    LinkSettings link;
    link.comPort = c.port;
    link.baud = c.baud;
    ProgressSink sink(record);
    DecoderThread decoder(table, shared, link, sink);
    decoder.Start();
    RealClock().sleepFor(Millis(100));
    RefreshParameters({table, shared, sink, RealClock(), c.port, c.baud});
    bool complete = false;
    WaitForAnswersToSettle(RealClock(), shared, c.baud, nullptr, {}, &complete);
    decoder.Stop();
    if (!complete)
        std::fprintf(stderr, "some answers did not arrive; their values show as %s\n",
                     kUnknownValue);
    params = shared.Params();
    return record.Text(1051) != kUnknownValue || record.Text(1038) != kUnknownValue;
}

void PrintValues(const DisplayRecord& record, const Connection& c, bool json) {
    if (json) {
        std::printf("{\n  \"port\": \"COM%d\",\n  \"baud\": %d,\n  \"lineFormat\": %s", c.port,
                    c.baud, JsonString(c.format).c_str());
        for (const auto& f : kFields)
            std::printf(",\n  \"%s\": %s", f.key, JsonString(record.Text(f.controlId)).c_str());
        std::printf("\n}\n");
        return;
    }
    std::printf("port          COM%d %d %s\n", c.port, c.baud, c.format.c_str());
    for (const auto& f : kFields)
        std::printf("%-13s %s\n", f.key, record.Text(f.controlId).c_str());
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

    CPortTable table;
    table.SetMessageHandler([](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });
    const auto connection = Connect(table, o, *port);
    if (!connection)
        return kExitFailed;
    if (o.command == "detect") {
        std::printf("COM%d %d %s\n", connection->port, connection->baud,
                    connection->format.c_str());
        return kExitOk;
    }

    DisplayRecord record;
    ParamSet params;
    if (!ReadModule(table, *connection, record, params)) {
        std::fprintf(stderr, "the module did not answer on COM%d\n", connection->port);
        return kExitFailed;
    }
    if (o.command == "read") {
        PrintValues(record, *connection, o.json);
        return kExitOk;
    }
    // export: what the display shows is what goes into the file
    params = ParamsFromDisplay([&](int id) { return record.Text(id); }, params);
    const auto written = ExportParamFile(params, o.positional[0]);
    if (!written.status) {
        std::fprintf(stderr, "%s\n", written.status.message.c_str());
        return kExitFailed;
    }
    std::fprintf(stderr, "parameters written to %s\n", written.absolutePath.c_str());
    return kExitOk;
}
