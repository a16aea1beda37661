#include "platform/ProfileFile.h"

#include "unit/file_test_util.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tmx7;
using tmx7::test::TempDirTest;

namespace {

// "[TMX7参数表]" and two of its keys, as a Windows editor saves them (GBK).
constexpr std::string_view kGbkSection = "[\x54\x4D\x58\x37\xB2\xCE\xCA\xFD\xB1\xED]";
constexpr std::string_view kGbkPower = "\xB7\xA2\xC9\xE4\xB9\xA6\xC2\xCA";  // 发射功率
constexpr std::string_view kGbkGroup = "\xD7\xE9\xBA\xC5";                  // 组号
constexpr std::string_view kGbkNormal = "\xC6\xD5\xCD\xA8\xC4\xA3\xCA\xBD"; // 普通模式
constexpr const char* kSection = "TMX7参数表";

std::string Lines(std::initializer_list<std::string_view> lines, std::string_view eol) {
    std::string out;
    for (std::string_view l : lines) {
        out += l;
        out += eol;
    }
    return out;
}

std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts)
        out += p;
    return out;
}

// ---------------------------------------------------------------------------
// Reading

class LineEndings : public ::testing::TestWithParam<std::string_view> {};

TEST_P(LineEndings, ReadsHandWrittenGbkFile) {
    const std::string bytes = Lines({"; written by hand", kGbkSection, Cat({kGbkPower, "=5"}),
                                     Cat({kGbkGroup, "=0A"}), Cat({"mode=", kGbkNormal})},
                                    GetParam());
    const ProfileDocument doc = ProfileDocument::Parse(bytes);
    EXPECT_EQ(doc.encoding(), TextEncoding::Gbk);
    EXPECT_EQ(doc.GetString(kSection, "发射功率", "x"), "5");
    EXPECT_EQ(doc.GetString(kSection, "组号", "x"), "0A");
    EXPECT_EQ(doc.GetString(kSection, "mode", "x"), "普通模式");
    EXPECT_EQ(doc.GetInt(kSection, "发射功率", 7), 5);
    EXPECT_EQ(doc.GetString(kSection, "missing", "dflt"), "dflt");
    EXPECT_EQ(doc.GetString("other", "组号", "dflt"), "dflt");
}

INSTANTIATE_TEST_SUITE_P(Profile, LineEndings, ::testing::Values("\r\n", "\n"),
                         [](const auto& info) { return info.param == "\n" ? "LF" : "CRLF"; });

TEST(Profile, ByteOrderMarkFileIsUtf8) {
    ProfileDocument doc =
        ProfileDocument::Parse("\xEF\xBB\xBF[TMX7参数表]\r\n发射功率=3\r\n模式=普通模式\r\n");
    EXPECT_EQ(doc.encoding(), TextEncoding::Utf8);
    EXPECT_EQ(doc.GetString(kSection, "模式", ""), "普通模式");
    ASSERT_TRUE(doc.SetString(kSection, "组号", "中"));
    EXPECT_EQ(doc.Serialize(),
              "\xEF\xBB\xBF[TMX7参数表]\r\n发射功率=3\r\n模式=普通模式\r\n组号=中\r\n");
}

TEST(Profile, NamesMatchCaseInsensitivelyAfterTrimming) {
    const ProfileDocument doc = ProfileDocument::Parse("  [ tmx7\xB2\xCE\xCA\xFD\xB1\xED ]  \r\n"
                                                       "  Version  =  V2.1  \r\n"
                                                       "\tPORT\t=\tCOM3\r\n");
    EXPECT_EQ(doc.GetString("TMX7参数表", "version", ""), "V2.1");
    EXPECT_EQ(doc.GetString(" TMX7参数表 ", "VERSION ", ""), "V2.1");
    EXPECT_EQ(doc.GetString("Tmx7参数表", "port", ""), "COM3");
}

TEST(Profile, GbkTrailBytesAreNotAsciiLetters) {
    // 丄 is 81 41 and 乤 is 81 61: folding the second byte as a letter would
    // make them the same name. 乚 is 81 5D, whose second byte is ']'.
    const ProfileDocument doc = ProfileDocument::Parse(Lines(
        {"[\x81\x41]", "k=upper", "[\x81\x61]", "k=lower", "[\x81\x5D]", "k=bracket"}, "\r\n"));
    EXPECT_EQ(doc.GetString("丄", "k", ""), "upper");
    EXPECT_EQ(doc.GetString("乤", "k", ""), "lower");
    EXPECT_EQ(doc.GetString("乚", "k", ""), "bracket");

    // "[乚" has no closing bracket of its own, so it opens no section.
    const ProfileDocument open = ProfileDocument::Parse("[s]\r\n[\x81\x5D\r\nk=1\r\n");
    EXPECT_EQ(open.GetString("s", "k", ""), "1");
}

TEST(Profile, FirstMatchWins) {
    const ProfileDocument doc = ProfileDocument::Parse("[S]\r\n"
                                                       "k=first\r\n"
                                                       "K=second\r\n"
                                                       "[s]\r\n"
                                                       "k=third\r\n"
                                                       "only=later\r\n");
    EXPECT_EQ(doc.GetString("S", "k", ""), "first");
    // Like the Windows calls, only the first section of a name is searched.
    EXPECT_EQ(doc.GetString("S", "only", "none"), "none");
}

TEST(Profile, LinesOutsideKeysAreIgnored) {
    const ProfileDocument doc = ProfileDocument::Parse("k=before any section\r\n"
                                                       "[S]\r\n"
                                                       ";k=commented\r\n"
                                                       "no equals sign\r\n"
                                                       "=no name\r\n"
                                                       "k=real\r\n");
    EXPECT_EQ(doc.GetString("S", "k", ""), "real");
    EXPECT_EQ(doc.GetString("", "k", "none"), "none");
}

TEST(Profile, OnePairOfQuotesIsStripped) {
    const struct {
        std::string_view stored;
        std::string_view read;
    } cases[] = {
        {"\"abc\"", "abc"},     {"'abc'", "abc"},       {"\"abc'", "\"abc'"},
        {"\"", "\""},           {"\"\"", ""},           {"\"a\"b\"", "a\"b"},
        {"  \"x y\"  ", "x y"}, {"\"\"x\"\"", "\"x\""}, {"\" padded \"", " padded "},
        {"a\"b\"", "a\"b\""},
    };
    for (const auto& c : cases) {
        const ProfileDocument doc = ProfileDocument::Parse(Cat({"[S]\r\nk=", c.stored, "\r\n"}));
        EXPECT_EQ(doc.GetString("S", "k", "?"), c.read) << c.stored;
    }
}

TEST(Profile, ValuesAreCutAt259BytesOnACharacterBoundary) {
    const std::string a258(258, 'a');
    const struct {
        std::string stored; // GBK
        std::string read;   // UTF-8
    } cases[] = {
        {a258 + "\xD6\xD0", a258},        // 260 bytes: 中 would straddle the limit
        {a258 + "b\xD6\xD0", a258 + "b"}, // cut after byte 259
        {std::string(257, 'a') + "\xD6\xD0", std::string(257, 'a') + "中"}, // exactly 259
        {"\"" + a258 + "b\"", a258 + "b"}, // quotes go before the cut
        {std::string(1000, 'z'), std::string(259, 'z')},
    };
    for (const auto& c : cases) {
        const ProfileDocument doc = ProfileDocument::Parse("[S]\r\nk=" + c.stored + "\r\n");
        EXPECT_EQ(doc.GetString("S", "k", ""), c.read) << c.stored.size();
    }
    // In a UTF-8 file the limit counts UTF-8 bytes: 中 takes three.
    const ProfileDocument utf8 =
        ProfileDocument::Parse("\xEF\xBB\xBF[S]\r\nk=" + std::string(257, 'a') + "中\r\n");
    EXPECT_EQ(utf8.GetString("S", "k", ""), std::string(257, 'a'));
}

TEST(Profile, IntegersReadLikeGetPrivateProfileInt) {
    const struct {
        std::string_view text;
        int value;
        bool hasDigits;
    } cases[] = {
        {"5", 5, true},
        {" -12abc", -12, true},
        {"\t+42", 42, true},
        {"007", 7, true},
        {"1e3", 1, true},
        {"0x10", 0, true},
        {"2147483647", INT_MAX, true},
        {"2147483648", INT_MAX, true},
        {"99999999999", INT_MAX, true},
        {"-2147483648", INT_MIN, true},
        {"-99999999999", INT_MIN, true},
        {"-0", 0, true},
        {"********", 0, false},
        {"abc", 0, false},
        {"-", 0, false},
        {"- 5", 0, false},
        {"", 0, false},
    };
    for (const auto& c : cases) {
        const ProfileInt parsed = ParseProfileInt(c.text);
        EXPECT_EQ(parsed.value, c.value) << c.text;
        EXPECT_EQ(parsed.hasDigits, c.hasDigits) << c.text;
    }
    // Missing and empty values take the default; text without digits reads 0.
    const ProfileDocument doc = ProfileDocument::Parse("[S]\r\nempty=\r\nblank=   \r\n"
                                                       "stars=********\r\nbig=99999999999\r\n");
    EXPECT_EQ(doc.GetInt("S", "missing", 7), 7);
    EXPECT_EQ(doc.GetInt("S", "empty", 7), 7);
    EXPECT_EQ(doc.GetInt("S", "blank", 7), 7);
    EXPECT_EQ(doc.GetInt("S", "stars", 7), 0);
    EXPECT_EQ(doc.GetInt("S", "big", 7), INT_MAX);
}

// ---------------------------------------------------------------------------
// Editing in memory

TEST(Profile, WritesKeepEverythingElse) {
    const std::string original = Lines({"; comment at the top", "[Other]", "k=other", "",
                                        kGbkSection, Cat({"  ", kGbkGroup, " = 01 ; old"}),
                                        "x=\xFF\xFE raw bytes stay", "", "[Tail]", "t=1"},
                                       "\r\n");
    ProfileDocument doc = ProfileDocument::Parse(original);
    ASSERT_TRUE(doc.SetString(kSection, "组号", "0F"));        // in place, spelling kept
    ASSERT_TRUE(doc.SetString("tmx7参数表", "发射功率", "6")); // appended to its section
    ASSERT_TRUE(doc.SetString("New", "a", "b"));               // new section at the end
    EXPECT_EQ(doc.Serialize(),
              Lines({"; comment at the top", "[Other]", "k=other", "", kGbkSection,
                     Cat({"  ", kGbkGroup, " =0F"}), "x=\xFF\xFE raw bytes stay",
                     Cat({kGbkPower, "=6"}), "", "[Tail]", "t=1", "", "[New]", "a=b"},
                    "\r\n"));
    EXPECT_EQ(doc.GetString(kSection, "组号", ""), "0F");
}

TEST(Profile, LfFileIsWrittenWithCrLf) {
    ProfileDocument doc = ProfileDocument::Parse("[S]\nk=1\n");
    ASSERT_TRUE(doc.SetString("S", "k", "2"));
    EXPECT_EQ(doc.Serialize(), "[S]\r\nk=2\r\n");
}

TEST(Profile, ValuesNeverBreakTheLineStructure) {
    ProfileDocument doc;
    ASSERT_TRUE(doc.SetString("S", "crlf", "a\r\n[Evil]\r\nb"));
    ASSERT_TRUE(doc.SetString("S", "nul", std::string_view("V1.0\0garbage", 12)));
    ASSERT_TRUE(doc.SetString("S", "ctl", "x\ty\x7Fz"));
    const std::string bytes = doc.Serialize();
    EXPECT_EQ(bytes, "[S]\r\ncrlf=a  [Evil]  b\r\nnul=V1.0\r\nctl=x y z\r\n");
    const ProfileDocument back = ProfileDocument::Parse(bytes);
    EXPECT_EQ(back.GetString("Evil", "b", "none"), "none");
    EXPECT_EQ(back.GetString("S", "nul", ""), "V1.0");
}

TEST(Profile, InvalidNamesAreRefused) {
    ProfileDocument doc;
    const struct {
        std::string_view section, key;
    } bad[] = {{"", "k"},   {"S", ""},    {"a]b", "k"}, {"S", "a=b"}, {"S", "[k"},
               {"S", ";k"}, {"S\n", "k"}, {"S", "k\r"}, {"   ", "k"}, {"S", "  "}};
    for (const auto& b : bad)
        EXPECT_FALSE(doc.SetString(b.section, b.key, "v")) << b.section << "/" << b.key;
    EXPECT_EQ(doc.lineCount(), 0u);
}

TEST(Profile, CharactersGbkLacksBecomeQuestionMarks) {
    ProfileDocument doc;
    ASSERT_TRUE(doc.SetString(kSection, "组号", "a😀b"));
    EXPECT_EQ(doc.Serialize(), Cat({kGbkSection, "\r\n", kGbkGroup, "=a?b\r\n"}));
}

// ---------------------------------------------------------------------------
// Files

class ProfileFiles : public TempDirTest {};

TEST_F(ProfileFiles, MissingFileGivesDefaultsAndIsCreatedByTheFirstWrite) {
    const std::string path = Path("p.ini");
    ProfileDocument doc;
    bool existed = true;
    EXPECT_TRUE(ProfileDocument::Load(path, doc, &existed));
    EXPECT_FALSE(existed);
    EXPECT_EQ(GetProfileString(path, "S", "k", "d"), "d");
    EXPECT_EQ(GetProfileInt(path, "S", "k", 7), 7);
    ASSERT_TRUE(WriteProfileString(path, kSection, "组号", "05"));
    EXPECT_EQ(ReadBytes(path), Cat({kGbkSection, "\r\n", kGbkGroup, "=05\r\n"}));
    EXPECT_EQ(GetProfileString(path, kSection, "组号", ""), "05");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ProfileFiles, ReadOnlyFileIsNeverWritten) {
    const std::string path = Path("ro.ini");
    WriteBytes(path, "[S]\r\nk=old\r\n");
    EXPECT_FALSE(IsReadOnly(path));
    ASSERT_TRUE(SetReadOnly(path, true));
    EXPECT_TRUE(IsReadOnly(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);

    const FileResult r = WriteProfileString(path, "S", "k", "new");
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, EACCES);
    EXPECT_NE(r.message.find(path), std::string::npos);
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=old\r\n");

    ASSERT_TRUE(SetReadOnly(path, false));
    EXPECT_FALSE(IsReadOnly(path));
    EXPECT_TRUE(WriteProfileString(path, "S", "k", "new"));
    EXPECT_EQ(GetProfileString(path, "S", "k", ""), "new");
    EXPECT_FALSE(SetReadOnly(Path("missing"), true));
}

TEST_F(ProfileFiles, RewriteKeepsPermissionBitsAndFollowsLinks) {
    const std::string path = Path("p.ini");
    WriteBytes(path, "[S]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::string link = Path("link.ini");
    ASSERT_EQ(::symlink("p.ini", link.c_str()), 0);
    ASSERT_TRUE(WriteProfileString(link, "S", "k", "2"));
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=2\r\n");
    EXPECT_EQ(EntryCount(), 2u);
}

// Runs `write` in a child without root rights when the test runs as root
// (root ignores folder permissions); returns the errno of the failed write,
// 0 on success.
template <class Fn> int RunUnprivileged(Fn write) {
    if (::geteuid() != 0) {
        const FileResult r = write();
        return r.ok ? 0 : r.error;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(255);
        const FileResult r = write();
        ::_exit(r.ok ? 0 : (r.error > 0 && r.error < 255 ? r.error : 254));
    }
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    return WEXITSTATUS(status);
}

TEST_F(ProfileFiles, UnwritableFolderLeavesTheOldFile) {
    const std::string path = Path("p.ini");
    const std::string old = "[S]\r\nk=old\r\n";
    WriteBytes(path, old);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0); // the file itself is writable
    ASSERT_EQ(::chmod(dir().c_str(), 0555), 0);
    const int error = RunUnprivileged([&] { return WriteProfileString(path, "S", "k", "new"); });
    EXPECT_EQ(error, EACCES);
    ASSERT_EQ(::chmod(dir().c_str(), 0700), 0);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ProfileFiles, FailedWriteLeavesTheOldFileAndNoTemporary) {
    const std::string path = Path("p.ini");
    const std::string old = "[S]\r\nk=old\r\n";
    WriteBytes(path, old);
    // A file size limit makes the write of the temporary file fail half-way,
    // for root too.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult r = WriteFileAtomic(path, std::string(1000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, EFBIG);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ProfileFiles, AbsolutePathNamesTheFolder) {
    const std::string path = Path("p.ini");
    const std::string resolved =
        std::filesystem::canonical(dir()).string() + "/p.ini"; // before the file exists
    EXPECT_EQ(AbsolutePath(path), resolved);
    EXPECT_EQ(AbsolutePath(dir().string() + "/.//p.ini"), resolved);
}

} // namespace
