// The receive area under a long run of data: 16 MB of hex text appended in
// 1.5 KB packets, as the decoder hands them over. Reports the time per packet
// over the first and the last 10 % of packets (flat when appending does not
// grow with what was received), the widget's undo steps and the growth of
// resident memory (the text is bounded, so memory must be too: < 5 MB).

#include "gui/Widgets.h"
#include "ui/window/RadioConfigDlg.h"
#include "ui/window/ReceiveArea.h"

#include <QApplication>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace tmx7;

namespace {
long RssKb() {
    std::ifstream in("/proc/self/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> value;
            return value;
        }
        std::getline(in, key);
    }
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The user data file goes to a scratch place, not the folder the bench runs in.
    CRadioConfigDlg dlg(nullptr, RealClock(), PortDirectory::System(),
                        "/tmp/tmx7-receive-area-bench.mak");
    dlg.KillTimer(1);
    dlg.show();
    QApplication::processEvents();
    const long rss0 = RssKb();

    constexpr std::size_t kTotal = 16 * 1024 * 1024;
    constexpr std::size_t kPacket = 1536;
    std::vector<double> us;
    unsigned n = 0;
    for (std::size_t done = 0; done < kTotal; done += kPacket) {
        std::string packet;
        while (packet.size() < kPacket) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02X ", n++ % 256);
            packet += pair;
        }
        const auto t0 = std::chrono::steady_clock::now();
        dlg.ApplyEvent(Received{std::move(packet), 0});
        QApplication::processEvents(); // let it paint, as the window would
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    // Medians per tenth of the run: flat when an append costs the same with
    // 16 MB behind it as with nothing (means would follow the machine's load).
    const std::size_t tenth = us.size() / 10;
    std::printf("%zu packets of %zu bytes; median us/packet per tenth of the run:", us.size(),
                kPacket);
    double worst = 0;
    for (double v : us)
        worst = std::max(worst, v);
    for (std::size_t part = 0; part < 10; ++part) {
        std::vector<double> slice(us.begin() + static_cast<std::ptrdiff_t>(part * tenth),
                                  us.begin() + static_cast<std::ptrdiff_t>((part + 1) * tenth));
        std::nth_element(slice.begin(), slice.begin() + slice.size() / 2, slice.end());
        std::printf(" %.0f", slice[slice.size() / 2]);
    }
    std::printf("; worst %.0f us\n", worst);
    auto* area = dlg.MultiEdit(CRadioConfigDlg::kReceiveArea);
    const long rss1 = RssKb();
    std::printf("receive area holds %d characters (limit %d), %d undo steps\n",
                ReceivedLength(area), kReceiveLimit, area->document()->availableUndoSteps());
    std::printf("RSS %ld KB before, %ld KB after: growth %.1f MB (limit 5 MB) %s\n", rss0, rss1,
                (rss1 - rss0) / 1024.0, rss1 - rss0 < 5 * 1024 ? "ok" : "TOO MUCH");
    dlg.CloseSequence();
    return 0;
}
