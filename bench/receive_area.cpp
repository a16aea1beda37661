// The receive area under a long run of data: 1 MB of hex text appended in
// 1.5 KB packets, as the decoder hands them over. Reports the time per packet
// over the first and the last 10 % of packets (flat when appending does not
// grow with what was received) and the resident memory afterwards.

#include "gui/Widgets.h"
#include "ui/window/RadioConfigDlg.h"
#include "ui/window/ReceiveArea.h"

#include <QApplication>

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
    CRadioConfigDlg dlg;
    dlg.KillTimer(1);
    dlg.show();
    QApplication::processEvents();
    const long rss0 = RssKb();

    constexpr std::size_t kTotal = 1024 * 1024;
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
    const std::size_t tenth = us.size() / 10;
    double first = 0, lastPart = 0, worst = 0;
    for (std::size_t i = 0; i < tenth; ++i) {
        first += us[i];
        lastPart += us[us.size() - 1 - i];
    }
    for (double v : us)
        worst = std::max(worst, v);
    std::printf("%zu packets of %zu bytes: first 10%% %.0f us/packet, last 10%% %.0f us/packet, "
                "worst %.0f us\n",
                us.size(), kPacket, first / tenth, lastPart / tenth, worst);
    std::printf("receive area holds %d characters (limit %d); RSS %ld KB before, %ld KB after\n",
                ReceivedLength(dlg.MultiEdit(CRadioConfigDlg::kReceiveArea)), kReceiveLimit, rss0,
                RssKb());
    dlg.CloseSequence();
    return 0;
}
