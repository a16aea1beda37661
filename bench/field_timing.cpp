// Timings a technician feels at the bench, against the simulated module on a
// pty (paced at its line, real clock):
//   redetect  automatic detection of a module at 9600 baud, n,8,1, without and
//             with its pair remembered                target: <= 0.7 s remembered
//   unplug    from the adapter hanging up to the PortLost event   target: <= 100 ms
//   return    from the device reappearing at its path to Reconnected, and to the
//             end of the refresh that follows        target: <= 1 s + the refresh
//   idle      voluntary context switches of the whole process per second with
//             auto-reconnect and the port watch on: a healthy open port, then
//             a lost one awaited                target: 0 healthy, a few a minute awaited
//   field_timing [RUNS] [IDLE-SECONDS]

#include "bench/proc_probe.h"
#include "platform/LinkMemory.h"
#include "settings/Session.h"
#include "sim/Simulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pty.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tmx7;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

PortDirectory::Options Isolated() {
    return {"/nonexistent", "/nonexistent",
            [](const std::string&) { return std::optional<std::string>(); }};
}

sim::SimulatorOptions Module9600() {
    sim::SimulatorOptions o;
    o.state.serialBaud = 0x06;
    return o;
}

// Stamps the first event of each kind of interest as it is posted.
class Stamps : public EventSink {
public:
    void Post(std::vector<Event> events) override {
        const auto now = Steady::now();
        std::lock_guard lock(m_mutex);
        for (const Event& e : events) {
            if (std::holds_alternative<PortLost>(e) && !lost)
                lost = now;
            if (std::holds_alternative<Reconnected>(e) && !reconnected)
                reconnected = now;
            if (const auto* f = std::get_if<SequenceFinished>(&e);
                f && f->kind == SequenceKind::Reconnect && !refreshed) {
                refreshed = now;
                ok = f->outcome.ok();
            }
        }
    }
    template <class F> bool WaitFor(F has, std::chrono::seconds limit) {
        const auto end = Steady::now() + limit;
        while (Steady::now() < end) {
            {
                std::lock_guard lock(m_mutex);
                if (has())
                    return true;
            }
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }
    std::optional<Steady::time_point> lost, reconnected, refreshed;
    bool ok = false;

private:
    std::mutex m_mutex;
};

double Redetect(bool remembered, const fs::path& folder) {
    constexpr int kPort = 5;
    sim::Simulator module(Module9600());
    if (!module.Start())
        return -1;
    PortDirectory dir(Isolated());
    dir.Map(kPort, module.SlavePath());
    LinkMemory memory((folder / (remembered ? "links" : "none")).string());
    if (remembered)
        (void)memory.Remember("dev:" + module.SlavePath(), {9600, "n,8,1"});
    EventLog log;
    Session session(log, RealClock(), dir);
    session.RememberLinks(&memory);
    const auto start = Steady::now();
    if (!session.Detect(kPort))
        return -1;
    const auto outcome = session.WaitIdle(60s);
    const auto end = Steady::now();
    return outcome && outcome->ok() ? Ms(end - start) : -1;
}

struct ReturnTimes {
    double lostMs = -1;
    double reconnectedMs = -1;
    double refreshedMs = -1;
};

ReturnTimes UnplugAndReturn(const fs::path& folder) {
    constexpr int kPort = 6;
    ReturnTimes t;
    const fs::path link = folder / "ttyUSB0";
    fs::remove(link);
    auto first = std::make_unique<sim::Simulator>(Module9600());
    if (!first->Start())
        return t;
    fs::create_symlink(first->SlavePath(), link);
    PortDirectory dir(Isolated());
    dir.Map(kPort, link.string());
    Stamps stamps;
    Session session(stamps, RealClock(), dir);
    session.SetAutoReconnect(true);
    session.SetLink({kPort, 9600, "n,8,1"});
    if (session.Ports().Open(kPort, 9600, "n,8,1") != 1)
        return t;
    std::this_thread::sleep_for(50ms);
    // The adapter that comes back, made now, so its pty cannot take the
    // number the first one frees: only the re-pointed link brings it back.
    sim::Simulator second(Module9600());
    if (!second.Start())
        return t;

    const auto pulled = Steady::now();
    first->HangUp();
    if (!stamps.WaitFor([&] { return stamps.lost.has_value(); }, 5s))
        return t;
    t.lostMs = Ms(*stamps.lost - pulled);

    const auto back = Steady::now();
    const std::string temp = link.string() + ".new";
    fs::create_symlink(second.SlavePath(), temp);
    fs::rename(temp, link);
    if (!stamps.WaitFor([&] { return stamps.refreshed.has_value(); }, 20s) || !stamps.ok)
        return t;
    t.reconnectedMs = Ms(*stamps.reconnected - back);
    t.refreshedMs = Ms(*stamps.refreshed - back);
    return t;
}

// Switches per second over `seconds` of sleep of the main thread.
double SwitchRate(double seconds) {
    const long long before = testing::CountSwitches().voluntary;
    const auto start = Steady::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(Steady::now() - start).count();
    return static_cast<double>(testing::CountSwitches().voluntary - before) / wall;
}

std::pair<double, double> IdleRates(const fs::path& folder, double seconds) {
    // A bare pty, no simulated module: its thread would be counted too.
    constexpr int kPort = 7;
    const fs::path link = folder / "ttyIdle";
    fs::remove(link);
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return {-1, -1};
    fs::create_symlink(ttyname(slave), link);
    ::close(slave);
    PortDirectory dir(Isolated());
    dir.Map(kPort, link.string());
    Stamps stamps;
    Session session(stamps, RealClock(), dir);
    session.SetAutoReconnect(true);
    session.SetWatchPorts(true);
    session.SetLink({kPort, 9600, "n,8,1"});
    if (session.Ports().Open(kPort, 9600, "n,8,1") != 1)
        return {-1, -1};
    std::this_thread::sleep_for(200ms);
    const double healthy = SwitchRate(seconds);
    ::close(master); // the adapter is pulled
    stamps.WaitFor([&] { return stamps.lost.has_value(); }, 5s);
    std::this_thread::sleep_for(200ms);
    const double awaited = SwitchRate(seconds);
    return {healthy, awaited};
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 5;
    const double idleSeconds = argc >= 3 ? std::max(1.0, std::atof(argv[2])) : 20.0;
    char pattern[] = "/tmp/tmx7-field-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path folder = pattern;

    std::vector<double> plain, remembered, lost, reconnected, refreshed;
    for (int i = 0; i < runs; ++i) {
        if (i < 2)
            plain.push_back(Redetect(false, folder)); // 5 s each: two are enough
        remembered.push_back(Redetect(true, folder));
        const ReturnTimes r = UnplugAndReturn(folder);
        lost.push_back(r.lostMs);
        reconnected.push_back(r.reconnectedMs);
        refreshed.push_back(r.refreshedMs);
    }
    const auto [healthy, awaited] = IdleRates(folder, idleSeconds);
    fs::remove_all(folder);
    std::printf("redetect at 9600, nothing remembered: %7.0f ms (median of %zu)\n", Median(plain),
                plain.size());
    std::printf("redetect at 9600, pair remembered:    %7.0f ms (median of %d; target <= 700)\n",
                Median(remembered), runs);
    std::printf("hang-up to PortLost:                  %7.1f ms (median; target <= 100)\n",
                Median(lost));
    std::printf("device back to Reconnected:           %7.1f ms (median; target <= 1000)\n",
                Median(reconnected));
    std::printf("device back to refresh finished:      %7.0f ms (median; the refresh at 9600 "
                "is its own ~5 s)\n",
                Median(refreshed));
    std::printf(
        "idle, port open and healthy:          %7.2f switches/s (whole process; target 0)\n",
        healthy);
    std::printf("idle, lost port awaited:              %7.2f switches/s (whole process; target a "
                "few a minute)\n",
                awaited);
    const bool met = Median(remembered) > 0 && Median(remembered) <= 700 && Median(lost) >= 0 &&
                     Median(lost) <= 100 && Median(reconnected) >= 0 && Median(reconnected) <= 1000;
    return met ? 0 : 1;
}
