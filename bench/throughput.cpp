// Throughput: the peer writes continuously at 57600 baud pace (5760 bytes/s)
// for argv[1] seconds (default 60) while a consumer takes packets; every
// byte must arrive, in order.

#include "bench_pty.h"
#include "link/PortTable.h"

#include <atomic>
#include <cstdlib>
#include <thread>

using namespace tmx7;
using Steady = std::chrono::steady_clock;

namespace {
std::uint8_t byteAt(std::uint64_t i) {
    return static_cast<std::uint8_t>(i * 31 + (i >> 8) * 7);
}
} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const int baud = 57600;
    const double bytesPerSecond = baud / 10.0; // 8N1: ten bits a byte
    bench::Pty pty;
    if (!pty.open(1))
        return 1;
    CPortTable table;
    if (table.Open(1, baud, "n,8,1") != 1)
        return 1;

    std::atomic<std::uint64_t> sent{0};
    std::atomic<bool> writing{true};
    std::thread peer([&] {
        const auto t0 = Steady::now();
        std::uint64_t n = 0;
        std::uint8_t chunk[256];
        for (;;) {
            const double elapsed = std::chrono::duration<double>(Steady::now() - t0).count();
            if (elapsed >= seconds)
                break;
            const auto due = static_cast<std::uint64_t>(elapsed * bytesPerSecond);
            while (n < due) {
                const std::size_t k =
                    static_cast<std::size_t>(std::min<std::uint64_t>(due - n, sizeof chunk));
                for (std::size_t j = 0; j < k; ++j)
                    chunk[j] = byteAt(n + j);
                if (!pty.send(chunk, k))
                    return;
                n += k;
                sent.store(n);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        writing = false;
    });

    std::uint64_t received = 0, packets = 0, mismatches = 0, full = 0;
    auto lastArrival = Steady::now();
    for (;;) {
        if (auto p = table.TakeOldest(1)) {
            ++packets;
            if (p->size() == kPacketBytes)
                ++full;
            for (std::uint8_t b : *p) {
                if (b != byteAt(received))
                    ++mismatches;
                ++received;
            }
            lastArrival = Steady::now();
            continue;
        }
        if (!writing && received >= sent.load())
            break;
        if (!writing && Steady::now() - lastArrival > std::chrono::seconds(2))
            break; // bytes lost: stop waiting
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    peer.join();
    const bool pass = received == sent.load() && mismatches == 0;
    std::printf("throughput baud=%d seconds=%.0f sent=%llu received=%llu packets=%llu "
                "(524-byte %llu) out-of-order/corrupt=%llu rate=%.0f B/s %s\n",
                baud, seconds, static_cast<unsigned long long>(sent.load()),
                static_cast<unsigned long long>(received), static_cast<unsigned long long>(packets),
                static_cast<unsigned long long>(full), static_cast<unsigned long long>(mismatches),
                received / seconds, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
