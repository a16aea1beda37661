#pragma once
// Resident memory of this process, for the long-running data bench.

#include <cstddef>
#include <fstream>
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

} // namespace tmx7::testing
