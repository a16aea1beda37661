// A production station on the command line: tmx7ctl downloads and verifies a
// parameter file into one simulated module, then into 16 at once, each on
// its own pty, and lists 16 ports.
//
//   cli_parallel [--modules N] [--scale N]
//
// Prints the wall time of one unit and of N in parallel (the ratio should
// stay at or under 1.15), the CPU time of the tmx7ctl process over its run
// (under 25 % of one core), the frames the modules found malformed (0), the
// modules per hour of one station against the window's one per ~40 s, and
// the median time of `tmx7ctl ports` with N ports mapped. --scale passes the
// tool's hidden faster clock through, for a quick look; the figures are for
// --scale 1 (the default, about 80 s).

#include "platform/Encoding.h"
#include "sim/Simulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Run {
    int exitCode = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

std::string Tool() {
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path().string() + "/cli/tmx7ctl";
}

Run Spawn(std::vector<std::string> args, const std::string& extraEnv = {}) {
    args.insert(args.begin(), Tool());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TMX7_PORTS=", 11) != 0)
            env.emplace_back(*e);
    if (!extraEnv.empty())
        env.push_back(extraEnv);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Run r;
    pid_t pid = -1;
    const auto t0 = std::chrono::steady_clock::now();
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return r;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string ParamFile() {
    const std::string text =
        "[TMX7参数表]\r\n发射功率=5\r\n省电模式=普通模式\r\n串口模式=主动模式\r\n"
        "空中频率=431.250MHz\r\n空中速率=19200bps\r\n组号=05\r\n"
        "省电地址=00 00\r\n省电周期=2\r\n唤醒延时=0.3\r\n";
    const std::string path = (fs::temp_directory_path() / "cli_parallel.tm7").string();
    std::ofstream(path, std::ios::binary) << tmx7::Utf8ToGbk(text).text;
    return path;
}

std::vector<std::unique_ptr<tmx7::sim::Simulator>> Modules(int n) {
    std::vector<std::unique_ptr<tmx7::sim::Simulator>> out;
    for (int i = 0; i < n; ++i) {
        tmx7::sim::SimulatorOptions o; // 9600 n,8,1, paced like a real line
        out.push_back(std::make_unique<tmx7::sim::Simulator>(o));
        if (!out.back()->Start()) {
            std::fprintf(stderr, "cli_parallel: no pty: %s\n",
                         std::strerror(out.back()->LastError()));
            std::exit(1);
        }
    }
    return out;
}

Run Download(const std::vector<std::unique_ptr<tmx7::sim::Simulator>>& modules,
             const std::string& file, int scale) {
    std::vector<std::string> args = {"download", file,           "--verify",
                                     "--baud",   "9600",         "--format",
                                     "n,8,1",    "--time-scale", std::to_string(scale)};
    for (const auto& m : modules) {
        args.push_back("--port");
        args.push_back(m->SlavePath());
    }
    return Spawn(args);
}

std::size_t Malformed(const std::vector<std::unique_ptr<tmx7::sim::Simulator>>& modules,
                      std::size_t& wrongGroup) {
    std::size_t bad = 0;
    for (const auto& m : modules) {
        bad += m->MalformedCount();
        wrongGroup += m->State().group != 0x05;
    }
    return bad;
}

} // namespace

int main(int argc, char** argv) {
    int n = 16;
    int scale = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--modules") == 0)
            n = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--scale") == 0)
            scale = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::string file = ParamFile();

    auto one = Modules(1);
    const Run single = Download(one, file, scale);
    std::size_t wrongOne = 0;
    const std::size_t badOne = Malformed(one, wrongOne);

    auto many = Modules(n);
    const Run parallel = Download(many, file, scale);
    std::size_t wrongMany = 0;
    const std::size_t badMany = Malformed(many, wrongMany);

    const double ratio = parallel.wallSeconds / single.wallSeconds;
    const double cpu = 100.0 * parallel.cpuSeconds / parallel.wallSeconds;
    const double perHour = 3600.0 * n / parallel.wallSeconds;
    std::printf("cli_parallel scale=%d\n", scale);
    std::printf("  one module:  exit %d, wall %.2f s, cpu %.2f s\n", single.exitCode,
                single.wallSeconds, single.cpuSeconds);
    std::printf("  %d modules:  exit %d, wall %.2f s, cpu %.2f s (%.1f %% of one core)\n", n,
                parallel.exitCode, parallel.wallSeconds, parallel.cpuSeconds, cpu);
    std::printf("  wall(%d) / wall(1) = %.3f (target <= 1.15)\n", n, ratio);
    std::printf("  malformed frames: %zu in 1 audit, %zu in %d audits; modules without the new "
                "group: %zu\n",
                badOne, badMany, n, wrongOne + wrongMany);
    std::printf("  one station: %.0f modules per hour (the window: one per ~40 s, 90 per hour)\n",
                perHour / scale);

    // `ports` with n ports mapped to the modules' ptys.
    std::string map = "TMX7_PORTS=";
    for (int i = 0; i < n; ++i)
        map += "COM" + std::to_string(11 + i) + "=" +
               many[static_cast<std::size_t>(i)]->SlavePath() + ";";
    std::vector<double> times;
    int portsExit = 0;
    for (int i = 0; i < 21; ++i) {
        const Run r = Spawn({"ports"}, map);
        portsExit |= r.exitCode;
        times.push_back(r.wallSeconds * 1000.0);
    }
    std::sort(times.begin(), times.end());
    std::printf("  ports with %d ports: exit %d, median %.1f ms, max %.1f ms (target < 50 ms)\n", n,
                portsExit, times[times.size() / 2], times.back());

    const bool ok = single.exitCode == 0 && parallel.exitCode == 0 && badOne + badMany == 0 &&
                    wrongOne + wrongMany == 0 && portsExit == 0;
    return ok ? 0 : 1;
}
