#pragma once
// Kills a process with SIGKILL at random moments while it exports the
// parameter file again and again, and looks at what each kill left: the file
// must hold the old or the new set in full and never be writable; the
// temporary files a kill leaves must be gone after the next export.
// The integration test checks every moment of one export instead
// (tests/integration/export_kill_test.cpp).

#include "protocol/ParamFile.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tmx7::testing {

struct KillTally {
    int kills = 0;
    int partial = 0;          // the file held neither set in full
    int missing = 0;          // the file was gone after it had been written once
    int writable = 0;         // the file had a write bit
    int temporariesSeen = 0;  // temporary files kills left behind (each removed later)
    int killsMidWrite = 0;    // kills that left a temporary: caught inside a write
    int leftAfterLastRun = 0; // names beside the file after one more export
};

// `dir` must be an empty folder; the file is dir/tmx7peizhi.tm7. Each round
// forks a child that exports the two sets in turn without end and kills it
// after a random delay of up to `maxDelayUs`.
inline KillTally KillDuringExports(const std::filesystem::path& dir, int kills, unsigned seed,
                                   int maxDelayUs = 20000) {
    namespace fs = std::filesystem;
    const std::string name = "tmx7peizhi.tm7";
    const std::string target = (dir / name).string();
    const auto bytes = [&] {
        std::ifstream in(target, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const auto others = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir))
            n += e.path().filename() != name;
        return n;
    };
    ParamSet sets[2];
    std::string complete[2]; // each set's file as a lone export writes it
    for (int i = 0; i < 2; ++i) {
        for (const ParamFileKey& k : kParamFileKeys)
            sets[i].*k.field = "********";
        sets[i].group = i == 0 ? "01" : "2E";
        sets[i].frequency = i == 0 ? "431.000MHz" : "435.000MHz";
        ExportParamFile(sets[i], target);
        complete[i] = bytes();
        fs::remove(target);
    }

    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, maxDelayUs);
    KillTally tally;
    bool written = false;
    for (; tally.kills < kills; ++tally.kills) {
        const pid_t child = ::fork();
        if (child == 0)
            for (unsigned i = 0;; ++i)
                ExportParamFile(sets[i % 2], target);
        if (child < 0)
            break;
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            tally.missing += written;
        } else {
            written = true;
            const std::string now = bytes();
            tally.partial += now != complete[0] && now != complete[1];
            tally.writable += (st.st_mode & 0222) != 0;
        }
        const int left = others();
        tally.temporariesSeen += left;
        tally.killsMidWrite += left > 0;
    }
    ExportParamFile(sets[0], target);
    tally.leftAfterLastRun = others();
    return tally;
}

} // namespace tmx7::testing
