// Draining a port before it is stopped: the last command must reach the line.

#include "link/PortTable.h"
#include "pty_pair.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tmx7;
using namespace std::chrono_literals;

namespace {

PortDirectory::Options Isolated() {
    PortDirectory::Options o;
    o.sysfsTtyRoot = "/nonexistent/tty";
    o.getenv = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    return o;
}

} // namespace

TEST(PortDrain, LastCommandSurvivesTheStop) {
    PortDirectory directory(Isolated());
    tmx7::testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    directory.Map(4, pty.slavePath());
    CPortTable table(directory);
    table.SetMessageHandler([](const std::string&) {});
    ASSERT_EQ(table.Open(4, 9600, "n,8,1"), 1);
    const std::vector<std::uint8_t> stop = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xA8};
    ASSERT_EQ(table.Write(4, stop), WriteStatus::Queued);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(table.Drain(4, 500ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    table.Stop(4);
    EXPECT_EQ(pty.receive(stop.size(), 1s), stop);
}

TEST(PortDrain, NothingToDrainWithoutAnOpenPort) {
    PortDirectory directory(Isolated());
    CPortTable table(directory);
    table.SetMessageHandler([](const std::string&) {});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(table.Drain(3, 500ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms)
        << "no wait for a port that is not there";
}
