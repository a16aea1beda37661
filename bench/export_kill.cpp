// 200 kills (SIGKILL) at random moments while a process exports the
// parameter file again and again. Reports how many kills left a partial
// file, a writable file or temporaries, how many landed inside a write, and
// the names left beside the file after one more export (all must be 0 but
// the count of kills inside a write).

#include "bench/export_kill_rig.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    const int kills = argc > 1 ? std::atoi(argv[1]) : 200;
    char tpl[] = "/tmp/tmx7-export-kill-XXXXXX";
    if (::mkdtemp(tpl) == nullptr)
        return 1;
    const std::filesystem::path root = tpl;
    std::filesystem::create_directory(root / "target");
    const auto t = tmx7::testing::KillDuringExports(root / "target", kills, 1);
    std::filesystem::remove_all(root);
    std::printf("%d kills during export: %d inside a write (%d temporaries left by them)\n",
                t.kills, t.killsMidWrite, t.temporariesSeen);
    std::printf("partial files %d, missing files %d, writable files %d, "
                "names left beside the file after a following export %d\n",
                t.partial, t.missing, t.writable, t.leftAfterLastRun);
    return t.partial + t.missing + t.writable + t.leftAfterLastRun == 0 ? 0 : 1;
}
