// Download timing: the plan's pause sum against the pauses the module needs
// (28 s outside passive mode, 30 s in passive mode), and the wall time of a
// real download into the simulated module on a pty.
//
//   download_timing [--passive] [--scale N]
//
// --scale N divides every pause by N (default 1: a full ~28 s run). The
// ratio printed is wall time / (pause sum / N); the target is within 2 %.

#include "link/PortTable.h"
#include "settings/Download.h"
#include "sim/Simulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

using namespace tmx7;

namespace {

class NullSink : public EventSink {
public:
    void Post(std::vector<Event> events) override { m_count += events.size(); }
    std::size_t Count() const { return m_count; }

private:
    std::size_t m_count = 0;
};

} // namespace

int main(int argc, char** argv) {
    bool passive = false;
    double scale = 1.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--passive") == 0)
            passive = true;
        else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            scale = std::atoi(argv[++i]); // whole factors: the clock's
    }
    if (!(scale >= 1.0)) {
        std::fprintf(stderr, "download_timing: --scale must be 1 or more\n");
        return 2;
    }

    ParamSet p;
    p.group = "05";
    p.powerMode = "省电模式";
    p.serialMode = passive ? "被动模式" : "主动模式";
    p.passiveAddr = "31 41";
    p.saveAddr = "12 34";
    p.sleepPeriod = "64";
    p.wakeDelay = "76.8";
    p.frequency = "433.250MHz";
    p.airRate = "19200bps";
    p.powerLevel = 4;
    const DownloadPlan plan = BuildDownload(p);
    const Millis specified = passive ? Millis(30000) : Millis(28000);
    const Millis pauses = TotalPause(plan);
    std::printf("download_timing mode=%s plan pauses=%lld ms specified=%lld ms %s\n",
                passive ? "passive" : "active", static_cast<long long>(pauses.count()),
                static_cast<long long>(specified.count()),
                pauses == specified ? "MATCH" : "DIFFER");

    sim::SimulatorOptions options;
    sim::Simulator module(options);
    if (!module.Start()) {
        std::fprintf(stderr, "download_timing: no pty (errno %d)\n", module.LastError());
        return 1;
    }
    PortDirectory::System().Map(31, module.SlavePath());
    CPortTable table;
    if (table.Open(31, 9600, "n,8,1") != 1) {
        std::fprintf(stderr, "download_timing: cannot open the simulated module\n");
        return 1;
    }
    // Someone has to take the module's answers, as the decoder thread would.
    std::atomic<bool> done{false};
    std::thread taker([&] {
        while (!done.load())
            if (!table.TakeOldest(31))
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });

    ScaledClock clock(static_cast<int>(scale));
    NullSink sink;
    const auto t0 = std::chrono::steady_clock::now();
    const bool completed = RunDownload(plan, table, 31, clock, sink).ok();
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const std::size_t frames = DownloadFrames(plan).size();
    module.WaitForFrames(frames, Millis(2000));
    done = true;
    taker.join();

    const double target = static_cast<double>(pauses.count()) / scale;
    const double ratio = wall / target;
    const bool pass = completed && ratio >= 1.0 && ratio <= 1.02;
    std::printf("download_timing scale=%.1f wall=%.1f ms pauses/scale=%.1f ms ratio=%.4f "
                "(target 1.00..1.02) frames=%zu/%zu malformed=%zu events=%zu %s\n",
                scale, wall, target, ratio, module.FrameCount(), frames, module.MalformedCount(),
                sink.Count(), pass ? "PASS" : "FAIL");
    table.Stop(31);
    module.Stop();
    return pass && module.MalformedCount() == 0 ? 0 : 1;
}
