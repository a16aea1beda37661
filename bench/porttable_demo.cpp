// Demo of the port table until the window exists: a pseudo-terminal pair
// stands in for a module on COM1, a few bursts go through the table and each
// packet is printed as it is cut.

#include "bench_pty.h"
#include "link/PortTable.h"

#include <thread>
#include <vector>

using namespace tmx7;
using namespace std::chrono_literals;

namespace {

void printPacket(const Packet& p) {
    std::printf("  packet #%d, %3zu bytes:", p.sequence, p.bytes.size());
    const std::size_t shown = std::min<std::size_t>(p.bytes.size(), 16);
    for (std::size_t i = 0; i < shown; ++i)
        std::printf(" %02X", p.bytes[i]);
    if (shown < p.bytes.size())
        std::printf(" ... (%zu more)", p.bytes.size() - shown);
    std::printf("\n");
}

void drain(CPortTable& table, int port, std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < end) {
        while (auto p = table.TakePacket(port))
            printPacket(*p);
        std::this_thread::sleep_for(2ms);
    }
}

} // namespace

int main() {
    bench::Pty pty;
    if (!pty.open(1))
        return 1;
    CPortTable table;
    const int baud = 9600;
    std::printf("COM1 -> %s (pseudo-terminal standing in for a module)\n", pty.slave.c_str());
    if (table.Open(1, baud, "n,8,1") != 1)
        return 1;
    std::printf("opened COM1 at %d baud, n,8,1; a packet ends after %d ms of silence\n\n", baud,
                PollIntervalMs(baud));

    const std::uint8_t query[] = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFC, 0x03};
    std::printf("host writes a 10-byte query frame through the table\n");
    (void)table.Write(1, query);
    std::uint8_t echo[64];
    std::this_thread::sleep_for(20ms);
    const ssize_t n = ::read(pty.master, echo, sizeof echo);
    std::printf("  module side received %zd bytes\n\n", n);

    std::printf("module answers with 13 bytes in one burst\n");
    const std::uint8_t answer[] = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F,
                                   0x8F, 0xFC, 0x03, 0x00, 0x0A, 0x0D};
    pty.send(answer, sizeof answer);
    drain(table, 1, 100ms);

    std::printf("module sends 6 bytes, pauses 60 ms, sends 4 more\n");
    const std::uint8_t a[] = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0xFF}, b[] = {1, 2, 3, 4};
    pty.send(a, sizeof a);
    std::this_thread::sleep_for(60ms);
    pty.send(b, sizeof b);
    drain(table, 1, 100ms);

    std::printf("module sends 1000 bytes without a pause (slots hold 524)\n");
    std::vector<std::uint8_t> big(1000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i);
    pty.send(big.data(), big.size());
    drain(table, 1, 150ms);

    table.Stop(1);
    std::printf("\nstopped COM1\n");
    return 0;
}
