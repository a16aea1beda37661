#pragma once
// Kills a process with SIGKILL at random moments while it exports the
// parameter file again and again, and looks at what each kill left: the file
// must hold the old or the new set in full and never be writable; the
// temporary files a kill leaves must be gone after the next export.
// Shared by the short test, the soak run and the benchmark.

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

namespace detail {

inline ParamSet KillSet(const char* group, const char* frequency) {
    ParamSet p;
    for (const ParamFileKey& k : kParamFileKeys)
        p.*k.field = "********";
    p.group = group;
    p.frequency = frequency;
    p.portName = "COM1";
    return p;
}

inline std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline int OtherNames(const std::filesystem::path& dir, const std::string& keep) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        n += e.path().filename() != keep;
    return n;
}

} // namespace detail

// `dir` must be an empty folder; the file is dir/tmx7peizhi.tm7. Each round
// forks a child that exports the two sets in turn without end and kills it
// after a random delay of up to `maxDelayUs`.
inline KillTally KillDuringExports(const std::filesystem::path& dir, int kills, unsigned seed,
                                   int maxDelayUs = 20000) {
    namespace fs = std::filesystem;
    const ParamSet sets[2] = {detail::KillSet("01", "431.000MHz"),
                              detail::KillSet("2E", "435.000MHz")};
    // The two complete files, as a lone export writes them.
    std::string complete[2];
    const fs::path reference = dir.parent_path() / (dir.filename().string() + "-reference");
    fs::create_directories(reference);
    for (int i = 0; i < 2; ++i) {
        const std::string path = (reference / ("set" + std::to_string(i))).string();
        ExportParamFile(sets[i], path);
        complete[i] = detail::Bytes(path);
    }
    fs::remove_all(reference);

    const std::string name = "tmx7peizhi.tm7";
    const std::string target = (dir / name).string();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, maxDelayUs);
    KillTally tally;
    bool written = false;
    for (int round = 0; round < kills; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (unsigned i = 0;; ++i)
                ExportParamFile(sets[i % 2], target);
        }
        if (child < 0)
            break;
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ++tally.kills;

        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            tally.missing += written;
        } else {
            written = true;
            const std::string bytes = detail::Bytes(target);
            tally.partial += bytes != complete[0] && bytes != complete[1];
            tally.writable += (st.st_mode & 0222) != 0;
        }
        const int left = detail::OtherNames(dir, name);
        tally.temporariesSeen += left;
        tally.killsMidWrite += left > 0;
    }
    ExportParamFile(sets[0], target);
    tally.leftAfterLastRun = detail::OtherNames(dir, name);
    return tally;
}

} // namespace tmx7::testing
