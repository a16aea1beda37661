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
        {"00 01\n02", 100, "00 01"},
        {"\xD6\xD0\xCE\xC4", 100, "中文"},
        {"\xEF\xBB\xBF中文\r\n", 100, "中文"},
        {"abcdef\r\nmore than six", 6, "abcdef"},
        {std::string_view("12\0\x33\x34", 5), 100, "12"},
        // Longer than the bound: refused, never cut (a save would lose the end).
        {"a\xD6\xD0\xD6\xD0", 4, {}},
        {"\xEF\xBB\xBF\x61中", 3, {}},
    };
    for (const auto& c : cases) {
        WriteBytes(Path("u.mak"), c.bytes);
        std::string line = "stale";
        const FileResult r = ReadFirstLine(Path("u.mak"), c.max, line);
        if (c.line.data() == nullptr) {
            EXPECT_EQ(r.error, EFBIG) << c.bytes;
            EXPECT_TRUE(
                r.message.ends_with(": first line longer than " + std::to_string(c.max) + " bytes"))
                << r.message;
            EXPECT_EQ(line, "");
        } else {
            ASSERT_TRUE(r) << c.bytes << ": " << r.message;
            EXPECT_EQ(line, c.line) << c.bytes;
        }
    }
    std::string line = "stale";
    EXPECT_EQ(ReadFirstLine(Path("none.mak"), 100, line).error, ENOENT);
    EXPECT_EQ(line, "");
}

TEST_F(TextFiles, WriteReplacesTheWholeFileKeepingItsEncoding) {
    const std::string path = Path("u.mak");
    WriteBytes(path, "a longer old line\r\nsecond\r\n");
    ASSERT_TRUE(WriteTextFile(path, "00:01:02 中"));
    EXPECT_EQ(ReadBytes(path), "00:01:02 \xD6\xD0");
    WriteBytes(path, "\xEF\xBB\xBFold");
    ASSERT_TRUE(WriteTextFile(path, "中"));
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF中");
    EXPECT_EQ(EntryCount(), 1u);
}

} // namespace
