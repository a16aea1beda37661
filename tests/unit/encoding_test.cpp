#include "platform/Encoding.h"

#include <gtest/gtest.h>

using namespace tmx7;

namespace {

TEST(Encoding, ConvertsAndReplacesWhatItCannot) {
    const struct {
        const char* name;
        bool fromGbk;
        std::string_view input, expected;
        std::size_t replaced;
    } cases[] = {
        {"section name", true, "\x54\x4D\x58\x37\xB2\xCE\xCA\xFD\xB1\xED", "TMX7参数表", 0},
        {"euro sign of code page 936", true, "\x80", "€", 0},
        {"trail bytes that look like ASCII", true, "\x81\x41\x81\x5D", "丄乚", 0},
        {"invalid GBK byte", true, "a\xFF\x62", "a\xEF\xBF\xBD\x62", 1},
        // A lead byte cut off by the end or by a line end loses only itself.
        {"lead byte at the end", true, "A\xD6", "A\xEF\xBF\xBD", 1},
        {"lead byte before a line end", true, "\xD6\nx", "\xEF\xBF\xBD\nx", 1},
        {"embedded NUL", true, std::string_view("a\0b", 3), std::string_view("a\0b", 3), 0},
        {"key name", false, "发射功率", "\xB7\xA2\xC9\xE4\xB9\xA6\xC2\xCA", 0},
        {"character GBK lacks", false, "a😀b", "a?b", 1},
        {"truncated UTF-8", false, "a\xE4\xB8", "a??", 2},
        {"overlong UTF-8", false, "\xC0\xAF", "??", 2},
        {"surrogate", false, "\xED\xA0\x80z", "???z", 3},
    };
    for (const auto& c : cases) {
        const Converted out = c.fromGbk ? GbkToUtf8(c.input) : Utf8ToGbk(c.input);
        EXPECT_TRUE(out.ok) << c.name;
        EXPECT_EQ(out.text, c.expected) << c.name;
        EXPECT_EQ(out.replaced, c.replaced) << c.name;
    }
}

TEST(Encoding, LongTextCrossesConversionBuffers) {
    std::string gbk, utf8;
    for (int i = 0; i < 5000; ++i) {
        gbk += "\xD6\xD0x";
        utf8 += "中x";
    }
    EXPECT_EQ(GbkToUtf8(gbk).text, utf8);
    EXPECT_EQ(Utf8ToGbk(utf8).text, gbk);
}

} // namespace
