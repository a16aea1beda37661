// tmx7ctl as a technician runs it: a separate process against simulated
// modules on ptys, several at once. The tool's waits run 20 times faster
// (its hidden --time-scale), the modules answer in real time.

#include "integration/pty_pair.h"
#include "platform/Encoding.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
// GCC 12 at -O2 with the sanitizers warns that std::function members of the
// regex automaton's states "may be used uninitialized" when a state is moved:
// a false positive inside libstdc++ (GCC bug 105616).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tmx7::sim::Simulator;
using tmx7::sim::SimulatorOptions;

namespace {

constexpr const char* kScale = "20";

struct Ctl {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Tool() {
    // Test programs live in <build>/tests, the tool in <build>/cli.
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path().string() + "/cli/tmx7ctl";
}

// A private home, so no ports file of the user's is read and no pair it
// remembers is tried.
std::string Home() {
    static const std::string home = [] {
        const std::string dir = ::testing::TempDir() + "tmx7ctl_home_" + std::to_string(::getpid());
        fs::create_directories(dir);
        return dir;
    }();
    return home;
}

std::string Temp(const std::string& name) {
    return ::testing::TempDir() + "tmx7ctl_" + std::to_string(::getpid()) + "_" + name;
}

// The tool as a child process, its stdout and stderr into files of its own.
class Process {
public:
    Process(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
        static int runs = 0;
        m_out = Temp("run" + std::to_string(++runs));
        std::vector<std::string> all{Tool()};
        all.insert(all.end(), args.begin(), args.end());
        // `env`, a private home, none of the tool's own variables, the rest
        // as this process has them.
        std::vector<std::string> vars = env;
        const auto add = [&vars](const std::string& v) {
            const std::string name = v.substr(0, v.find('=') + 1);
            if (std::none_of(vars.begin(), vars.end(),
                             [&](const std::string& w) { return w.rfind(name, 0) == 0; }))
                vars.push_back(v);
        };
        for (const char* v : {"HOME=", "XDG_CONFIG_HOME=", "XDG_STATE_HOME="})
            add(v + Home());
        add("TMX7_PORTS=");
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("TMX7_", 0) != 0)
                add(*e);
        std::vector<char*> argv, envp;
        for (auto& a : all)
            argv.push_back(a.data());
        for (auto& v : vars)
            envp.push_back(v.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, (m_out + ".out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&files, 2, (m_out + ".err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&m_pid, argv[0], &files, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    ~Process() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Finish();
        }
    }

    // Waits for the end, then reads what it wrote.
    Ctl Finish() {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        const auto read = [](const std::string& path) {
            std::ifstream in(path, std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)), {});
            fs::remove(path);
            return text;
        };
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                read(m_out + ".out"), read(m_out + ".err")};
    }
    pid_t Pid() const { return m_pid; }

private:
    std::string m_out;
    pid_t m_pid = -1;
};

Ctl RunCtl(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    return Process(args, env).Finish();
}

SimulatorOptions Module(tmx7::sim::FaultConfig faults = {}, int serialMode = 0) {
    SimulatorOptions o; // 9600 baud, n,8,1
    o.pace = false;
    o.faults = faults;
    o.state.serialMode = static_cast<std::uint8_t>(serialMode);
    return o;
}

std::unique_ptr<Simulator> Start(SimulatorOptions options = Module()) {
    auto s = std::make_unique<Simulator>(std::move(options));
    EXPECT_TRUE(s->Start()) << s->LastError();
    return s;
}

// The line settings of the modules and the tool's faster clock.
std::vector<std::string> Args(std::vector<std::string> args,
                              const std::vector<std::unique_ptr<Simulator>>& modules) {
    for (const auto& m : modules) {
        args.push_back("--port");
        args.push_back(m->SlavePath());
    }
    for (const char* a : {"--baud", "9600", "--format", "n,8,1", "--time-scale", kScale})
        args.emplace_back(a);
    return args;
}

// Every set frame a module received, as hex text.
std::vector<std::string> SetFrames(const Simulator& s) {
    std::vector<std::string> out;
    for (const auto& f : s.Frames()) {
        if (f.kind != tmx7::sim::FrameKind::Set)
            continue;
        std::string hex;
        for (std::size_t i = 8; i < f.bytes.size(); ++i) {
            char b[4];
            std::snprintf(b, sizeof b, "%s%02X", i == 8 ? "" : " ", f.bytes[i]);
            hex += b;
        }
        out.push_back(hex);
    }
    return out;
}

// A parameter file as an export from a good unit writes it (code page 936).
std::string ParamFile(const std::string& name, const std::string& serialMode = "主动模式") {
    const std::string text =
        "[TMX7参数表]\r\n版本号=TMX7V1\r\n串口编号=COM1\r\n接口格式=9600,n.8.1\r\n"
        "发射功率=5\r\n省电模式=普通模式\r\n串口模式=" +
        serialMode +
        "\r\n空中频率=431.250MHz\r\n空中速率=19200bps\r\n组号=05\r\n"
        "被动地址=30 30\r\n省电地址=00 00\r\n省电周期=2\r\n唤醒延时=0.3\r\n";
    const std::string path = Temp(name);
    std::ofstream(path, std::ios::binary) << tmx7::Utf8ToGbk(text).text;
    return path;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST(Tmx7ctl, HelpVersionAndRefusals) {
    const std::pair<std::vector<std::string>, const char*> answered[] = {
        {{"--help"},
         "Exit codes: 0 every unit ok; 1 a port or a module failed; 2 the command "
         "line was wrong; 3"},
        {{"download", "--help"}, "--verify"},
        {{"--version"}, "tmx7ctl 0.1.0\n"},
    };
    for (const auto& [args, out] : answered) {
        const Ctl r = RunCtl(args);
        EXPECT_EQ(r.exitCode, 0) << args[0];
        EXPECT_NE(r.out.find(out), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "") << args[0];
    }
    // Refused with exit 2, a word on stderr and nothing on stdout.
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{}, "usage: tmx7ctl COMMAND"},
        {{"read", "--port", "COM1", "--frob"}, "--frob\nusage: tmx7ctl read PORTS"},
        {{"read", "--port=COM1", "--baud=1234"},
         "--baud: \"1234\" is not a baud rate of the module (1200, 2400, 4800, 9600, 19200, "
         "38400 or 57600)"},
        {{"read", "--port", "COM1", "--format", "n,8,1"}, "--format requires --baud"},
        {{"read", "--port", "COM1", "--format=x,8,1", "--baud", "9600"},
         "\"x,8,1\" is not a line format"},
        {{"read"}, "no port given: --port P, --all-ports or --sim"},
        {{"read", "--port", "nowhere"}, "--port nowhere: not COM<n>, a device path"},
        {{"read", "--port", "COM3", "--port", "com3"}, "are the same port (COM3)"},
        {{"set", "--port", "COM1", "serialFormat=e.8.1", "group=01"},
         "serialFormat changes the line"},
        {{"set", "--port", "COM1", "speed=1"}, "speed=1: no field \"speed\""},
        {{"download", "--port", "COM1", "/nonexistent/p.tm7"},
         "/nonexistent/p.tm7: no such parameter file"},
        {{"download", "--port", "COM1", "x.tm7", "--sequence", "group=1FF"},
         "group: unit 1 would get 1FF, outside 00..FF"},
        {{"calibrate", "--port", "COM1", "--access-code", "123456", "12", "34"},
         "请输入正确的密码"},
        {{"send", "--port", "COM1", "01", "02", "--passive-addr", "XYZ"},
         "--passive-addr XYZ: not two hex digits"},
    };
    for (const auto& [args, err] : refused) {
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        const Ctl r = RunCtl(args);
        EXPECT_EQ(r.exitCode, 2) << line << "\n" << r.err;
        EXPECT_NE(r.err.find(err), std::string::npos) << line << "\n" << r.err;
        EXPECT_EQ(r.out, "") << line;
    }
}

TEST(Tmx7ctl, PortsJsonIsValidUtf8WhateverThePathsHold) {
    auto a = Start();
    auto b = Start();
    const std::string dir = Temp("links");
    fs::create_directories(dir);
    const std::string chinese = dir + "/端口一";
    const std::string invalid = dir + "/bad\xff\xfe";
    fs::remove(chinese);
    fs::remove(invalid);
    fs::create_symlink(a->SlavePath(), chinese);
    fs::create_symlink(b->SlavePath(), invalid);
    const Ctl r = RunCtl({"ports", "--json"}, {"TMX7_PORTS=COM7=" + chinese + ";COM8=" + invalid});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The parser refuses text that is not UTF-8.
    const auto ports = nlohmann::json::parse(r.out);
    std::map<std::string, nlohmann::json> byName;
    for (const auto& p : ports)
        byName[p.at("name").get<std::string>()] = p;
    ASSERT_EQ(byName.count("COM7"), 1u) << r.out;
    ASSERT_EQ(byName.count("COM8"), 1u) << r.out;
    EXPECT_EQ(byName["COM7"]["path"], chinese);
    EXPECT_EQ(byName["COM7"]["device"], a->SlavePath());
    EXPECT_EQ(byName["COM8"]["path"], dir + "/bad\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(byName["COM8"]["usb"], "") << "a pty has no USB adapter";
}

TEST(Tmx7ctl, SetWritesEachFieldAsTheMenuDoesAndReadsItBack) {
    std::vector<std::unique_ptr<Simulator>> modules;
    modules.push_back(Start());
    const Ctl r =
        RunCtl(Args({"set", "txFrequency=431.250", "airRate=19200bps", "power=3级", "group=7",
                     "powerMode=saving", "serialMode=被动模式", "sleepPeriod=10", "saveAddr=1234",
                     "wakeDelay=0.6", "passiveAddr=1a"},
                    modules));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(SetFrames(*modules[0]),
              (std::vector<std::string>{"FF 01 00 00 01 00 00 00", "FC 01 07", "FB 01 03",
                                        "E7 01 07", "A5 01 01", "F8 01 01", "A4 01 05",
                                        "A3 01 12 34", "A1 01 00 02", "E2 01 31 41"}));
    EXPECT_EQ(r.out, "txFrequency 431.250MHz\nairRate 19200bps\npower 3\ngroup 07\n"
                     "powerMode 省电模式\nserialMode 被动模式\nsleepPeriod 10\nsaveAddr 12 34\n"
                     "wakeDelay 0.6\npassiveAddr 31 41\n");
    EXPECT_EQ(modules[0]->MalformedCount(), 0u);

    // A value the dialog would refuse: nothing reaches the line, not even a query.
    modules[0]->ClearAudit();
    const Ctl refused = RunCtl(Args({"set", "group=7", "wakeDelay=0.5"}, modules));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("wakeDelay=0.5: not a multiple of 0.3 from 0.3 to 19660.5"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(modules[0]->FrameCount(), 0u);

    // The serial format changes the module's line: the advice, and no read.
    const Ctl format = RunCtl(Args({"set", "serialFormat=e.8.1"}, modules));
    EXPECT_EQ(format.exitCode, 0) << format.err;
    EXPECT_TRUE(modules[0]->WaitForFrames(1, tmx7::Millis(2000)));
    EXPECT_EQ(SetFrames(*modules[0]), std::vector<std::string>{"AB 01 05"});
    EXPECT_NE(format.err.find("您已经改变串口的格式，按确定后手动重启该软件"), std::string::npos);
}

TEST(Tmx7ctl, DownloadVerifyNamesTheFieldAModuleDidNotKeep) {
    tmx7::sim::FaultConfig drop;
    drop.ignoreSetOf = 0xE7; // the group
    std::vector<std::unique_ptr<Simulator>> modules;
    modules.push_back(Start(Module(drop)));
    const std::string file = ParamFile("verify.tm7");
    const Ctl r = RunCtl(Args({"download", file, "--verify"}, modules));
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(SetFrames(*modules[0]),
              (std::vector<std::string>{"E7 01 05", "A5 01 00", "F8 01 00", "A3 01 00 00",
                                        "A4 01 01", "A1 01 00 01", "FF 01 00 00 01 00 00 00",
                                        "FC 01 07", "FB 01 05"}));
    EXPECT_NE(r.out.find("group: wanted 05, module has 00\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("differs"), std::string::npos) << "the summary says so: " << r.out;
    // The refresh steps its bar back from 180 to 170: what is printed never goes back.
    std::vector<int> shown;
    const std::regex percent(R"(: (downloading|reading back) (\d+)%\n)");
    for (auto it = std::sregex_iterator(r.err.begin(), r.err.end(), percent);
         it != std::sregex_iterator(); ++it)
        shown.push_back(std::stoi((*it)[2]));
    ASSERT_GE(shown.size(), 5u) << r.err;
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end(), std::less_equal<int>())) << r.err;
    EXPECT_EQ(shown.back(), 100);
    EXPECT_NE(r.err.find("not read back (the module reports them only in power-saving or passive "
                         "mode): sleepPeriod, saveAddr, wakeDelay"),
              std::string::npos)
        << r.err;

    // The comparison alone finds the same, and a module that holds it all passes.
    modules[0]->ClearAudit();
    const Ctl check = RunCtl(Args({"verify", file}, modules));
    EXPECT_EQ(check.exitCode, 3);
    EXPECT_NE(check.out.find("group: wanted 05, module has 00\n"), std::string::npos) << check.out;
    EXPECT_EQ(SetFrames(*modules[0]).size(), 0u) << "verify writes nothing";
    auto state = modules[0]->State();
    state.group = 0x05;
    modules[0]->SetState(state);
    EXPECT_EQ(RunCtl(Args({"verify", file}, modules)).exitCode, 0);
}

TEST(Tmx7ctl, OnePortOfFourHangsUpMidDownloadAndTheOthersFinish) {
    tmx7::sim::FaultConfig unplug;
    unplug.hangUpAfterFrames = 9 + 4; // the read before the download, then four of its frames
    std::vector<std::unique_ptr<Simulator>> modules;
    for (int i = 0; i < 4; ++i)
        modules.push_back(Start(Module(i == 2 ? unplug : tmx7::sim::FaultConfig{})));
    const std::string record = Temp("four.jsonl");
    fs::remove(record);
    const Ctl r =
        RunCtl(Args({"download", ParamFile("four.tm7"), "--verify", "--record", record}, modules));
    EXPECT_EQ(r.exitCode, 1) << r.err;

    const std::regex failedRow(
        modules[2]->SlavePath() +
        R"(\s+failed\s+\S+\s+the port hung up \(adapter unplugged\?\) during the download after [1-8] of 9 frames\n)");
    EXPECT_TRUE(std::regex_search(r.out, failedRow)) << r.out;
    EXPECT_NE(r.out.find("3 of 4 units ok"), std::string::npos) << r.out;
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(modules[i]->State().group, 0x05) << i;
        EXPECT_EQ(modules[i]->State().channel, 0x01) << i;
        EXPECT_EQ(modules[i]->MalformedCount(), 0u) << i;
    }
    const auto lines = Lines(record);
    ASSERT_EQ(lines.size(), 4u);
    int ok = 0;
    for (const std::string& line : lines) {
        const auto unit = nlohmann::json::parse(line);
        if (unit["device"] == modules[2]->SlavePath()) {
            EXPECT_EQ(unit["result"], "failed");
            EXPECT_EQ(unit["exitCode"], 1);
            EXPECT_NE(unit["error"].get<std::string>().find("hung up"), std::string::npos) << line;
            EXPECT_EQ(unit["before"]["txFrequency"], "433.000MHz");
        } else {
            ok += unit["result"] == "ok";
            EXPECT_EQ(unit["verification"]["verified"], 7) << line;
            EXPECT_EQ(unit["before"]["group"], "00") << line;
            EXPECT_EQ(unit["after"]["group"], "05") << line;
            EXPECT_EQ(unit["moduleVersion"], "TMX7V1");
        }
    }
    EXPECT_EQ(ok, 3);
}

TEST(Tmx7ctl, EachUnitGetsItsOwnValues) {
    std::vector<std::unique_ptr<Simulator>> modules;
    for (int i = 0; i < 3; ++i)
        modules.push_back(Start(Module({}, 1)));
    const std::string csv = Temp("units.csv");
    std::ofstream(csv) << "port;group\n"
                       << modules[0]->SlavePath() << ";0A\n"
                       << modules[1]->SlavePath() << ";\"0B\"\n"
                       << modules[2]->SlavePath() << ";\n";
    const std::string record = Temp("units-record.csv");
    fs::remove(record);
    const Ctl r =
        RunCtl(Args({"download", ParamFile("units.tm7", "被动模式"), "--verify", "--sequence",
                     "passiveAddr=1E", "--unit-values", csv, "--record", record},
                    modules));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::array<std::array<std::uint8_t, 2>, 3> addr = {{{'1', 'E'}, {'1', 'F'}, {'2', '0'}}};
    const std::array<std::uint8_t, 3> group = {0x0A, 0x0B, 0x05};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(modules[i]->State().passiveAddr, addr[i]) << i;
        EXPECT_EQ(modules[i]->State().group, group[i]) << i;
    }
    EXPECT_NE(r.out.find("passiveAddr=31 45 group=0A"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("passiveAddr=32 30  "), std::string::npos)
        << "the file's group: " << r.out;
    EXPECT_NE(r.out.find("8 fields verified"), std::string::npos)
        << "the passive address too: " << r.out;
    // A record named .csv is a table with a header. (Whole lines after a kill:
    // record_file_test.)
    const auto lines = Lines(record);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("time,command,port,device,adapterSerial,moduleVersion,result,", 0),
              0u);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find(",download,"), std::string::npos) << lines[i];
}

TEST(Tmx7ctl, CtrlCLetsADownloadFinishTheModule) {
    std::vector<std::unique_ptr<Simulator>> modules;
    modules.push_back(Start());
    const std::string record = Temp("interrupted.jsonl");
    fs::remove(record);
    Process run(Args({"download", ParamFile("ctrlc.tm7"), "--record", record}, modules));
    ASSERT_TRUE(modules[0]->WaitForFrames(2, tmx7::Millis(5000)));
    ::kill(run.Pid(), SIGINT);
    const Ctl r = run.Finish();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("finishing what each module is in the middle of"), std::string::npos)
        << r.err;
    EXPECT_EQ(SetFrames(*modules[0]).size(), 9u) << "every frame of the download";
    EXPECT_EQ(Lines(record).size(), 1u);
}

TEST(Tmx7ctl, ReadSendAndProductionOnOneModule) {
    SimulatorOptions gbk = Module();
    gbk.state.version = {'T', 'M', 'X', '7', 0xB0, 0xE6}; // "版" in code page 936
    std::vector<std::unique_ptr<Simulator>> modules;
    modules.push_back(Start(gbk));

    const Ctl read = RunCtl(Args({"read", "--json"}, modules));
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const auto values = nlohmann::json::parse(read.out);
    EXPECT_EQ(values["version"], "TMX7版");
    EXPECT_EQ(values["txFrequency"], "433.000MHz");
    EXPECT_EQ(values["sleepPeriod"], "********");
    EXPECT_EQ(values.size(), 4u + 17u);

    // Active mode loops data back over the radio link.
    const Ctl send = RunCtl(Args({"send", "01:02", "0A", "--seconds", "0.5"}, modules));
    EXPECT_EQ(send.exitCode, 0) << send.err;
    EXPECT_TRUE(
        std::regex_match(send.out, std::regex(R"(\[\d\d:\d\d:\d\d\.\d{3}\] 发→ 01 02 0A\n)"
                                              R"(\[\d\d:\d\d:\d\d\.\d{3}\] 收← 01 02 0A\n)")))
        << send.out;
    modules[0]->ClearAudit();
    EXPECT_EQ(
        RunCtl(Args({"send", "01", "--passive-addr", "00", "--seconds", "0"}, modules)).exitCode,
        0);
    EXPECT_TRUE(modules[0]->WaitForFrames(1, tmx7::Millis(2000)));
    ASSERT_EQ(modules[0]->Frames().size(), 1u);
    EXPECT_EQ(modules[0]->Frames()[0].bytes,
              (std::vector<std::uint8_t>{0x24, 0x30, 0x30, 0x57, 0x00, 0x01, 0x01, 0x0D}));

    modules[0]->ClearAudit();
    const Ctl calibrate =
        RunCtl(Args({"calibrate", "--access-code", "517204", "12", "3f"}, modules));
    EXPECT_EQ(calibrate.exitCode, 0) << calibrate.err;
    EXPECT_TRUE(modules[0]->WaitForFrames(1, tmx7::Millis(2000)));
    EXPECT_EQ(modules[0]->State().freqCalibration, (std::array<std::uint8_t, 2>{0x12, 0x3F}));
    const Ctl signal = RunCtl(Args({"signal"}, modules), {"TMX7_ACCESS_CODE=517204"});
    EXPECT_EQ(signal.exitCode, 0) << signal.err;
    EXPECT_EQ(signal.out, "signal strength 5A (90)\n");
}

// A read that did not get every answer is a failure, and an export of it
// leaves the file that was there.
TEST(Tmx7ctl, AReadOrExportWithAnswersMissingFailsAndKeepsTheOldFile) {
    tmx7::sim::FaultConfig garbage;
    garbage.garbage = true;
    std::vector<std::unique_ptr<Simulator>> modules;
    modules.push_back(Start(Module(garbage)));
    const Ctl read = RunCtl(Args({"read", "--json"}, modules));
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_EQ(read.out, "");
    EXPECT_NE(read.err.find("the module did not answer for "), std::string::npos) << read.err;
    EXPECT_NE(read.err.find("txFrequency"), std::string::npos) << read.err;

    const std::string file = ParamFile("kept.tm7");
    const auto before = Lines(file);
    const Ctl exported = RunCtl(Args({"export", file}, modules));
    EXPECT_EQ(exported.exitCode, 1) << exported.err;
    EXPECT_NE(exported.err.find("the module did not answer for "), std::string::npos)
        << exported.err;
    EXPECT_EQ(Lines(file), before);
}

TEST(Tmx7ctl, DoctorSaysWhoHoldsAPortAndExitsOneForAProblem) {
    auto module = Start();
    const std::string path = module->SlavePath();
    const Ctl free = RunCtl({"doctor", "--port", path});
    EXPECT_EQ(free.exitCode, 0) << free.out;
    EXPECT_EQ(free.out.rfind("ok       user ", 0), 0u) << free.out;
    EXPECT_NE(free.out.find("\nok       " + path + ": opens and can be locked\n"),
              std::string::npos)
        << free.out;

    // Another program holds a lock on it.
    tmx7::testing::LockHolder holder(path);
    const std::string pid = std::to_string(holder.pid());
    const Ctl busy = RunCtl({"doctor", "--port", path});
    holder.release();
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_NE(busy.out.find("PROBLEM  " + path + ": held by flock (PID " + pid + ") with a lock\n"),
              std::string::npos)
        << busy.out;
    EXPECT_NE(busy.out.find("PROBLEM  " + path + ": trial open failed: " + path +
                            "已被其他程序占用：flock（PID " + pid + "）\n"),
              std::string::npos)
        << busy.out;
}

TEST(Tmx7ctl, MonitorPrintsTimedLinesAndTakesAnUnpluggedModuleUpAgain) {
    const std::string link = Temp("ttyUSB0");
    fs::remove(link);
    auto first = Start();
    auto second = Start(); // made now, so its pty cannot take the number the first frees
    fs::create_symlink(first->SlavePath(), link);
    Process monitor({"monitor", "--port", link, "--baud", "9600", "--format", "n,8,1",
                     "--time-scale", kScale, "--seconds", "4"});
    for (int i = 0; i < 400 && !first->SlaveOpen(); ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(first->SlaveOpen()) << "the monitor never opened the port";
    first->HangUp();
    const std::string temp = link + ".new";
    fs::remove(temp);
    fs::create_symlink(second->SlavePath(), temp);
    fs::rename(temp, link);
    // Taken up again: reopened and read.
    EXPECT_TRUE(second->WaitForFrames(9, tmx7::Millis(5000)));
    const Ctl r = monitor.Finish();
    fs::remove(link);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("the port hung up (adapter unplugged?); waiting for it to come back"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("back at " + link + ": reopened at 9600 n,8,1, reading its values"),
              std::string::npos)
        << r.err;
    // The refresh's queries and the answers, however the answers were cut
    // into packets: the version query first, its answer first to come back.
    EXPECT_TRUE(std::regex_search(
        r.out, std::regex(R"(^\[\d\d:\d\d:\d\d\.\d{3}\] 发→ 1F 2F 3F 4F 5F 6F 7F 8F EC 03\n)")))
        << r.out;
    EXPECT_TRUE(std::regex_search(
        r.out, std::regex(R"(\n\[\d\d:\d\d:\d\d\.\d{3}\] 收← 1F 2F 3F 4F 5F 6F 7F 8F EC 03 54 4D)"
                          R"( 58 37 56 31[ 0-9A-F]*\n)")))
        << r.out;
}
