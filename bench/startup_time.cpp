// Start-up time of tmx7config: from starting the process to its serial
// settings dialog being shown.
//   startup_time [PATH-TO-tmx7config] [RUNS]
// Uses the display if there is one, else the offscreen platform. Target:
// 100 ms median. The program runs in a scratch folder, where it keeps its
// user data file.

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string DefaultProgram() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "tmx7config";
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.find_last_of('/'));
    return dir + "/../src/ui/app/tmx7config";
}

struct Sample {
    double wallMs = -1;
    std::string line; // what the program reported
};

Sample RunOnce(const std::string& program) {
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--sim"), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    Sample s;
    if (rc != 0) {
        close(fds[0]);
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(rc));
        return s;
    }
    char buf[256];
    std::string out;
    ssize_t n;
    while (out.find('\n') == std::string::npos && (n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    const auto shown = std::chrono::steady_clock::now();
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (out.find("shown") != std::string::npos) {
        s.wallMs = std::chrono::duration<double, std::milli>(shown - start).count();
        s.line = out.substr(0, out.find('\n'));
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    char resolved[PATH_MAX];
    const std::string given = argc >= 2 ? argv[1] : DefaultProgram();
    const std::string program = realpath(given.c_str(), resolved) ? resolved : given;
    char scratch[] = "/tmp/tmx7_startup_XXXXXX";
    if (!mkdtemp(scratch) || chdir(scratch) != 0)
        return 1;
    const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 7;
    setenv("TMX7_STARTUP_PROBE", "1", 1);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);

    RunOnce(program); // warms the file cache; not counted
    std::vector<double> ms;
    std::string line;
    for (int i = 0; i < runs; ++i) {
        const Sample s = RunOnce(program);
        if (s.wallMs < 0) {
            std::fprintf(stderr, "run %d: no window reported\n", i);
            return 1;
        }
        ms.push_back(s.wallMs);
        line = s.line;
    }
    std::filesystem::remove_all(scratch);
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf(
        "start-up to the settings dialog (%s), %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
        std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "display", runs,
        ms.front(), median, ms.back());
    std::printf("program's own figure (last run): %s\n", line.c_str());
    std::printf("target 100 ms: %s\n", median <= 100.0 ? "met" : "missed");
    return median <= 100.0 ? 0 : 1;
}
