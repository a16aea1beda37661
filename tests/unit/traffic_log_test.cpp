// Timestamped traffic lines and the log that keeps them: the exact line
// format in local time, rotation by size, and what a lagging writer leaves out.

#include "platform/AppendLog.h"
#include "protocol/TrafficText.h"
#include "settings/TrafficLog.h"

#include "unit/file_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

using namespace tmx7;
using namespace std::chrono;
using tmx7::test::TempDirTest;

namespace {

// 2026-12-07 13:05:09.042 UTC.
const WallClock::time_point kNoon =
    WallClock::time_point(sys_days(year(2026) / 12 / 7)) + 13h + 5min + 9s + 42ms;

class TimeZone {
public:
    explicit TimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(TrafficLine, DirectionLocalTimeToTheMillisecondAndHexPairs) {
    const std::vector<std::uint8_t> answer = {0x1F, 0x2F, 0x8F, 0xEC, 0x03, 0x0A};
    {
        TimeZone utc("UTC0");
        EXPECT_EQ(TrafficLine(Direction::Received, kNoon, answer),
                  "[13:05:09.042] 收← 1F 2F 8F EC 03 0A");
        EXPECT_EQ(TrafficLine(Direction::Sent, kNoon + 958ms, std::vector<std::uint8_t>{0xFE}),
                  "[13:05:10.000] 发→ FE");
    }
    TimeZone beijing("CST-8");
    EXPECT_EQ(TrafficLine(Direction::Sent, kNoon + 11h, answer),
              "[08:05:09.042] 发→ 1F 2F 8F EC 03 0A")
        << "local time, past midnight";
}

class Logs : public TempDirTest {};

TEST_F(Logs, RotatesAtTheLimitKeepingTheNewestFiles) {
    const std::string path = Path("traffic.log");
    AppendLog log;
    ASSERT_TRUE(log.Open(path, {.rotateBytes = 10, .keep = 2}));
    for (const char* line : {"aaaa\n", "bbbb\n", "cccc\n", "dd\n", "eeeeeeeeeeeeeee\n", "ff\n"})
        ASSERT_TRUE(log.Append(line));
    log.Close();
    EXPECT_EQ(ReadBytes(path), "ff\n");
    EXPECT_EQ(ReadBytes(path + ".1"), "eeeeeeeeeeeeeee\n") << "a long line goes into a file alone";
    EXPECT_EQ(ReadBytes(path + ".2"), "cccc\ndd\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".3"));

    // Opened again, it goes on where it was.
    ASSERT_TRUE(log.Open(path, {.rotateBytes = 10, .keep = 2}));
    ASSERT_TRUE(log.Append("gg\n"));
    EXPECT_EQ(ReadBytes(path), "ff\ngg\n");

    const std::string fifo = Path("fifo.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    AppendLog other;
    EXPECT_EQ(other.Open(fifo, {}).error, EINVAL);
    EXPECT_EQ(other.Open(dir().string(), {}).error, EISDIR);
}

TEST_F(Logs, AWriterThatCannotKeepUpSaysHowManyLinesItLeftOut) {
    const std::string path = Path("traffic.log");
    TrafficLog log;
    TrafficLog::Options options;
    options.maxPendingBytes = 0; // no room at all: every packet is left out
    ASSERT_TRUE(log.Start(path, options));
    for (int i = 0; i < 50; ++i)
        log.Append(Traffic{1, Direction::Received, steady_clock::now(), {0x01}});
    log.Stop();
    EXPECT_EQ(log.Dropped(), 50u);
    EXPECT_EQ(log.Written(), 0u);
    // However the notes fell, they add up to every packet.
    const std::string text = ReadBytes(path);
    int said = 0;
    for (std::size_t at = text.find('['); at != std::string::npos; at = text.find('[', at + 1))
        said += std::atoi(text.c_str() + at + 1);
    EXPECT_EQ(said, 50) << text;
    EXPECT_NE(text.find("个数据包未写入日志]\n"), std::string::npos);
}
