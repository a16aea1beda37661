#include "platform/Encoding.h"

#include <gtest/gtest.h>

using namespace tmx7;

namespace {

struct ConversionCase {
    const char* name;
    std::string_view input;
    std::string_view expected;
    std::size_t replaced;
};

class GbkToUtf8Cases : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(GbkToUtf8Cases, Converts) {
    const ConversionCase& c = GetParam();
    const Converted out = GbkToUtf8(c.input);
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.text, c.expected);
    EXPECT_EQ(out.replaced, c.replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Encoding, GbkToUtf8Cases,
    ::testing::Values(
        ConversionCase{"Ascii", "key=value 09", "key=value 09", 0},
        ConversionCase{"Section", "\x54\x4D\x58\x37\xB2\xCE\xCA\xFD\xB1\xED", "TMX7参数表", 0},
        ConversionCase{"EuroSign", "\x80", "€", 0},
        ConversionCase{"TrailLooksLikeAscii", "\x81\x41\x81\x5D", "丄乚", 0},
        ConversionCase{"InvalidByte",
                       "a\xFF"
                       "b",
                       "a\xEF\xBF\xBD"
                       "b",
                       1},
        // A lead byte cut off by the end or by a line end loses only itself.
        ConversionCase{"LeadAtEnd", "A\xD6", "A\xEF\xBF\xBD", 1},
        ConversionCase{"LeadBeforeNewline", "\xD6\nx", "\xEF\xBF\xBD\nx", 1},
        ConversionCase{"EmbeddedNul", std::string_view("a\0b", 3), std::string_view("a\0b", 3), 0}),
    [](const auto& info) { return info.param.name; });

class Utf8ToGbkCases : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Utf8ToGbkCases, Converts) {
    const ConversionCase& c = GetParam();
    const Converted out = Utf8ToGbk(c.input);
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.text, c.expected);
    EXPECT_EQ(out.replaced, c.replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Encoding, Utf8ToGbkCases,
    ::testing::Values(ConversionCase{"Chinese", "发射功率", "\xB7\xA2\xC9\xE4\xB9\xA6\xC2\xCA", 0},
                      ConversionCase{"Unmappable", "a😀b", "a?b", 1},
                      ConversionCase{"TruncatedSequence", "a\xE4\xB8", "a??", 2},
                      ConversionCase{"Overlong", "\xC0\xAF", "??", 2},
                      ConversionCase{"Surrogate", "\xED\xA0\x80z", "???z", 3}),
    [](const auto& info) { return info.param.name; });

TEST(Encoding, LongTextCrossesConversionBuffers) {
    std::string gbk;
    std::string utf8;
    for (int i = 0; i < 5000; ++i) {
        gbk += "\xD6\xD0x";
        utf8 += "中x";
    }
    EXPECT_EQ(GbkToUtf8(gbk).text, utf8);
    EXPECT_EQ(Utf8ToGbk(utf8).text, gbk);
}

TEST(Encoding, EveryGbkDoubleByteCharacterRoundTrips) {
    // Whatever decodes cleanly must encode back to the same bytes, or a file
    // rewritten by us would change lines nobody edited.
    std::size_t checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const Converted utf8 = GbkToUtf8(bytes);
            if (utf8.replaced != 0)
                continue;
            ASSERT_EQ(Utf8ToGbk(utf8.text).text, bytes) << std::hex << lead << " " << trail;
            ++checked;
        }
    }
    EXPECT_GT(checked, 21000u); // code page 936 assigns 21886 double-byte codes
}

TEST(Encoding, FileTextFollowsTheByteOrderMark) {
    TextEncoding enc = TextEncoding::Gbk;
    Converted bom = DecodeFileText("\xEF\xBB\xBF中=\xFF", &enc);
    EXPECT_EQ(enc, TextEncoding::Utf8);
    EXPECT_EQ(bom.text, "中=\xEF\xBF\xBD");
    EXPECT_EQ(bom.replaced, 1u);

    Converted gbk = DecodeFileText("\xD6\xD0", &enc);
    EXPECT_EQ(enc, TextEncoding::Gbk);
    EXPECT_EQ(gbk.text, "中");

    EXPECT_EQ(EncodeFileText("中", TextEncoding::Utf8).text, "\xEF\xBB\xBF中");
    EXPECT_EQ(EncodeFileText("中", TextEncoding::Gbk).text, "\xD6\xD0");
}

struct CutCase {
    std::string_view bytes;
    std::size_t max;
    TextEncoding encoding;
    std::string_view expected;
};

TEST(Encoding, CutNeverSplitsACharacter) {
    const CutCase cases[] = {
        {"a\xD6\xD0\xD6\xD0", 2, TextEncoding::Gbk, "a"},
        {"a\xD6\xD0\xD6\xD0", 3, TextEncoding::Gbk, "a\xD6\xD0"},
        {"a\xD6\xD0\xD6\xD0", 9, TextEncoding::Gbk, "a\xD6\xD0\xD6\xD0"},
        // 0x81 0x41 is one character although its second byte reads as 'A'.
        {"\x81\x41\x81\x41", 3, TextEncoding::Gbk, "\x81\x41"},
        {"\xD6\xD0", 1, TextEncoding::Gbk, ""},
        {"a中中", 3, TextEncoding::Utf8, "a"},
        {"a中中", 4, TextEncoding::Utf8, "a中"},
        {"abc", 0, TextEncoding::Utf8, ""},
    };
    for (const CutCase& c : cases)
        EXPECT_EQ(CutAtCharBoundary(c.bytes, c.max, c.encoding), c.expected)
            << c.bytes << " @" << c.max;
}

} // namespace
