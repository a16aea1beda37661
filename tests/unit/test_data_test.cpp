// The standard patterns and the user data file: what is read from it, and
// that a name holding anything else is never overwritten.

#include "protocol/Frames.h"
#include "ui/DataSend.h"
#include "ui/TestData.h"
#include "unit/file_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace tmx7;

namespace {

TEST(StdPatterns, ThreeLengthsSendTheirBytes) {
    const std::uint8_t values[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                   0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    for (const StdPattern& p : kStdPatterns) {
        const SendResult r = BuildDataSend(p.text, kStdDataBuffer, kModeActive, "");
        ASSERT_TRUE(r.ok()) << p.caption;
        EXPECT_EQ(r.bytes.size(), static_cast<std::size_t>(p.bytes)) << p.caption;
        EXPECT_EQ(p.text.size(), static_cast<std::size_t>(p.bytes) * 3 - 1) << "colon form";
        if (p.bytes == 20) {
            for (int i = 0; i < 20; ++i)
                EXPECT_EQ(r.bytes[i], i);
        }
        if (p.bytes == 48) {
            const std::uint8_t eight[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0xAA, 0xBB, 0xDD};
            for (int i = 0; i < 48; ++i)
                EXPECT_EQ(r.bytes[i], eight[i / 6]);
        }
        if (p.bytes == 192) {
            for (int i = 0; i < 192; ++i)
                EXPECT_EQ(r.bytes[i], values[(i % 96) / 6]) << i;
        }
    }
}

class TestDataFile : public test::TempDirTest {
protected:
    std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(TestDataFile, StartupWithoutFileCreatesTheDefault) {
    TestDataModel m(Path("yonghushuju.mak"));
    ASSERT_TRUE(m.LoadAtStartup().ok);
    EXPECT_EQ(m.UserData(), kDefaultUserData);
    EXPECT_EQ(ReadAll(m.Path()), kDefaultUserData);
    EXPECT_EQ(BuildDataSend(m.UserData(), 400, kModeActive, "").bytes.size(), 18u);
    EXPECT_EQ(m.StdData(), FindStdPattern(Command::StdLength20)->text);
    EXPECT_FALSE(m.Editable());
}

TEST_F(TestDataFile, AFileThatCannotBeUsedIsNeverOverwritten) {
    // Something of that name exists but is no usable user data file: it is
    // left as it is at start, at edit and at Enter, and nothing waits on it
    // (a FIFO used to freeze the window, /dev/zero to fill its memory).
    const std::string p = Path("u.mak");
    const struct {
        const char* kind;
        std::function<void()> make;
        mode_t type;
    } cases[] = {
        {"folder",
         [&] {
             std::filesystem::create_directory(p);
             WriteBytes(Path("u.mak/keep"), "AA BB");
         },
         S_IFDIR},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, S_IFIFO},
        {"/dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", p); }, S_IFLNK},
        {"long line", [&] { WriteBytes(p, std::string(100000, '1')); }, S_IFREG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        std::filesystem::remove_all(p);
        c.make();
        TestDataModel m(p);
        EXPECT_FALSE(m.LoadAtStartup().ok);
        EXPECT_EQ(m.UserData(), kDefaultUserData) << "default in memory";
        m.ShowStdData();
        EXPECT_FALSE(m.EditUserData().ok);
        EXPECT_TRUE(m.Editable());
        EXPECT_EQ(m.Text(), FindStdPattern(Command::StdLength20)->text) << "area keeps its text";
        if (c.type != S_IFREG) {
            EXPECT_FALSE(m.PressEnter("12 34").ok);
        }
        struct stat st {};
        ASSERT_EQ(::lstat(p.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & S_IFMT, c.type);
    }
    EXPECT_EQ(ReadAll(p).size(), 100000u);
}

TEST_F(TestDataFile, FailedSaveKeepsTheOldFileAndChangesMemoryOnly) {
    const std::string p = Path("u.mak");
    WriteBytes(p, "01 02");
    TestDataModel m(p);
    m.LoadAtStartup();
    // A save into a folder that is not there fails before touching anything.
    TestDataModel elsewhere(Path("missing/u.mak"));
    EXPECT_FALSE(elsewhere.PressEnter("03 04").ok);
    EXPECT_EQ(elsewhere.UserData(), "03 04") << "memory only";
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(dir().c_str(), 0500), 0); // no temporary file, no rename
        EXPECT_FALSE(m.PressEnter("03 04").ok);
        ASSERT_EQ(::chmod(dir().c_str(), 0700), 0);
        EXPECT_EQ(m.UserData(), "03 04");
        EXPECT_EQ(ReadAll(p), "01 02");
    }
}

} // namespace
