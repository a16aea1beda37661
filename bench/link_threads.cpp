// Threads per open port: /proc/self/task counted before and after each Open
// of three ports, and after the table is gone. Target: exactly 1 per port,
// and every one joined at the end.

#include "bench_pty.h"
#include "link/PortTable.h"

#include <dirent.h>
#include <memory>
#include <vector>

using namespace tmx7;

namespace {

int threadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

} // namespace

int main() {
    constexpr int kPorts = 3;
    std::vector<std::unique_ptr<bench::Pty>> ptys;
    for (int i = 1; i <= kPorts; ++i) {
        ptys.push_back(std::make_unique<bench::Pty>());
        if (!ptys.back()->open(i))
            return 1;
    }
    const int before = threadCount();
    bool ok = true;
    int opened = before;
    {
        CPortTable table;
        int last = before;
        for (int i = 1; i <= kPorts; ++i) {
            if (table.Open(i, 9600, "n,8,1") != 1) {
                std::fprintf(stderr, "link_threads: cannot open COM%d\n", i);
                return 1;
            }
            const int now = threadCount();
            std::printf("link_threads open COM%d: threads %d -> %d (+%d)\n", i, last, now,
                        now - last);
            ok = ok && now - last == 1;
            last = now;
        }
        opened = last;
    }
    const int after = threadCount();
    ok = ok && after == before;
    std::printf("link_threads ports=%d threads-per-port=%.2f after-teardown=%+d (target 1 and "
                "+0) %s\n",
                kPorts, static_cast<double>(opened - before) / kPorts, after - before,
                ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
