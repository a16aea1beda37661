// The kill test of the parameter export at length: 1,000 kills at random
// moments. TMX7_SOAK_KILLS changes the count.

#include "integration/export_kill_rig.h"
#include "unit/file_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tmx7;

namespace {

class ExportKillSoak : public test::TempDirTest {};

TEST_F(ExportKillSoak, AThousandKillsLeaveAWholeReadOnlyFileAndNoDebris) {
    int kills = 1000;
    if (const char* s = std::getenv("TMX7_SOAK_KILLS"))
        if (const int v = std::atoi(s); v > 0)
            kills = v;
    std::filesystem::create_directory(Path("target"));
    const tmx7::testing::KillTally t = tmx7::testing::KillDuringExports(Path("target"), kills, 7);
    EXPECT_EQ(t.kills, kills);
    EXPECT_EQ(t.partial, 0);
    EXPECT_EQ(t.missing, 0);
    EXPECT_EQ(t.writable, 0);
    EXPECT_EQ(t.leftAfterLastRun, 0);
    // Most of all it must have hit writes in progress, or it proves nothing.
    EXPECT_GT(t.killsMidWrite, kills / 20);
    std::printf("%d kills, %d inside a write\n", t.kills, t.killsMidWrite);
}

} // namespace
