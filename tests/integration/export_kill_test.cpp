// A process killed (SIGKILL) at random moments of an export: the parameter
// file is always one whole set and read-only, and the temporaries a kill
// leaves are gone after the next export. The long run is in the soak label.

#include "integration/export_kill_rig.h"
#include "unit/file_test_util.h"

#include <gtest/gtest.h>

using namespace tmx7;

namespace {

class ExportKill : public test::TempDirTest {};

TEST_F(ExportKill, TwentyKillsLeaveAWholeReadOnlyFileAndNoDebris) {
    std::filesystem::create_directory(Path("target"));
    const tmx7::testing::KillTally t =
        tmx7::testing::KillDuringExports(Path("target"), 20, 20240611);
    EXPECT_EQ(t.kills, 20);
    EXPECT_EQ(t.partial, 0);
    EXPECT_EQ(t.missing, 0);
    EXPECT_EQ(t.writable, 0);
    EXPECT_EQ(t.leftAfterLastRun, 0);
}

} // namespace
