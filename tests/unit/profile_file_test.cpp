#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tmx7;

namespace {

// "[TMX7参数表]" and two of its keys, as a Windows editor saves them (GBK).
constexpr std::string_view kGbkSection = "[\x54\x4D\x58\x37\xB2\xCE\xCA\xFD\xB1\xED]";
constexpr std::string_view kGbkPower = "\xB7\xA2\xC9\xE4\xB9\xA6\xC2\xCA"; // 发射功率
constexpr std::string_view kGbkGroup = "\xD7\xE9\xBA\xC5";                 // 组号
constexpr const char* kSection = "TMX7参数表";

std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts)
        out += p;
    return out;
}

// ---------------------------------------------------------------------------
// Reading

TEST(Profile, ReadsAFileWrittenByHandAsTheProfileCallsDo) {
    const ProfileDocument doc = ProfileDocument::Parse(Cat({
        "k=before any section\r\n",
        "  [ tmx7\xB2\xCE\xCA\xFD\xB1\xED ]  \r\n", // blanks and case around the name
        kGbkPower,
        "=5\n", // a line end without CR
        "  Version  =  V2.1  \r\n",
        "mode=\xC6\xD5\xCD\xA8\xC4\xA3\xCA\xBD\r\n", // 普通模式
        "VERSION=second\r\n",
        // 丄 is 81 41 and 乤 is 81 61: folding the second byte as a letter would
        // make them one name. 乚 is 81 5D, whose second byte is ']', so "[乚"
        // opens no section.
        "[\x81\x41]\r\nk=upper\r\n[\x81\x61]\r\nk=lower\r\n",
        "[\x81\x5D]\r\nk=bracket\r\n[\x81\x5D\r\nk2=still bracket\r\n",
        kGbkSection,
        "\r\nlater=in the second section of the name\r\n",
    }));
    EXPECT_EQ(doc.encoding(), TextEncoding::Gbk);
    const struct {
        const char* section;
        const char* key;
        const char* value; // "-": the default
    } cases[] = {
        {kSection, "发射功率", "5"},
        {" Tmx7参数表 ", "VERSION ", "V2.1"}, // the first match wins
        {kSection, "mode", "普通模式"},
        {"丄", "k", "upper"},
        {"乤", "k", "lower"},
        {"乚", "k", "bracket"},
        {"乚", "k2", "still bracket"},
        {kSection, "later", "-"}, // only the first section of a name is searched
        {"", "k", "-"},
        {kSection, "missing", "-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.GetString(c.section, c.key, "-"), c.value) << c.section << "/" << c.key;
}

TEST(Profile, OnePairOfQuotesIsStripped) {
    const struct {
        std::string_view stored;
        std::string_view read;
    } cases[] = {
        {"\"abc\"", "abc"}, {"'abc'", "abc"},     {"\"abc'", "\"abc'"},       {"\"", "\""},
        {"\"\"", ""},       {"\"a\"b\"", "a\"b"}, {"  \" x y \"  ", " x y "}, {"a\"b\"", "a\"b\""},
    };
    for (const auto& c : cases) {
        const ProfileDocument doc = ProfileDocument::Parse(Cat({"[S]\r\nk=", c.stored, "\r\n"}));
        EXPECT_EQ(doc.GetString("S", "k", "?"), c.read) << c.stored;
    }
}

TEST(Profile, ValuesAreCutAt259BytesOnACharacterBoundary) {
    const std::string a257(257, 'a'), a258(258, 'a');
    const struct {
        std::string stored; // GBK
        std::string read;   // UTF-8
    } cases[] = {
        {a258 + "\xD6\xD0", a258},         // 中 would straddle the limit
        {a258 + "\x81\x41", a258},         // so would 丄, whose second byte reads as 'A'
        {a258 + "b\xD6\xD0", a258 + "b"},  // cut after byte 259
        {a257 + "\xD6\xD0", a257 + "中"},  // exactly 259
        {"\"" + a258 + "b\"", a258 + "b"}, // quotes go before the cut
        {std::string(1000, 'z'), std::string(259, 'z')},
    };
    for (const auto& c : cases) {
        const ProfileDocument doc = ProfileDocument::Parse("[S]\r\nk=" + c.stored + "\r\n");
        EXPECT_EQ(doc.GetString("S", "k", ""), c.read) << c.stored.size();
    }
    // In a UTF-8 file the limit counts UTF-8 bytes: 中 takes three.
    const ProfileDocument utf8 = ProfileDocument::Parse("\xEF\xBB\xBF[S]\r\nk=" + a257 + "中\r\n");
    EXPECT_EQ(utf8.GetString("S", "k", ""), a257);
}

TEST(Profile, IntegersReadLikeGetPrivateProfileInt) {
    const struct {
        std::string_view text;
        int value;
        bool hasDigits;
    } cases[] = {
        {" -12abc", -12, true},
        {"\t+42", 42, true},
        {"1e3", 1, true},
        {"0x10", 0, true},
        {"2147483647", INT_MAX, true},
        {"2147483648", INT_MAX, true},
        {"-2147483648", INT_MIN, true},
        {"-99999999999", INT_MIN, true},
        {"********", 0, false},
        {"-", 0, false},
        {"- 5", 0, false},
        {"", 0, false},
    };
    for (const auto& c : cases) {
        const ProfileInt parsed = ParseProfileInt(c.text);
        EXPECT_EQ(parsed.value, c.value) << c.text;
        EXPECT_EQ(parsed.hasDigits, c.hasDigits) << c.text;
    }
}

// ---------------------------------------------------------------------------
// Writing

TEST(Profile, WritesKeepEverythingElseAndEndLinesInCrLf) {
    ProfileDocument doc = ProfileDocument::Parse(
        Cat({"; comment at the top\r\n[Other]\nk=other\r\n\r\n", kGbkSection, "\r\n  ", kGbkGroup,
             " = 01 ; old\r\nx=\xFF\xFE raw bytes stay\r\n\r\n[Tail]\r\nt=1"}));
    ASSERT_TRUE(doc.SetString(kSection, "组号", "0F"));        // in place, spelling kept
    ASSERT_TRUE(doc.SetString("tmx7参数表", "发射功率", "6")); // at the end of its section
    ASSERT_TRUE(doc.SetString("New", "a", "b"));               // a new section at the end
    EXPECT_EQ(doc.Serialize(),
              Cat({"; comment at the top\r\n[Other]\r\nk=other\r\n\r\n", kGbkSection, "\r\n  ",
                   kGbkGroup, " =0F\r\nx=\xFF\xFE raw bytes stay\r\n", kGbkPower,
                   "=6\r\n\r\n[Tail]\r\nt=1\r\n\r\n[New]\r\na=b\r\n"}));
}

TEST(Profile, ValuesNeverBreakTheLineStructure) {
    ProfileDocument doc;
    ASSERT_TRUE(doc.SetString("S", "crlf", "a\r\n[Evil]\r\nb"));
    ASSERT_TRUE(doc.SetString("S", "nul", std::string_view("V1.0\0garbage", 12)));
    ASSERT_TRUE(doc.SetString("S", "ctl", "x\ty\x7Fz"));
    const std::string bytes = doc.Serialize();
    EXPECT_EQ(bytes, "[S]\r\ncrlf=a  [Evil]  b\r\nnul=V1.0\r\nctl=x y z\r\n");
    EXPECT_EQ(ProfileDocument::Parse(bytes).GetString("Evil", "b", "none"), "none");
}

} // namespace
