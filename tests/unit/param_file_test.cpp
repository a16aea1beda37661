#include "protocol/ParamFile.h"

#include "unit/file_test_util.h"

#include "unit/param_fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <locale>
#include <sys/stat.h>
#include <unistd.h>

using namespace tmx7;
using tmx7::test::TempDirTest;

namespace {

// A module's set, and the file a Windows installation writes for it (GBK).
const ParamSet kModule{.powerMode = "省电模式",
                       .serialMode = "被动模式",
                       .serialFormat = "9600,n.8.1",
                       .serialBaud = "",
                       .frequency = "433.000MHz",
                       .airRate = "2400bps",
                       .group = "1F",
                       .passiveAddr = "12 34",
                       .saveAddr = "AB CD",
                       .sleepPeriod = "8",
                       .wakeDelay = "1.5",
                       .portName = "COM3",
                       .power = "5",
                       .version = "TMX7-V2.3",
                       .addrStart = "1",
                       .addrLength = "2",
                       .groupMax = "16",
                       .addrType = "0",
                       .powerLevel = 0};
constexpr std::string_view kGbkSection = "[TMX7\xB2\xCE\xCA\xFD\xB1\xED]\r\n"; // [TMX7参数表]
constexpr std::string_view kModuleFile =
    "[TMX7\xB2\xCE\xCA\xFD\xB1\xED]\r\n"
    "\xB0\xE6\xB1\xBE\xBA\xC5=TMX7-V2.3\r\n"                                // 版本号
    "\xB4\xAE\xBF\xDA\xB1\xE0\xBA\xC5=COM3\r\n"                             // 串口编号
    "\xBD\xD3\xBF\xDA\xB8\xF1\xCA\xBD=9600,n.8.1\r\n"                       // 接口格式
    "\xB7\xA2\xC9\xE4\xB9\xA6\xC2\xCA=5\r\n"                                // 发射功率
    "\xCA\xA1\xB5\xE7\xC4\xA3\xCA\xBD=\xCA\xA1\xB5\xE7\xC4\xA3\xCA\xBD\r\n" // 省电模式=省电模式
    "\xB4\xAE\xBF\xDA\xC4\xA3\xCA\xBD=\xB1\xBB\xB6\xAF\xC4\xA3\xCA\xBD\r\n" // 串口模式=被动模式
    "\xBF\xD5\xD6\xD0\xC6\xB5\xC2\xCA=433.000MHz\r\n"                       // 空中频率
    "\xBF\xD5\xD6\xD0\xCB\xD9\xC2\xCA=2400bps\r\n"                          // 空中速率
    "\xD7\xE9\xBA\xC5=1F\r\n"                                               // 组号
    "\xB1\xBB\xB6\xAF\xB5\xD8\xD6\xB7=12 34\r\n"                            // 被动地址
    "\xCA\xA1\xB5\xE7\xB5\xD8\xD6\xB7=AB CD\r\n"                            // 省电地址
    "\xCA\xA1\xB5\xE7\xD6\xDC\xC6\xDA=8\r\n"                                // 省电周期
    "\xBB\xBD\xD0\xD1\xD1\xD3\xCA\xB1=1.5\r\n"                              // 唤醒延时
    "\xB5\xD8\xD6\xB7\xBF\xAA\xCA\xBC\xCE\xBB\xD6\xC3=1\r\n"                // 地址开始位置
    "\xB5\xD8\xD6\xB7\xB3\xA4\xB6\xC8=2\r\n"                                // 地址长度
    "\xD7\xE9\xC4\xDA\xD7\xEE\xB4\xF3\xCA\xFD=16\r\n"                       // 组内最大数
    "\xB5\xD8\xD6\xB7\xC0\xE0\xD0\xCD=0\r\n";                               // 地址类型

class ParamFiles : public TempDirTest {
protected:
    // What stands at a path and, when the folder is ours, every name in it,
    // each with its type, bits, inode, size and change time: a chmod, a
    // replaced file and a temporary made and removed all show. (/dev/pts is
    // not ours: it changes with every pty another test opens.)
    std::string Look(const std::string& path) const {
        namespace fs = std::filesystem;
        std::string out;
        const auto add = [&](const fs::path& p) {
            struct stat st {};
            if (::lstat(p.c_str(), &st) == 0)
                out += p.string() + " " + std::to_string(st.st_mode) + " " +
                       std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " +
                       std::to_string(st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec) +
                       "\n";
        };
        add(path);
        const fs::path folder = fs::path(path).parent_path();
        if (folder.string().rfind(dir().string(), 0) == 0) {
            add(folder);
            for (const auto& e : fs::recursive_directory_iterator(folder))
                add(e.path());
        }
        return out;
    }
};

TEST_F(ParamFiles, ExportWritesTheSeventeenKeysInOrderAsGbkAndReadOnly) {
    const std::string path = Path("tmx7peizhi.tm7");
    const ParamExportResult r = ExportParamFile(kModule, path);
    ASSERT_TRUE(r.status) << r.status.message;
    EXPECT_EQ(r.absolutePath, std::filesystem::canonical(path).string());
    EXPECT_EQ(ReadBytes(path), kModuleFile);
    EXPECT_TRUE(IsReadOnly(path));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ParamFiles, ImportTakesOnlyWhatADownloadUses) {
    WriteBytes(Path("p.tm7"), "; saved on the bench PC\r\n" + std::string(kModuleFile));
    const ParamImportResult r = ImportParamFile(Path("p.tm7"));
    ASSERT_TRUE(r.Usable()) << r.status.message;
    EXPECT_TRUE(r.fileFound);
    // The keys only the export writes stay empty.
    ParamSet expected = kModule;
    expected.serialFormat = expected.portName = expected.version = "";
    expected.addrStart = expected.addrLength = expected.groupMax = expected.addrType = "";
    expected.powerLevel = 5;
    EXPECT_EQ(r.params, expected);
}

TEST_F(ParamFiles, PowerImportsAsANumberOrAsNotSet) {
    const struct {
        const char* line; // nullptr: no such key
        int level;
        const char* text;
    } cases[] = {
        {nullptr, 7, "7"},
        {"=", 7, "7"},
        {"= 6dB", 6, "6"},
        // What an export writes when no answer came: level 0 would set the lowest power.
        {"=********", kPowerLevelNotSet, "********"},
    };
    for (const auto& c : cases) {
        std::string bytes(kGbkSection);
        if (c.line)
            bytes += "\xB7\xA2\xC9\xE4\xB9\xA6\xC2\xCA" + std::string(c.line) + "\r\n"; // 发射功率
        WriteBytes(Path("p.tm7"), bytes);
        const ParamImportResult r = ImportParamFile(Path("p.tm7"));
        EXPECT_EQ(r.params.powerLevel, c.level) << (c.line ? c.line : "(missing)");
        EXPECT_EQ(r.params.power, c.text) << (c.line ? c.line : "(missing)");
    }
}

// A decimal comma and digit grouping in the process locale.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST_F(ParamFiles, NumbersIgnoreTheLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string cPrevious = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_ALL, name))
            break;
    ParamSet p = kModule;
    p.power = "1234567";
    const bool exported = ExportParamFile(p, Path("p.tm7")).status.ok;
    const ParamImportResult imported = ImportParamFile(Path("p.tm7"));
    std::setlocale(LC_ALL, cPrevious.c_str());
    std::locale::global(previous);

    ASSERT_TRUE(exported);
    EXPECT_EQ(imported.params.power, "1234567");
    EXPECT_EQ(imported.params.wakeDelay, "1.5");
}

TEST_F(ParamFiles, ExportIntoAMissingFolderFailsNamingThePlace) {
    const std::string path = Path("no-such-folder/p.tm7");
    const ParamExportResult r = ExportParamFile(kModule, path);
    EXPECT_EQ(r.status.error, ENOENT);
    EXPECT_NE(r.status.message.find("no-such-folder"), std::string::npos);
    EXPECT_EQ(r.absolutePath, path);
}

TEST_F(ParamFiles, ReExportThroughALinkKeepsTheLinkAndOtherLines) {
    namespace fs = std::filesystem;
    fs::create_directory(Path("real"));
    const std::string real = Path("real/p.tm7");
    WriteBytes(real, "[Notes]\r\nwho=bench 2\r\n\r\n" + std::string(kGbkSection) +
                         "\xD7\xE9\xBA\xC5=00\r\nextra=kept\r\n"); // 组号=00
    ASSERT_EQ(::chmod(real.c_str(), 0444), 0);                     // as the last export left it
    ASSERT_EQ(::symlink("real/p.tm7", Path("p.tm7").c_str()), 0);

    const ParamExportResult r = ExportParamFile(kModule, Path("p.tm7"));
    ASSERT_TRUE(r.status) << r.status.message;
    EXPECT_EQ(fs::read_symlink(Path("p.tm7")), "real/p.tm7") << "the link stays a link";
    // Every other line stays where it was; the group changes in place and the
    // keys the file lacked go at the end of the section.
    const std::string bytes = ReadBytes(real);
    EXPECT_EQ(bytes.rfind("[Notes]\r\nwho=bench 2\r\n\r\n" + std::string(kGbkSection) +
                              "\xD7\xE9\xBA\xC5=1F\r\nextra=kept\r\n\xB0\xE6\xB1\xBE\xBA\xC5=TMX7",
                          0),
              0u)
        << bytes;
    EXPECT_TRUE(bytes.ends_with("\xB5\xD8\xD6\xB7\xC0\xE0\xD0\xCD=0\r\n")); // 地址类型=0
    EXPECT_TRUE(IsReadOnly(real));
}

// Whatever stands at the name that is not a parameter file is left exactly as
// it was by an export, and an import of it arms nothing.
TEST_F(ParamFiles, NothingButAParameterFileIsImportedOrOverwritten) {
    namespace fs = std::filesystem;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY); // its slave: a device any user has
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const std::string pty = ::ptsname(master);
    fs::create_directory(Path("folder"));
    WriteBytes(Path("folder/inside"), "kept");
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);           // used to freeze the window
    ASSERT_EQ(::symlink(pty.c_str(), Path("to-pty").c_str()), 0); // like a link to our stdout
    ASSERT_EQ(::symlink(Path("folder").c_str(), Path("to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", Path("dangling").c_str()), 0);
    ASSERT_EQ(::symlink("/proc/self/mem", Path("unreadable").c_str()), 0); // fails at byte one
    WriteBytes(Path("binary"), std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    WriteBytes(Path("big"), std::string(kParamFileMaxBytes + 1, 'a'));
    WriteBytes(Path("bad-gbk"), std::string(kGbkSection) + "\xFF\xFF=1\r\n");
    WriteBytes(Path("bad-utf8"), "\xEF\xBB\xBF[TMX7参数表]\r\n\xC3=1\r\n");
    WriteBytes(Path("utf8"), "[TMX7参数表]\r\n组号=05\r\n");
    WriteBytes(Path("other-section"), "[Notes]\r\ngroup=05\r\n");
    WriteBytes(Path("empty"), "");
    const std::string far = fs::canonical(Path("folder")).string();

    // The import says why in `why`; the export refuses with the same problem
    // and words (through a link it names where the link leads), except where
    // noted.
    using P = ParamFileProblem;
    const struct {
        std::string name;
        P problem;
        std::string why, exportWhy = "";
    } cases[] = {
        {"folder", P::NotAFile, ": a folder, not a regular file"},
        {"fifo", P::NotAFile, ": a FIFO, not a regular file"},
        {pty, P::NotAFile, ": a character device, not a regular file"},
        {"to-pty", P::NotAFile, ": a character device, not a regular file",
         ": a link to " + pty + ", a character device, not a regular file"},
        {"to-folder", P::NotAFile, ": a folder, not a regular file",
         ": a link to " + far + ", a folder, not a regular file"},
        // Nothing there: the import gives the defaults; the export refuses the link.
        {"dangling", P::None, "", ": a link to a file that does not exist"},
        {"unreadable", P::Unreadable, ": Input/output error"},
        {"binary", P::Binary, ": binary data (byte 00 at offset 8)"},
        {"big", P::TooLarge, ": larger than 65536 bytes"},
        {"bad-gbk", P::BadEncoding, ": not valid GBK text"},
        {"bad-utf8", P::BadEncoding, ": not valid UTF-8 after its byte-order mark"},
        {"utf8", P::Utf8NoBom, ": UTF-8 text without a byte-order mark (GBK expected)"},
        // Text without the section: the export adds it.
        {"other-section", P::NoSection, ": no [TMX7参数表] section"},
        {"empty", P::NoSection, ": no [TMX7参数表] section"},
    };
    for (const auto& c : cases) {
        const std::string path = c.name.front() == '/' ? c.name : Path(c.name);
        const ParamImportResult in = ImportParamFile(path);
        EXPECT_EQ(in.problem, c.problem) << c.name;
        if (c.problem == P::None) {
            EXPECT_TRUE(in.Usable() && !in.fileFound) << c.name;
            EXPECT_EQ(in.params, tmx7::testing::ImportDefaults()) << c.name;
        } else {
            EXPECT_FALSE(in.Usable()) << c.name;
            EXPECT_TRUE(in.fileFound) << c.name;
            EXPECT_EQ(in.params, ParamSet{}) << c.name;
            EXPECT_TRUE(in.status.message.ends_with(path + c.why)) << in.status.message;
        }
        if (c.problem == P::NoSection)
            continue;
        const std::string leadsTo = fs::exists(path) ? fs::canonical(path).string() : path;
        const std::string before = Look(path), farBefore = Look(leadsTo);
        const ParamExportResult out = ExportParamFile(kModule, path);
        EXPECT_FALSE(out.status) << c.name;
        EXPECT_EQ(out.problem, c.problem == P::None ? P::NotAFile : c.problem) << c.name;
        EXPECT_TRUE(
            out.status.message.ends_with(path + (c.exportWhy.empty() ? c.why : c.exportWhy)))
            << out.status.message;
        EXPECT_EQ(Look(path), before) << c.name << " or its folder changed";
        EXPECT_EQ(Look(leadsTo), farBefore) << leadsTo << " or its folder changed";
    }
    ::close(master);
}

TEST_F(ParamFiles, AUtf8FileWithItsMarkIsReadAndStaysUtf8) {
    const std::string path = Path("p.tm7");
    WriteBytes(path, "\xEF\xBB\xBF[TMX7参数表]\r\n组号=07\r\n");
    EXPECT_EQ(ImportParamFile(path).params.group, "07");
    ASSERT_TRUE(ExportParamFile(kModule, path).status);
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF[TMX7参数表]\r\n组号=1F\r\n", 0), 0u);
    EXPECT_NE(bytes.find("省电模式=省电模式\r\n"), std::string::npos);
}

} // namespace
