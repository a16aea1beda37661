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
        std::string_view line; // nullptr data: refused as too long
    } cases[] = {
        {"00 01 02", 100, "00 01 02"},
        {"00 01\r\n02 03\r\n", 100, "00 01"},
        {"00 01\n02", 100, "00 01"},
        {"", 100, ""},
        {"\r\n", 100, ""},
        {"\xD6\xD0\xCE\xC4", 100, "中文"},
        {"\xEF\xBB\xBF中文\r\n", 100, "中文"},
        {"abcdef", 6, "abcdef"},
        {"abcdef\r\n", 6, "abcdef"},
        {"abcdef\r\nmore than six", 6, "abcdef"},
        {std::string_view("12\0"
                          "34",
                          5),
         100, "12"},
        // Longer than the bound: refused, never cut (a save would lose the end).
        {"abcdefg", 6, {}},
        {"a\xD6\xD0\xD6\xD0", 4, {}},
        {"\xEF\xBB\xBF"
         "a中",
         3,
         {}},
    };
    for (const auto& c : cases) {
        WriteBytes(Path("u.mak"), c.bytes);
        std::string line = "stale";
        const FileResult r = ReadFirstLine(Path("u.mak"), c.max, line);
        if (c.line.data() == nullptr) {
            EXPECT_EQ(r.error, EFBIG) << c.bytes;
            EXPECT_NE(r.message.find("first line longer than " + std::to_string(c.max) + " bytes"),
                      std::string::npos)
                << r.message;
            EXPECT_EQ(line, "");
        } else {
            ASSERT_TRUE(r) << c.bytes << ": " << r.message;
            EXPECT_EQ(line, c.line) << c.bytes;
        }
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
