// The command-line tool as a technician runs it, against its in-process
// simulated module.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

struct Run {
    int exitCode = -1;
    std::string out;
};

// Test programs live in <build>/tests, the tool in <build>/cli.
std::string BuildDir() {
    const auto exe = std::filesystem::read_symlink("/proc/self/exe");
    return exe.parent_path().parent_path().string();
}

Run RunCtl(const std::string& args) {
    Run r;
    const std::string cmd = BuildDir() + "/cli/tmx7ctl " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// What the tool says on stderr; stdout is dropped. `env` goes before the command.
Run RunCtlErr(const std::string& args, const std::string& env = {}, bool keepStdout = false) {
    Run r;
    const std::string cmd = env + " timeout 20 " + BuildDir() + "/cli/tmx7ctl " + args +
                            (keepStdout ? " 2>&1" : " 2>&1 >/dev/null");
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// Flat JSON object of string and number values, as tmx7ctl prints it.
std::map<std::string, std::string> ParseFlatJson(const std::string& json) {
    std::map<std::string, std::string> out;
    static const std::regex pair(R"re("([A-Za-z]+)":\s*(?:"([^"]*)"|(\d+)))re");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), pair);
         it != std::sregex_iterator(); ++it)
        out[(*it)[1]] = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
    return out;
}

} // namespace

TEST(Tmx7ctl, ReadSimJsonHoldsEveryValue) {
    const auto r = RunCtl("read --sim --baud 9600 --sim-mode passive --sim-power saving --json");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto v = ParseFlatJson(r.out);
    const std::map<std::string, std::string> expected = {
        {"baud", "9600"},
        {"lineFormat", "n,8,1"},
        {"txFrequency", "433.000MHz"},
        {"rxFrequency", "433.000MHz"},
        {"airRate", "9600bps"},
        {"serialFormat", "9600,n.8.1"},
        {"version", "TMX7V1"},
        {"power", "7"},
        {"group", "00"},
        {"powerMode", "省电模式"},
        {"serialMode", "被动模式"},
        {"sleepPeriod", "2"},
        {"addrType", "ASC"},
        {"addrStart", "01"},
        {"saveAddr", "00 00"},
        {"groupMax", "10"},
        {"wakeDelay", "0.3"},
        {"addrLength", "02"},
        {"passiveAddr", "30 30"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(v.count(key) ? v.at(key) : "<missing>", value) << key;
    EXPECT_EQ(v.size(), expected.size() + 1) << "plus the port";
}

TEST(Tmx7ctl, ExportWritesTheParameterFile) {
    const std::string path = ::testing::TempDir() + "tmx7ctl_export.tm7";
    std::remove(path.c_str());
    const auto r = RunCtl("export --sim --baud 9600 --format n,8,1 " + path);
    ASSERT_EQ(r.exitCode, 0);
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("433.000MHz"), std::string::npos);
    EXPECT_NE(text.find("TMX7V1"), std::string::npos);
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    std::remove(path.c_str());
}

TEST(Tmx7ctl, UsageErrorsAndFailuresHaveTheirExitCodes) {
    EXPECT_EQ(RunCtl("read").exitCode, 2) << "no port";
    EXPECT_EQ(RunCtl("read --port COM1 --format n,8,1").exitCode, 2) << "format without baud";
    // The simulated module runs at 9600: a confirm at 2400 finds nothing.
    EXPECT_EQ(RunCtl("detect --sim --baud 2400").exitCode, 1);
    const auto ok = RunCtl("detect --sim --baud 9600");
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_NE(ok.out.find(" 9600 n,8,1"), std::string::npos) << ok.out;
}

// Every refusal of a command line says what was wrong (some used to end with
// exit code 2 and not a word).
TEST(Tmx7ctl, EveryBadOptionValueIsNamed) {
    const struct {
        const char* args;
        const char* said;
    } cases[] = {
        {"read --sim --baud 9600 --format garbage",
         "tmx7ctl: --format: \"garbage\" is not a line format (n,8,1 n,8,2 o,8,1 o,8,2 e,8,1 "
         "or e,8,2; N, O, E too)"},
        {"read --sim --sim-mode bogus",
         "tmx7ctl: --sim-mode: \"bogus\" is not active, passive or modbus"},
        {"read --sim --sim-power off", "tmx7ctl: --sim-power: \"off\" is not normal or saving"},
        {"detect --sim --baud 1234",
         "tmx7ctl: --baud: \"1234\" is not a baud rate of the module (1200, 2400, 4800, 9600, "
         "19200, 38400 or 57600)"},
        {"detect --sim --sim-baud fast",
         "tmx7ctl: --sim-baud: \"fast\" is not a baud rate of the module (1200, 2400, 4800, "
         "9600, 19200, 38400 or 57600)"},
        {"read --port XYZ",
         "tmx7ctl: --port: \"XYZ\" is not COM1..COM1024 or a device path (/dev/...)"},
        {"read --sim --port", "tmx7ctl: --port needs a value"},
        {"read --sim --verbose", "tmx7ctl: unknown option: --verbose"},
        {"frobnicate --sim", "tmx7ctl: unknown command: frobnicate"},
        {"export --sim", "tmx7ctl: export needs one FILE"},
        {"read --sim out.tm7", "tmx7ctl: read takes no FILE: out.tm7"},
        {"", "tmx7ctl: no command given"},
    };
    for (const auto& c : cases) {
        const auto r = RunCtlErr(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args;
        EXPECT_EQ(FirstLine(r.out), c.said) << c.args;
    }
}

// A ports file that is no file is passed over with a word, never waited on
// (a FIFO used to hang `tmx7ctl ports`, a link to /dev/zero to abort it).
TEST(Tmx7ctl, PortsListingSurvivesAPortsFileThatIsNoFile) {
    namespace fs = std::filesystem;
    const fs::path cfg = fs::path(::testing::TempDir()) / "tmx7ctl-ports-cfg";
    fs::remove_all(cfg);
    fs::create_directories(cfg / "tmx7");
    const fs::path file = cfg / "tmx7/ports";
    const std::string env = "XDG_CONFIG_HOME=" + cfg.string() + " TMX7_PORTS=COM77=/dev/pts/77";
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    auto r = RunCtlErr("ports", env);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(FirstLine(r.out),
              "ports file not used: open " + file.string() + ": a FIFO, not a regular file");
    fs::remove(file);
    fs::create_symlink("/dev/zero", file);
    r = RunCtlErr("ports", env, true);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(FirstLine(r.out), "ports file not used: open " + file.string() +
                                    ": a character device, not a regular file");
    EXPECT_NE(r.out.find("\nCOM77\t/dev/pts/77\t\n"), std::string::npos) << r.out;
    fs::remove_all(cfg);
}
