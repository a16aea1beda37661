// The data test panel's receive area under a long stream: 16 MB of hex text
// in 1.5 KB packets, each handed over as the engine's Received event,
// painted at once, and the event loop run once. Reports the median time per packet (append and
// repaint) over each tenth of the run (flat when an append costs the same with 16 MB behind it as
// with nothing), the widget's undo steps, and the growth of resident memory (the text is bounded,
// so memory must be too).
//
// Targets: at most 0.5 ms per packet, RSS growth under 5 MB.

#include "protocol/Events.h"
#include "settings/Session.h"
#include "ui/mainwindow/DataTestPanel.h"
#include "ui/mainwindow/ReceiveArea.h"

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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    EventLog log;
    Session session(log);
    DataTestPanel panel(session, nullptr, "/tmp/tmx7_bench_yonghushuju.mak");
    panel.resize(720, 300);
    panel.show();
    auto* area = panel.findChild<ReceiveArea*>(QStringLiteral("receiveArea"));
    QApplication::processEvents();
    const long rssStart = RssKb();

    // Megabytes of input: 16 unless given.
    const std::size_t kTotal = (argc > 1 ? std::stoul(argv[1]) : 16) * 1024 * 1024;
    constexpr std::size_t kPairs = 512; // 1536 characters a packet
    // Varying pairs, as a real stream has: the layout cannot reuse a line.
    std::string pattern;
    for (std::size_t i = 0; i < 4 * kPairs; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", static_cast<unsigned>((i * 37) & 0xFF));
        pattern += pair;
    }
    const std::size_t packetChars = 3 * kPairs;

    long rss0 = 0;
    std::vector<double> us;
    std::size_t done = 0;
    for (std::size_t n = 0; done < kTotal; ++n, done += packetChars) {
        const std::vector<Event> batch{
            Received{pattern.substr((n % (3 * kPairs)) / 3 * 3, packetChars), 0}};
        const auto t0 = std::chrono::steady_clock::now();
        panel.applyEvents(batch);
        area->viewport()->repaint();
        // What the event loop does between two packets (queued signals of
        // the scroll bar, layout requests).
        QApplication::processEvents();
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                .count());
        // Memory counts from when the area is full: the text's own 256 K
        // characters are the bound, not growth.
        if (rss0 == 0 && area->length() >= 250 * 1024) {
            QApplication::processEvents();
            rss0 = RssKb();
        }
    }
    QApplication::processEvents();
    const long rss1 = RssKb();

    const std::size_t tenth = us.size() / 10;
    std::printf("%zu packets of %zu characters; median us/packet per tenth of the run:", us.size(),
                packetChars);
    double worst = 0;
    double worstMedian = 0;
    for (std::size_t part = 0; part < 10; ++part) {
        std::vector<double> slice(us.begin() + static_cast<std::ptrdiff_t>(part * tenth),
                                  us.begin() + static_cast<std::ptrdiff_t>((part + 1) * tenth));
        std::nth_element(slice.begin(), slice.begin() + static_cast<std::ptrdiff_t>(tenth / 2),
                         slice.end());
        worstMedian = std::max(worstMedian, slice[tenth / 2]);
        std::printf(" %.0f", slice[tenth / 2]);
    }
    for (double v : us)
        worst = std::max(worst, v);
    std::printf("; worst single %.0f us\n", worst);
    std::printf("receive area holds %d characters in %d lines, %d undo steps\n", area->length(),
                area->document()->blockCount(), area->document()->availableUndoSteps());
    std::printf("RSS %ld KB before, %ld KB when the area is full, %ld KB after the input: growth "
                "%.1f MB in all (limit 5 MB), %.1f MB once full\n",
                rssStart, rss0, rss1, (rss1 - rssStart) / 1024.0, (rss1 - rss0) / 1024.0);
    const bool ok = worstMedian <= 500 && rss1 - rssStart < 5 * 1024 &&
                    area->document()->availableUndoSteps() == 0;
    std::printf("%s\n", ok ? "ok" : "TARGET MISSED");
    std::remove("/tmp/tmx7_bench_yonghushuju.mak");
    return ok ? 0 : 1;
}
