#pragma once
// What the system counts of this process: resident memory, and the voluntary
// context switches (wake-ups) of all its threads.

#include <cstddef>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <unistd.h>

namespace tmx7::testing {

// Resident set size in KiB from /proc/self/statm; 0 when unreadable.
inline std::size_t ResidentKiB() {
    std::ifstream in("/proc/self/statm");
    std::size_t total = 0, resident = 0;
    if (!(in >> total >> resident))
        return 0;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) / 1024;
}

struct Switches {
    long long voluntary = 0;
    int threads = 0;
};

// Summed over /proc/self/task/*/status; nothing counted when unreadable.
inline Switches CountSwitches() {
    Switches s;
    DIR* d = opendir("/proc/self/task");
    if (d == nullptr)
        return s;
    while (const dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        std::ifstream status(std::string("/proc/self/task/") + e->d_name + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                s.voluntary += std::atoll(line.c_str() + 24);
        ++s.threads;
    }
    closedir(d);
    return s;
}

} // namespace tmx7::testing
