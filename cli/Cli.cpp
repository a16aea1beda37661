#include "cli/Cli.h"

#include "cli/Complete.h"
#include "cli/Invocation.h"
#include "cli/Ports.h"
#include "cli/Report.h"
#include "cli/Unit.h"
#include "cli/UnitValues.h"
#include "platform/FileAccess.h"
#include "platform/RecordFile.h"
#include "platform/SerialDiagnosis.h"
#include "protocol/ParamFile.h"
#include "protocol/SerialSetup.h"
#include "settings/DialogModels.h"
#include "settings/Download.h"
#include "settings/OptionValues.h"
#include "settings/ParamTransfer.h"
#include "sim/Simulator.h"
#include "ui/DataSend.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tmx7::cli {

namespace {

constexpr const char* kExitCodes = "Exit codes: 0 every unit ok; 1 a port or a module failed; "
                                   "2 the command line was wrong; 3 a module does not hold what it "
                                   "was given.";

// One line per command, shown with every refusal of its command line.
const std::map<std::string, std::string> kUsage = {
    {"ports", "tmx7ctl ports [--json]"},
    {"doctor", "tmx7ctl doctor [--port P]"},
    {"detect", "tmx7ctl detect PORTS [--baud B]"},
    {"read", "tmx7ctl read PORTS [--baud B [--format F]] [--json]"},
    {"export", "tmx7ctl export --port P [--baud B [--format F]] FILE"},
    {"set", "tmx7ctl set PORTS FIELD=VALUE..."},
    {"download",
     "tmx7ctl download PORTS FILE [--verify] [--unit-values CSV] [--sequence F=S[:STEP]] "
     "[--record FILE]"},
    {"verify", "tmx7ctl verify PORTS FILE [--unit-values CSV] [--sequence F=S[:STEP]]"},
    {"send", "tmx7ctl send PORTS HEX... [--passive-addr AA] [--seconds S]"},
    {"monitor", "tmx7ctl monitor PORTS [--seconds S]"},
    {"calibrate", "tmx7ctl calibrate PORTS --access-code CODE [AA BB | --unit-values CSV]"},
    {"start0101", "tmx7ctl start0101 PORTS --access-code CODE"},
    {"stop0101", "tmx7ctl stop0101 PORTS --access-code CODE"},
    {"signal", "tmx7ctl signal PORTS --access-code CODE"},
};
constexpr const char* kPortsSynopsis =
    "PORTS: --port P (repeatable; COM<n>, a device path, by-id/NAME, by-path/NAME or "
    "serial=<USB serial>) or --all-ports [--match VID:PID]";

int Usage(const std::string& command, const std::string& what) {
    std::fprintf(stderr, "tmx7ctl: %s\n", what.c_str());
    const auto usage = kUsage.find(command);
    if (usage != kUsage.end())
        std::fprintf(stderr, "usage: %s\n       (tmx7ctl %s --help tells more)\n",
                     usage->second.c_str(), command.c_str());
    else
        std::fprintf(stderr,
                     "usage: tmx7ctl COMMAND [OPTIONS]  (tmx7ctl --help lists the commands)\n");
    return kExitUsage;
}

std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_listening{false};

// Ctrl-C ends a monitor. Anything else is let finish what it is doing to
// each module, so none is left half-configured and every record line is
// written; a second Ctrl-C ends the program at once.
void OnInterrupt(int sig) {
    if (g_interrupted.exchange(true) || g_listening.load()) {
        if (!g_listening.load()) {
            ::signal(sig, SIG_DFL);
            ::raise(sig);
        }
        return;
    }
    static const char kText[] = "tmx7ctl: finishing what each module is in the middle of; "
                                "Ctrl-C again stops at once\n";
    [[maybe_unused]] const ssize_t n = ::write(2, kText, sizeof kText - 1);
}

// An option checked by the rule tmx7config uses for the same option.
template <class T>
CLI::Validator Checked(OptionValue<T> (*check)(std::string_view, std::string_view)) {
    return CLI::Validator([check](std::string& v) { return check("", v).reason; }, "");
}

CLI::Validator MatchCheck() {
    return CLI::Validator(
        [](std::string& v) -> std::string {
            const bool ok =
                v.size() == 9 && v[4] == ':' && std::all_of(v.begin(), v.end(), [](char c) {
                    return c == ':' || std::isxdigit(static_cast<unsigned char>(c));
                });
            if (!ok)
                return v + " is not VID:PID, four hex digits each (0403:6001)";
            for (char& c : v)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return {};
        },
        "");
}

struct Cli {
    Invocation o;
    std::string baudText;
    std::vector<std::string> hexPieces;
    std::vector<std::string> calibrationPieces;
    CLI::App app{"Configures and checks TMX7 radio modules on serial ports, one or many at once.",
                 "tmx7ctl"};

    void Ports(CLI::App* sc, bool many = true) {
        sc->add_option(
              "--port", o.ports,
              many ? "the module's port: COM<n>, a device path, by-id/NAME, by-path/NAME "
                     "or serial=<USB serial>; repeat it for several modules"
                   : "the module's port: COM<n>, a device path, a link or serial=<USB serial>")
            ->type_name("PORT")
            ->allow_extra_args(false);
        if (many) {
            auto* all = sc->add_flag("--all-ports", o.allPorts, "every serial port there is");
            sc->add_option("--match", o.match,
                           "with --all-ports: only USB adapters with this VID:PID")
                ->type_name("VID:PID")
                ->check(MatchCheck())
                ->needs(all);
        }
        auto* baud = sc->add_option("--baud", baudText,
                                    "the modules' baud rate: probe at it instead of detecting")
                         ->check(Checked(&BaudOption))
                         ->type_name("BAUD");
        sc->add_option("--format", o.format,
                       "with --baud: open with this line format (n,8,1) without a probe")
            ->check(Checked(&LineFormatOption))
            ->type_name("FORMAT")
            ->needs(baud);
        sc->add_option("--record", o.record,
                       "append one line per unit to FILE (CSV for .csv, else JSON lines)")
            ->type_name("FILE");
        auto* sim = sc->add_flag("--sim", o.sim,
                                 "work on an in-process simulated module instead of a port");
        sc->add_option("--sim-baud", o.simBaud, "simulated module's baud rate (default 9600)")
            ->type_name("BAUD")
            ->check(Checked(&BaudOption))
            ->needs(sim);
        sc->add_option("--sim-format", o.simFormat,
                       "simulated module's line format (default n,8,1)")
            ->type_name("FORMAT")
            ->check(Checked(&LineFormatOption))
            ->needs(sim);
        sc->add_option("--sim-mode", o.simMode,
                       "simulated module's serial mode: active (default), passive or modbus")
            ->type_name("MODE")
            ->check(Checked(&SimModeOption))
            ->needs(sim);
        sc->add_option("--sim-power", o.simPower,
                       "simulated module's power mode: normal (default) or saving")
            ->type_name("POWER")
            ->check(Checked(&SimPowerOption))
            ->needs(sim);
        // Test runs only: the engine's waits pass this many times faster.
        sc->add_option("--time-scale", o.timeScale)->check(CLI::Range(1, 1000))->group("");
    }

    void UnitValues(CLI::App* sc) {
        sc->add_option("--unit-values", o.unitValues,
                       "CSV with one row per unit: port or USB serial, then field columns")
            ->type_name("CSV");
    }

    void Sequences(CLI::App* sc) {
        sc->add_option("--sequence", o.sequences,
                       "FIELD=START[:STEP]: count a value up per unit (hex for passiveAddr, "
                       "saveAddr, group)")
            ->type_name("FIELD=START[:STEP]")
            ->allow_extra_args(false);
    }

    void AccessCode(CLI::App* sc) {
        sc->add_option("--access-code", o.accessCode,
                       "the production access code (also TMX7_ACCESS_CODE)")
            ->type_name("CODE")
            ->envname("TMX7_ACCESS_CODE")
            ->required();
    }

    CLI::App* Command(const std::string& name, const std::string& what) {
        CLI::App* sc = app.add_subcommand(name, what);
        sc->footer(kPortsSynopsis);
        sc->callback([this, name] { o.command = name; });
        return sc;
    }

    Cli() {
        app.set_version_flag("--version", std::string("tmx7ctl ") + TMX7_VERSION);
        app.require_subcommand(1);
        app.footer(kExitCodes);

        auto* ports =
            app.add_subcommand("ports", "list the serial ports with their links and USB adapters");
        ports->callback([this] { o.command = "ports"; });
        ports->add_flag("--json", o.json, "print JSON");

        auto* doctor = app.add_subcommand(
            "doctor", "check what stands between this login and the serial ports, and say why");
        doctor->callback([this] { o.command = "doctor"; });
        doctor
            ->add_option("--port", o.ports,
                         "only this port: COM<n>, a device path, a link or serial=<USB serial>")
            ->type_name("PORT")
            ->allow_extra_args(false);

        auto* detect = Command("detect", "find each module's baud rate and line format");
        Ports(detect);

        auto* read = Command("read", "read every value of each module");
        Ports(read);
        read->add_flag("--json", o.json, "print JSON");

        auto* exp = Command("export", "read one module and write its parameter file");
        Ports(exp, false);
        exp->add_option("FILE", o.file, "the parameter file to write")->required();

        auto* set =
            Command("set", "set values, each as the window's menu does, then read them back");
        Ports(set);
        std::string keys;
        for (const std::string_view key : SettableKeys())
            keys.append(keys.empty() ? "" : ", ").append(key);
        set->add_option("FIELD=VALUE", o.assignments,
                        "FIELD is a key as `read --json` prints it: " + keys)
            ->required();

        auto* download = Command("download", "write a parameter file into each module");
        Ports(download);
        download->add_option("FILE", o.file, "the parameter file (export it from a good unit)")
            ->required();
        download->add_flag("--verify", o.verify,
                           "read each module back and compare every field the file set");
        UnitValues(download);
        Sequences(download);

        auto* verify = Command("verify", "compare each module with a parameter file");
        Ports(verify);
        verify->add_option("FILE", o.file, "the parameter file")->required();
        UnitValues(verify);
        Sequences(verify);

        auto* send = Command("send", "send hex data and show what comes back");
        Ports(send);
        send->add_option("HEX", hexPieces, "bytes as hex pairs: 01 02 0A or 01:02:0A")->required();
        send->add_option("--passive-addr", o.passiveAddr,
                         "frame the data for a passive module with this address (two hex digits, "
                         "or \"30 30\")")
            ->type_name("AA");
        send->add_option("--seconds", o.seconds, "how long to show what comes back (default 1)")
            ->type_name("S")
            ->check(CLI::Validator(CLI::NonNegativeNumber).description(""));

        auto* monitor = Command("monitor", "show every packet each module sends, with its time");
        Ports(monitor);
        monitor->add_option("--seconds", o.seconds, "stop after S seconds (default: at Ctrl-C)")
            ->type_name("S")
            ->check(CLI::Validator(CLI::NonNegativeNumber).description(""));

        auto* calibrate = Command("calibrate", "production: write the frequency calibration value");
        Ports(calibrate);
        AccessCode(calibrate);
        calibrate->add_option("VALUE", calibrationPieces,
                              "two hex bytes: 12 34 (or per unit: --unit-values)");
        UnitValues(calibrate);

        for (const auto& [name, what] :
             {std::pair<const char*, const char*>{"start0101",
                                                  "production: start the 0101 test transmission"},
              {"stop0101", "production: stop the 0101 test transmission"},
              {"signal", "production: ask for the signal strength"}}) {
            auto* sc = Command(name, what);
            Ports(sc);
            AccessCode(sc);
            if (std::string(name) == "signal")
                sc->add_flag("--json", o.json, "print JSON");
        }
    }
};

// The parser as the completion reads it; options without a group are hidden.
Grammar GrammarOf(const CLI::App& app) {
    const auto options = [](const CLI::App& a) {
        std::vector<GrammarOption> out;
        for (const CLI::Option* o : a.get_options()) {
            if (o->get_group().empty())
                continue;
            GrammarOption g;
            g.positional = o->get_positional();
            if (g.positional)
                g.names = {o->get_name()};
            for (const std::string& l : o->get_lnames())
                g.names.push_back("--" + l);
            g.typeName = o->get_type_name();
            g.takesValue = o->get_expected_max() > 0 && o->get_type_size_max() > 0;
            g.list = o->get_items_expected_max() > 1;
            out.push_back(std::move(g));
        }
        return out;
    };
    Grammar grammar{options(app), {}};
    for (const CLI::App* sc : app.get_subcommands({}))
        grammar.commands.push_back({sc->get_name(), options(*sc)});
    return grammar;
}

// What a --port or --match can name now, as `tmx7ctl ports` lists it.
CompletionSources SystemCompletionSources() {
    auto rows = std::make_shared<std::optional<std::vector<PortRow>>>();
    const auto list = [rows]() -> const std::vector<PortRow>& {
        if (!*rows) {
            SerialDeviceCatalog catalog;
            *rows = ListPorts(PortDirectory::System(), catalog);
        }
        return **rows;
    };
    CompletionSources s;
    s.portNames = [list] {
        std::vector<std::string> names;
        for (const PortRow& r : list())
            names.push_back(r.name);
        for (const PortRow& r : list()) {
            names.push_back(r.path);
            names.insert(names.end(), r.info.byId.begin(), r.info.byId.end());
            names.insert(names.end(), r.info.byPath.begin(), r.info.byPath.end());
            if (!r.info.serial.empty())
                names.push_back("serial=" + r.info.serial);
        }
        return names;
    };
    s.usbIds = [list] {
        std::vector<std::string> ids;
        for (const PortRow& r : list())
            if (!r.info.vendorId.empty())
                ids.push_back(r.info.vendorId + ":" + r.info.productId);
        return ids;
    };
    return s;
}

std::string Join(const std::vector<std::string>& pieces) {
    std::string out;
    for (const auto& p : pieces)
        out.append(out.empty() ? "" : " ").append(p);
    return out;
}

// The command line's own checks beyond single options: what goes with what,
// and every value checked before any module is touched.
std::string CrossCheck(Invocation& o, const std::vector<std::string>& hexPieces,
                       const std::vector<std::string>& calibrationPieces) {
    const bool unitCommand = o.command != "ports" && o.command != "doctor";
    if (unitCommand && !o.sim && o.ports.empty() && !o.allPorts)
        return "no port given: --port P, --all-ports or --sim";
    if (o.sim && (o.allPorts || !o.ports.empty()))
        return "--sim works on its own simulated module; leave out --port and --all-ports";
    if (o.allPorts && !o.ports.empty())
        return "--all-ports or --port, not both";
    if (o.command == "set") {
        for (const std::string& a : o.assignments) {
            const FieldValueResult v = ParseAssignment(a);
            if (!v.ok())
                return v.error;
            if (v.value->field == Field::SerialFormat && o.assignments.size() > 1)
                return "serialFormat changes the line the module is reached on: set it on its own";
        }
    }
    if (o.command == "send") {
        o.hex = Join(hexPieces);
        std::string pairs;
        if (!o.passiveAddr.empty()) {
            const FieldValueResult addr = ParseFieldValue(Field::PassiveAddr, o.passiveAddr);
            if (!addr.ok())
                return "--passive-addr " + o.passiveAddr +
                       ": not two hex digits such as 1A, or \"31 41\"";
            o.passiveAddr = addr.value->text;
        }
        const SendResult frame =
            BuildDataSend(o.hex, kSendAreaBuffer,
                          o.passiveAddr.empty() ? kModeActive : kModePassive, o.passiveAddr);
        if (!frame.ok())
            return "HEX " + o.hex + ": " +
                   (frame.refusal == SendRefusal::TooLong
                        ? "more than " + std::to_string(kSendAreaBuffer) + " bytes"
                        : std::string("no bytes to send"));
    }
    const bool production = o.command == "calibrate" || o.command == "start0101" ||
                            o.command == "stop0101" || o.command == "signal";
    if (production) {
        const PasswordVerdict verdict = CheckPassword(o.accessCode);
        if (!verdict.accepted)
            return "--access-code: " + std::string(kWrongPasswordText) +
                   " (the access code is wrong)";
    }
    if (o.command == "calibrate") {
        o.calibration = Join(calibrationPieces);
        if (o.calibration.empty() && o.unitValues.empty())
            return "calibrate needs a VALUE (two hex bytes such as 12 34) or --unit-values";
        if (!o.calibration.empty() && !ParseCalibration(o.calibration))
            return "calibration " + o.calibration + ": not two hex bytes such as 12 34";
    }
    if (o.command == "export" && (o.ports.size() > 1))
        return "export writes one file: give one --port";
    return {};
}

std::unique_ptr<sim::Simulator> StartSimulator(const Invocation& o, std::string& error) {
    sim::SimulatorOptions opts;
    const auto line = sim::ParseLineFormat(o.simFormat);
    opts.state.serialBaud = sim::RateCodeForBaud(o.simBaud).value_or(0x06);
    opts.state.serialFormat =
        line ? sim::FormatCodeFor(line->parity, line->stopBits).value_or(0) : 0;
    opts.state.serialMode = o.simMode == "passive" ? 1 : o.simMode == "modbus" ? 2 : 0;
    opts.state.powerMode = o.simPower == "saving" ? 1 : 0;
    auto simulator = std::make_unique<sim::Simulator>(opts);
    if (!simulator->Start()) {
        error = std::string("simulated module: no pseudo-terminal: ") +
                std::strerror(simulator->LastError());
        return nullptr;
    }
    return simulator;
}

bool RowIsFor(const UnitRow& row, const Target& t) {
    const std::string& u = row.unit;
    if (u == t.given || (!t.path.empty() && u == t.path))
        return true;
    if (auto n = ComNumber(u); n && *n == t.number)
        return true;
    if (!t.info.serial.empty() && (u == t.info.serial || u == "serial=" + t.info.serial))
        return true;
    std::error_code ec;
    return !u.empty() && u[0] == '/' && !t.info.canonical.empty() &&
           std::filesystem::canonical(u, ec).string() == t.info.canonical;
}

void Replace(std::vector<FieldValue>& values, FieldValue v) {
    const auto same = std::find_if(values.begin(), values.end(),
                                   [&](const FieldValue& x) { return x.field == v.field; });
    if (same != values.end())
        *same = std::move(v);
    else
        values.push_back(std::move(v));
}

int Finish(const Invocation& o, const std::vector<UnitResult>& results, Console& console) {
    const bool many = results.size() > 1;
    if (o.json && (o.command == "read" || o.command == "detect" || o.command == "signal")) {
        nlohmann::ordered_json all = nlohmann::ordered_json::array();
        for (const auto& r : results)
            if (r.verdict == Verdict::Ok)
                all.push_back(r.json);
        if (!many && !all.empty())
            console.Out(Dump(all.front(), 2) + "\n");
        else if (many)
            console.Out(Dump(all, 2) + "\n");
    } else {
        for (const auto& r : results)
            console.Out(r.stdoutText);
    }
    const bool table = many || o.command == "download" || o.command == "verify";
    if (table && o.command != "monitor" && o.command != "send")
        console.Out(SummaryTable(results));
    bool failed = false;
    bool differs = false;
    for (const auto& r : results) {
        failed = failed || r.verdict == Verdict::Failed;
        differs = differs || r.verdict == Verdict::Differs;
    }
    return failed ? kExitFailed : differs ? kExitDiffers : kExitOk;
}

void Say(Console& console, const std::vector<Finding>& findings, bool& problems) {
    std::string text;
    for (const Finding& f : findings) {
        problems = problems || f.level == Finding::Level::Problem;
        text += f.level == Finding::Level::Problem ? "PROBLEM  "
                : f.level == Finding::Level::Note  ? "note     "
                                                   : "ok       ";
        text += f.text + "\n";
    }
    console.Out(text);
}

// tmx7ctl doctor: the login and the system, then each port (or the one
// asked about), one finding a line; exit 1 when any is a problem.
int Doctor(const Invocation& o, PortDirectory& directory, const SerialDeviceCatalog& catalog,
           Console& console) {
    std::vector<std::string> problemsOfSources;
    const std::vector<PortRow> rows = ListPorts(directory, catalog, &problemsOfSources);
    std::vector<Target> targets;
    if (o.ports.empty()) {
        for (const PortRow& row : rows)
            targets.push_back({row.name, row.number, row.name, row.path, row.info, {}});
    } else {
        std::string error;
        auto resolved = ResolveTargets(o.ports, rows, directory, catalog, error);
        if (!resolved)
            return Usage(o.command, error);
        targets = std::move(*resolved);
    }
    bool problems = false;
    Say(console, ExamineSystem(), problems);
    for (const std::string& p : problemsOfSources)
        Say(console, {{Finding::Level::Problem, p}}, problems);
    if (targets.empty())
        Say(console, {{Finding::Level::Note, "no serial port found"}}, problems);
    for (const Target& t : targets) {
        console.Out(t.name + (t.given != t.name ? " (" + t.given + ")" : std::string()) + "\n");
        if (t.path.empty())
            Say(console, {{Finding::Level::Problem, t.error}}, problems);
        else
            Say(console, ExaminePort(t.path), problems);
    }
    return problems ? kExitFailed : kExitOk;
}

} // namespace

int Main(int argc, char** argv) {
    Cli cli;
    Invocation& o = cli.o;
    // The bash completion asks what fits the word under the cursor; not in
    // the help, as no person types it.
    if (argc >= 2 && std::string_view(argv[1]) == "--complete") {
        std::vector<std::string> words(argv + 2, argv + argc);
        if (words.empty())
            words.emplace_back();
        for (const std::string& c : Complete(GrammarOf(cli.app), words, SystemCompletionSources()))
            std::printf("%s\n", c.c_str());
        return kExitOk;
    }
    try {
        cli.app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return cli.app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return cli.app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return cli.app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string command;
        for (const CLI::App* sc : cli.app.get_subcommands())
            command = sc->get_name();
        return Usage(command, e.what());
    }
    if (!cli.baudText.empty())
        o.baud = std::stoi(cli.baudText);
    if (const std::string wrong = CrossCheck(o, cli.hexPieces, cli.calibrationPieces);
        !wrong.empty())
        return Usage(o.command, wrong);

    PortDirectory& directory = PortDirectory::System();
    SerialDeviceCatalog catalog;
    Console console;
    if (o.command == "ports") {
        std::vector<std::string> problems;
        const std::vector<PortRow> rows = ListPorts(directory, catalog, &problems);
        for (const std::string& problem : problems)
            console.Err("", problem);
        console.Out(o.json ? Dump(PortsJson(rows), 2) + "\n" : PortsText(rows));
        return kExitOk;
    }

    if (o.command == "doctor")
        return Doctor(o, directory, catalog, console);

    // ---- what every unit gets -----------------------------------------------------
    std::vector<Sequence> sequences;
    for (const std::string& s : o.sequences) {
        std::string error;
        const auto seq = ParseSequence(s, error);
        if (!seq)
            return Usage(o.command, error);
        sequences.push_back(*seq);
    }
    ParamSet fileParams;
    if (o.command == "download" || o.command == "verify") {
        const ParamImportResult imported = ImportParamFile(o.file);
        // A missing file would download the defaults: never on a production line.
        if (!imported.fileFound)
            return Usage(o.command, o.file + ": no such parameter file");
        if (!imported.status)
            return Usage(o.command, o.file + ": " + imported.status.message);
        fileParams = imported.params;
        // The download passes over what it cannot write; say so once, so that
        // a file exported from a unit in another mode is no surprise.
        const std::vector<Expectation> written =
            ExpectedAfter(DownloadFrames(BuildDownload(fileParams)));
        std::string skipped;
        for (const auto& row : kFields) {
            const bool passiveOnly =
                row.field == Field::PassiveAddr && fileParams.serialMode != "被动模式";
            if (!DownloadCarries(row.field) || passiveOnly ||
                std::any_of(written.begin(), written.end(),
                            [&](const Expectation& e) { return e.field == row.field; }))
                continue;
            skipped.append(skipped.empty() ? "" : ", ")
                .append(row.key)
                .append(" (")
                .append(fileParams.*row.member)
                .append(")");
        }
        if (!skipped.empty())
            console.Err("", o.file + ": no value to write for " + skipped +
                                "; the modules keep theirs");
    }
    std::optional<UnitTable> table;
    if (!o.unitValues.empty()) {
        std::string text;
        std::string error;
        if (const FileResult read = ReadRegularFile(o.unitValues, 1024 * 1024, text); !read.ok)
            return Usage(o.command, "--unit-values: " + read.message);
        table = ParseUnitTable(text, o.unitValues, error);
        if (!table)
            return Usage(o.command, error);
    }

    // ---- which units ----------------------------------------------------------------
    std::unique_ptr<sim::Simulator> simulator;
    std::vector<Target> targets;
    if (o.sim) {
        std::string error;
        simulator = StartSimulator(o, error);
        if (!simulator) {
            console.Err("", error);
            return kExitFailed;
        }
        o.ports = {simulator->SlavePath()};
    }
    if (o.allPorts) {
        targets = AllPortTargets(directory, catalog, o.match);
        if (targets.empty()) {
            console.Err("", o.match.empty()
                                ? "no serial port found"
                                : "no serial port with a " + o.match + " adapter found");
            return kExitFailed;
        }
    } else {
        std::string error;
        auto resolved =
            ResolveTargets(o.ports, ListPorts(directory, catalog), directory, catalog, error);
        if (!resolved)
            return Usage(o.command, error);
        targets = std::move(*resolved);
    }

    std::vector<UnitPlan> plans;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        UnitPlan plan{targets[i], fileParams, {}, {}, targets[i].error};
        for (const Sequence& s : sequences) {
            FieldValueResult v = SequenceValue(s, i);
            if (!v.ok())
                return Usage(o.command, "--sequence: " + v.error);
            Replace(plan.assigned, std::move(*v.value));
        }
        if (table && plan.error.empty()) {
            const auto row =
                std::find_if(table->rows.begin(), table->rows.end(),
                             [&](const UnitRow& r) { return RowIsFor(r, targets[i]); });
            if (row == table->rows.end()) {
                // A unit without its own values is not given the file's ones.
                plan.error = "no row for " + targets[i].name + " in " + o.unitValues;
            } else {
                for (const FieldValue& v : row->values)
                    Replace(plan.assigned, v);
                plan.calibration = row->calibration;
                if (o.command == "calibrate" && plan.calibration.empty() && o.calibration.empty())
                    plan.error = o.unitValues + " line " + std::to_string(row->line) +
                                 ": no calibration for " + targets[i].name;
            }
        }
        for (const FieldValue& v : plan.assigned)
            ApplyToParams(v, plan.params);
        plans.push_back(std::move(plan));
    }
    if (table) {
        for (const UnitRow& row : table->rows)
            if (std::none_of(targets.begin(), targets.end(),
                             [&](const Target& t) { return RowIsFor(row, t); }))
                console.Err("", o.unitValues + " line " + std::to_string(row.line) + ": " +
                                    row.unit + " is none of the ports");
    }

    std::optional<RecordFile> record;
    if (!o.record.empty()) {
        std::string error;
        record = RecordFile::Open(o.record, error);
        if (!record)
            return Usage(o.command, "--record " + o.record + ": " + error);
    }
    const bool csv = o.record.size() > 4 && o.record.compare(o.record.size() - 4, 4, ".csv") == 0;

    std::unique_ptr<ScaledClock> scaled;
    if (o.timeScale > 1)
        scaled = std::make_unique<ScaledClock>(o.timeScale);
    Clock& clock = scaled ? static_cast<Clock&>(*scaled) : RealClock();

    g_listening.store(o.command == "monitor" || o.command == "send");
    {
        struct sigaction sa {};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
    }

    // ---- every unit on its own thread -----------------------------------------------------
    const RunContext context{o, clock, directory, console, g_interrupted, plans.size() > 1};
    std::vector<UnitResult> results(plans.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (!plans[i].assigned.empty())
            console.Err(plans[i].target.name, "gets " + AssignedText(plans[i].assigned));
        threads.emplace_back([&, i] {
            results[i] = RunUnit(context, plans[i]);
            if (record) {
                std::string error;
                const std::string line =
                    csv ? RecordCsvLine(results[i]) : RecordJsonLine(results[i]);
                if (!record->Append(line, csv ? RecordCsvHeader() : std::string(), error)) {
                    console.Err(plans[i].target.name, "--record " + o.record + ": " + error);
                    // A unit whose record is missing is not done as far as the line is concerned.
                    results[i].verdict = Verdict::Failed;
                    results[i].error = "not recorded: " + error;
                }
            }
        });
    }
    for (auto& t : threads)
        t.join();
    return Finish(o, results, console);
}

} // namespace tmx7::cli
