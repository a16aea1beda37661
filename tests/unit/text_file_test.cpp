#include "platform/TextFile.h"

#include "unit/file_test_util.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace tmx7;
using tmx7::test::TempDirTest;

namespace {

class TextFiles : public TempDirTest {};

TEST_F(TextFiles, FirstLineIsBoundedAndConverted) {
    const struct {
        std::string_view bytes;
        std::size_t max;
        std::string_view line;
        bool truncated;
    } cases[] = {
        {"00 01 02", 100, "00 01 02", false},
        {"00 01\r\n02 03\r\n", 100, "00 01", false},
        {"00 01\n02", 100, "00 01", false},
        {"", 100, "", false},
        {"\r\n", 100, "", false},
        {"\xD6\xD0\xCE\xC4", 100, "中文", false},
        {"\xEF\xBB\xBF中文\r\n", 100, "中文", false},
        {"abcdef", 6, "abcdef", false},
        {"abcdef\r\n", 6, "abcdef", false},
        {"abcdefg", 6, "abcdef", true},
        {"a\xD6\xD0\xD6\xD0", 4, "a中", true}, // never half a GBK character
        {"\xEF\xBB\xBF"
         "a中",
         3, "a", true},
        {std::string_view("12\0"
                          "34",
                          5),
         100, "12", false},
    };
    for (const auto& c : cases) {
        WriteBytes(Path("u.mak"), c.bytes);
        std::string line = "stale";
        bool truncated = !c.truncated;
        ASSERT_TRUE(ReadFirstLine(Path("u.mak"), c.max, line, &truncated));
        EXPECT_EQ(line, c.line) << c.bytes;
        EXPECT_EQ(truncated, c.truncated) << c.bytes;
    }
}

TEST_F(TextFiles, MissingFileIsAnError) {
    std::string line = "stale";
    const FileResult r = ReadFirstLine(Path("none.mak"), 100, line);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_EQ(line, "");
}

TEST_F(TextFiles, WriteReplacesWholeFileWithoutLineEnd) {
    const std::string path = Path("u.mak");
    WriteBytes(path, "a much longer old line that must vanish\r\nsecond\r\n");
    ASSERT_TRUE(WriteTextFile(path, "00:01:02 中"));
    EXPECT_EQ(ReadBytes(path), "00:01:02 \xD6\xD0");
    EXPECT_EQ(EntryCount(), 1u);

    WriteBytes(path, "\xEF\xBB\xBFold");
    ASSERT_TRUE(WriteTextFile(path, "中"));
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF中");

    ASSERT_TRUE(SetReadOnly(path, true));
    EXPECT_EQ(WriteTextFile(path, "x").error, EACCES);
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF中");
}

TEST_F(TextFiles, CreateOnlyWhereMissing) {
    const std::string path = Path("yonghushuju.mak");
    bool created = false;
    ASSERT_TRUE(CreateTextFileIfMissing(path, "00 01 02", &created));
    EXPECT_TRUE(created);
    EXPECT_EQ(ReadBytes(path), "00 01 02");

    WriteBytes(path, "user text");
    ASSERT_TRUE(CreateTextFileIfMissing(path, "00 01 02", &created));
    EXPECT_FALSE(created);
    EXPECT_EQ(ReadBytes(path), "user text");
    EXPECT_EQ(EntryCount(), 1u);

    const FileResult r = CreateTextFileIfMissing(Path("no-folder/u.mak"), "x", &created);
    EXPECT_FALSE(r);
    EXPECT_FALSE(created);
}

} // namespace
