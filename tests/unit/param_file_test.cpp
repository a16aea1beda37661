#include "protocol/ParamFile.h"

#include "unit/file_test_util.h"

#include "unit/param_fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <locale>
#include <set>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tmx7;
using tmx7::test::TempDirTest;

namespace {

// GBK bytes of the names in the file, as a Windows installation writes them.
constexpr std::string_view kGbkSection = "[\x54\x4D\x58\x37\xB2\xCE\xCA\xFD\xB1\xED]";

struct GbkKey {
    std::string_view utf8;
    std::string_view gbk;
};
constexpr GbkKey kGbkKeys[] = {
    {"版本号", "\xB0\xE6\xB1\xBE\xBA\xC5"},
    {"串口编号", "\xB4\xAE\xBF\xDA\xB1\xE0\xBA\xC5"},
    {"接口格式", "\xBD\xD3\xBF\xDA\xB8\xF1\xCA\xBD"},
    {"发射功率", "\xB7\xA2\xC9\xE4\xB9\xA6\xC2\xCA"},
    {"省电模式", "\xCA\xA1\xB5\xE7\xC4\xA3\xCA\xBD"},
    {"串口模式", "\xB4\xAE\xBF\xDA\xC4\xA3\xCA\xBD"},
    {"空中频率", "\xBF\xD5\xD6\xD0\xC6\xB5\xC2\xCA"},
    {"空中速率", "\xBF\xD5\xD6\xD0\xCB\xD9\xC2\xCA"},
    {"组号", "\xD7\xE9\xBA\xC5"},
    {"被动地址", "\xB1\xBB\xB6\xAF\xB5\xD8\xD6\xB7"},
    {"省电地址", "\xCA\xA1\xB5\xE7\xB5\xD8\xD6\xB7"},
    {"省电周期", "\xCA\xA1\xB5\xE7\xD6\xDC\xC6\xDA"},
    {"唤醒延时", "\xBB\xBD\xD0\xD1\xD1\xD3\xCA\xB1"},
    {"地址开始位置", "\xB5\xD8\xD6\xB7\xBF\xAA\xCA\xBC\xCE\xBB\xD6\xC3"},
    {"地址长度", "\xB5\xD8\xD6\xB7\xB3\xA4\xB6\xC8"},
    {"组内最大数", "\xD7\xE9\xC4\xDA\xD7\xEE\xB4\xF3\xCA\xFD"},
    {"地址类型", "\xB5\xD8\xD6\xB7\xC0\xE0\xD0\xCD"},
};
constexpr std::string_view kGbkStars = "********";
constexpr std::string_view kGbkNormalMode = "\xC6\xD5\xCD\xA8\xC4\xA3\xCA\xBD";  // 普通模式
constexpr std::string_view kGbkPowerSaving = "\xCA\xA1\xB5\xE7\xC4\xA3\xCA\xBD"; // 省电模式

ParamSet Defaults() {
    return tmx7::testing::ImportDefaults();
}

ParamSet ModuleValues() {
    ParamSet p;
    p.version = "TMX7-V2.3";
    p.portName = "COM3";
    p.serialFormat = "9600,n.8.1";
    p.power = "5";
    p.powerMode = "省电模式";
    p.serialMode = "被动模式";
    p.frequency = "433.000MHz";
    p.airRate = "2400bps";
    p.group = "1F";
    p.passiveAddr = "12 34";
    p.saveAddr = "AB CD";
    p.sleepPeriod = "8";
    p.wakeDelay = "1.5";
    p.addrStart = "1";
    p.addrLength = "2";
    p.groupMax = "16";
    p.addrType = "0";
    return p;
}

class ParamFiles : public TempDirTest {};

TEST_F(ParamFiles, MissingFileImportsTheDefaults) {
    const ParamImportResult r = ImportParamFile(Path("tmx7peizhi.tm7"));
    EXPECT_TRUE(r.status);
    EXPECT_FALSE(r.fileFound);
    EXPECT_EQ(r.params, Defaults());
    EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(ParamFiles, ImportsHandWrittenGbkFile) {
    std::string bytes = "; saved on the bench PC\r\n";
    bytes += kGbkSection;
    bytes += "\r\n";
    // Every key present; the import takes only those a download can use.
    for (const GbkKey& k : kGbkKeys) {
        bytes += k.gbk;
        bytes += "=";
        if (k.utf8 == "发射功率")
            bytes += " 3";
        else if (k.utf8 == "省电模式")
            bytes += kGbkPowerSaving;
        else if (k.utf8 == "组号")
            bytes += "\"0A\"";
        else
            bytes += kGbkStars;
        bytes += "\r\n";
    }
    WriteBytes(Path("p.tm7"), bytes);

    const ParamImportResult r = ImportParamFile(Path("p.tm7"));
    ASSERT_TRUE(r.status);
    EXPECT_TRUE(r.fileFound);
    ParamSet expected;
    expected.powerLevel = 3;
    expected.power = "3";
    expected.powerMode = "省电模式";
    expected.group = "0A";
    for (std::string ParamSet::*field :
         {&ParamSet::serialMode, &ParamSet::frequency, &ParamSet::airRate, &ParamSet::passiveAddr,
          &ParamSet::saveAddr, &ParamSet::sleepPeriod, &ParamSet::wakeDelay})
        expected.*field = "********";
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
        {"=5", 5, "5"},
        {"= 6dB", 6, "6"},
        {"=-2", -2, "-2"},
        {"=99999999999", INT_MAX, "2147483647"},
        {"=********", kPowerLevelNotSet, "********"},
        {"=high", kPowerLevelNotSet, "********"},
        {"=-1", -1, "-1"},
    };
    for (const auto& c : cases) {
        std::string bytes = std::string(kGbkSection) + "\r\n";
        if (c.line)
            bytes += std::string(kGbkKeys[3].gbk) + c.line + "\r\n";
        WriteBytes(Path("p.tm7"), bytes);
        const ParamImportResult r = ImportParamFile(Path("p.tm7"));
        EXPECT_EQ(r.params.powerLevel, c.level) << (c.line ? c.line : "(missing)");
        EXPECT_EQ(r.params.power, c.text) << (c.line ? c.line : "(missing)");
    }
}

TEST_F(ParamFiles, ExportWritesTheSeventeenKeysInOrderAsGbk) {
    const std::string path = Path("tmx7peizhi.tm7");
    const ParamExportResult r = ExportParamFile(ModuleValues(), path);
    ASSERT_TRUE(r.status) << r.status.message;
    EXPECT_EQ(r.absolutePath, std::filesystem::canonical(path).string());

    const std::string_view values[] = {"TMX7-V2.3",
                                       "COM3",
                                       "9600,n.8.1",
                                       "5",
                                       kGbkPowerSaving,
                                       "\xB1\xBB\xB6\xAF\xC4\xA3\xCA\xBD", // 被动模式
                                       "433.000MHz",
                                       "2400bps",
                                       "1F",
                                       "12 34",
                                       "AB CD",
                                       "8",
                                       "1.5",
                                       "1",
                                       "2",
                                       "16",
                                       "0"};
    std::string expected = std::string(kGbkSection) + "\r\n";
    for (std::size_t i = 0; i < std::size(kGbkKeys); ++i)
        expected += std::string(kGbkKeys[i].gbk) + "=" + std::string(values[i]) + "\r\n";
    EXPECT_EQ(ReadBytes(path), expected);
    // A file the export created ends read-only as well.
    EXPECT_TRUE(IsReadOnly(path));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(ParamFiles, ReExportRewritesTheReadOnlyFileAndKeepsOtherLines) {
    const std::string path = Path("p.tm7");
    WriteBytes(path, std::string("[Notes]\r\nwho=bench 2\r\n\r\n") + std::string(kGbkSection) +
                         "\r\n" + std::string(kGbkKeys[8].gbk) + "=00\r\nextra=kept\r\n");
    ASSERT_TRUE(SetReadOnly(path, true));

    ASSERT_TRUE(ExportParamFile(ModuleValues(), path).status);
    ParamSet second = ModuleValues();
    second.group = "2E";
    const ParamExportResult r = ExportParamFile(second, path);
    ASSERT_TRUE(r.status) << r.status.message;
    EXPECT_TRUE(IsReadOnly(path));

    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.rfind("[Notes]\r\nwho=bench 2\r\n\r\n", 0), 0u);
    // The group line stays where it was, with the new value, before the kept key.
    const std::string group = std::string(kGbkKeys[8].gbk) + "=2E\r\nextra=kept\r\n";
    EXPECT_NE(bytes.find(group), std::string::npos);
    EXPECT_EQ(GetProfileString(path, kParamSection, "组号", ""), "2E");
    EXPECT_EQ(GetProfileString(path, "Notes", "who", ""), "bench 2");
}

TEST_F(ParamFiles, ExportWithoutAModuleWritesStarsAndThePort) {
    ParamSet blank;
    for (const ParamFileKey& k : kParamFileKeys)
        blank.*k.field = kUnknownValue;
    blank.portName = "COM1";
    const std::string path = Path("p.tm7");
    ASSERT_TRUE(ExportParamFile(blank, path).status);
    for (const ParamFileKey& k : kParamFileKeys)
        EXPECT_EQ(GetProfileString(path, kParamSection, k.key, "?"),
                  std::string_view(k.key) == "串口编号" ? "COM1" : "********")
            << k.key;
    // Importing it gives "not set" power, never level 0.
    const ParamImportResult r = ImportParamFile(path);
    EXPECT_EQ(r.params.powerLevel, kPowerLevelNotSet);
    EXPECT_EQ(r.params.power, "********");
}

TEST_F(ParamFiles, ValuesNeverCarryLineBreaksOrNul) {
    ParamSet p = ModuleValues();
    p.version = std::string("V1.2\0\0\x01\x02", 8); // fixed-size version field from the module
    p.serialFormat = "9600,\r\n[Evil]\r\nn.8.1";
    const std::string path = Path("p.tm7");
    ASSERT_TRUE(ExportParamFile(p, path).status);
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.find('\0'), std::string::npos);
    EXPECT_EQ(GetProfileString(path, kParamSection, "版本号", ""), "V1.2");
    EXPECT_EQ(GetProfileString(path, kParamSection, "接口格式", ""), "9600,  [Evil]  n.8.1");
    EXPECT_EQ(GetProfileString(path, "Evil", "n.8.1", "none"), "none");
    // Seventeen keys, one section: exactly 18 CR LF line ends.
    std::size_t lines = 0;
    for (std::size_t i = bytes.find("\r\n"); i != std::string::npos; i = bytes.find("\r\n", i + 2))
        ++lines;
    EXPECT_EQ(lines, 18u);
}

TEST_F(ParamFiles, RoundTripKeepsWhatTheImportReads) {
    const std::string path = Path("p.tm7");
    const ParamSet original = ModuleValues();
    ASSERT_TRUE(ExportParamFile(original, path).status);
    const ParamImportResult r = ImportParamFile(path);
    ASSERT_TRUE(r.status);

    ParamSet expected = original;
    for (std::string ParamSet::*field :
         {&ParamSet::version, &ParamSet::portName, &ParamSet::serialFormat, &ParamSet::serialBaud,
          &ParamSet::addrStart, &ParamSet::addrLength, &ParamSet::groupMax, &ParamSet::addrType})
        expected.*field = "";
    expected.powerLevel = 5;
    EXPECT_EQ(r.params, expected);
}

// A decimal comma in the process locale must not leak into the file.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST_F(ParamFiles, NumbersIgnoreTheLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string cPrevious = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name))
            break;
    }
    ParamSet p = ModuleValues();
    p.wakeDelay = "0.3";
    const std::string path = Path("p.tm7");
    const bool exported = ExportParamFile(p, path).status.ok;
    WriteBytes(Path("q.tm7"),
               std::string(kGbkSection) + "\r\n" + std::string(kGbkKeys[3].gbk) + "=1234567\r\n");
    const ParamImportResult imported = ImportParamFile(path);
    const ParamImportResult big = ImportParamFile(Path("q.tm7"));
    std::setlocale(LC_ALL, cPrevious.c_str());
    std::locale::global(previous);

    ASSERT_TRUE(exported);
    EXPECT_EQ(imported.params.wakeDelay, "0.3");
    EXPECT_EQ(big.params.power, "1234567");
}

TEST_F(ParamFiles, ExportFailureIsReportedWithThePlace) {
    const std::string path = Path("no-such-folder/p.tm7");
    const ParamExportResult r = ExportParamFile(ModuleValues(), path);
    EXPECT_FALSE(r.status);
    EXPECT_EQ(r.status.error, ENOENT);
    EXPECT_NE(r.status.message.find("no-such-folder"), std::string::npos);
    EXPECT_EQ(r.absolutePath, path);
}

// What stands at a path and around it, to tell that nothing changed.
struct Snapshot {
    mode_t mode = 0;
    std::string content; // file bytes, link text or the names in a folder
    mode_t parentMode = 0;
    std::set<std::string> parentNames;
    timespec parentChanged{};

    static Snapshot Of(const std::string& path) {
        namespace fs = std::filesystem;
        Snapshot s;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            s.mode = st.st_mode;
            if (S_ISLNK(st.st_mode))
                s.content = fs::read_symlink(path).string();
            else if (S_ISDIR(st.st_mode))
                for (const auto& e : fs::directory_iterator(path))
                    s.content += e.path().filename().string() + "\n";
            else if (S_ISREG(st.st_mode))
                s.content = (std::ostringstream() << std::ifstream(path).rdbuf()).str();
        }
        const std::string parent = fs::path(path).parent_path().string();
        EXPECT_EQ(::stat(parent.c_str(), &st), 0);
        s.parentMode = st.st_mode;
        s.parentChanged = st.st_mtim; // a temporary made and removed shows here
        for (const auto& e : fs::directory_iterator(parent))
            s.parentNames.insert(e.path().filename().string());
        return s;
    }
    bool operator==(const Snapshot& o) const {
        return mode == o.mode && content == o.content && parentMode == o.parentMode &&
               parentNames == o.parentNames && parentChanged.tv_sec == o.parentChanged.tv_sec &&
               parentChanged.tv_nsec == o.parentChanged.tv_nsec;
    }
};

// A pseudo-terminal's slave: a real character device any user may have.
struct Pty {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    std::string slave =
        master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0 ? ::ptsname(master) : "";
    ~Pty() {
        if (master >= 0)
            ::close(master);
    }
};

TEST_F(ParamFiles, ExportOntoAnythingButARegularFileIsRefusedAndTouchesNothing) {
    namespace fs = std::filesystem;
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    // Each target in its own folder, so that folder is seen whole.
    auto place = [&](const char* name) {
        fs::create_directory(Path(name));
        ::chmod(Path(name).c_str(), 0750);
        return Path(name) + "/p.tm7";
    };
    const std::string folder = place("folder");
    fs::create_directory(folder);
    WriteBytes(folder + "/inside", "kept");
    const std::string fifo = place("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string toFifo = place("to-fifo");
    ASSERT_EQ(::symlink(fifo.c_str(), toFifo.c_str()), 0);
    const std::string toPty = place("to-pty");
    ASSERT_EQ(::symlink(pty.slave.c_str(), toPty.c_str()), 0);
    const std::string toFolder = place("to-folder");
    ASSERT_EQ(::symlink(folder.c_str(), toFolder.c_str()), 0);
    const std::string dangling = place("dangling");
    ASSERT_EQ(::symlink("nowhere/p.tm7", dangling.c_str()), 0);
    const std::string socketPath = place("socket");
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        socketPath.copy(addr.sun_path, sizeof addr.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
    }

    const struct {
        std::string path;
        int error;
        std::string message;
    } cases[] = {
        {folder, EISDIR, "write " + folder + ": a folder, not a regular file"},
        {fifo, EINVAL, "write " + fifo + ": a FIFO, not a regular file"},
        {socketPath, EINVAL, "write " + socketPath + ": a socket, not a regular file"},
        {pty.slave, EINVAL, "write " + pty.slave + ": a character device, not a regular file"},
        {toFifo, EINVAL,
         "write " + toFifo + ": a link to " + fs::canonical(fifo).string() +
             ", a FIFO, not a regular file"},
        {toPty, EINVAL,
         "write " + toPty + ": a link to " + pty.slave +
             ", a character device, not a regular file"},
        {toFolder, EISDIR,
         "write " + toFolder + ": a link to " + fs::canonical(folder).string() +
             ", a folder, not a regular file"},
        {dangling, ENOENT, "write " + dangling + ": a link to a file that does not exist"},
    };
    for (const auto& c : cases) {
        // A link's far end is looked at too.
        const std::string leadsTo = fs::exists(c.path) ? fs::canonical(c.path).string() : c.path;
        const Snapshot before = Snapshot::Of(c.path);
        const Snapshot farEnd = Snapshot::Of(leadsTo);
        const ParamExportResult r = ExportParamFile(ModuleValues(), c.path);
        EXPECT_FALSE(r.status) << c.path;
        EXPECT_EQ(r.status.error, c.error) << c.path;
        EXPECT_EQ(r.status.message, c.message);
        EXPECT_EQ(r.problem, ParamFileProblem::NotAFile) << c.path;
        EXPECT_TRUE(Snapshot::Of(c.path) == before) << c.path << " or its folder changed";
        EXPECT_TRUE(Snapshot::Of(leadsTo) == farEnd) << leadsTo << " or its folder changed";
    }
}

TEST_F(ParamFiles, ExportThroughALinkReplacesTheFileItLeadsTo) {
    namespace fs = std::filesystem;
    fs::create_directory(Path("real"));
    const std::string real = Path("real/p.tm7");
    WriteBytes(real, std::string(kGbkSection) + "\r\n" + std::string(kGbkKeys[8].gbk) + "=00\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0444), 0);
    ASSERT_EQ(::link(real.c_str(), Path("real/old-inode").c_str()), 0);
    const std::string link = Path("p.tm7");
    ASSERT_EQ(::symlink("real/p.tm7", link.c_str()), 0);

    const ParamExportResult r = ExportParamFile(ModuleValues(), link);
    ASSERT_TRUE(r.status) << r.status.message;
    EXPECT_EQ(fs::read_symlink(link), "real/p.tm7") << "the link stays a link";
    EXPECT_EQ(GetProfileString(real, kParamSection, "组号", ""), "1F");
    EXPECT_TRUE(IsReadOnly(real));
    EXPECT_EQ(ReadBytes(Path("real/old-inode")),
              std::string(kGbkSection) + "\r\n" + std::string(kGbkKeys[8].gbk) + "=00\r\n");
    EXPECT_EQ(EntryCount(), 2u) << "no temporary beside the link";
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("real")), fs::directory_iterator()), 2)
        << "no temporary beside the file";
}

TEST_F(ParamFiles, ExportOverAFileThatIsNoParameterTextIsRefused) {
    const struct {
        std::string bytes;
        ParamFileProblem problem;
    } cases[] = {
        {std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0",
                     10),
         ParamFileProblem::Binary},
        {std::string(kParamFileMaxBytes + 1, 'a'), ParamFileProblem::TooLarge},
        {"[TMX7参数表]\r\n组号=00\r\n", ParamFileProblem::Utf8NoBom},
    };
    const std::string path = Path("p.tm7");
    for (const auto& c : cases) {
        WriteBytes(path, c.bytes);
        ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
        const ParamExportResult r = ExportParamFile(ModuleValues(), path);
        EXPECT_FALSE(r.status);
        EXPECT_EQ(r.problem, c.problem) << r.status.message;
        EXPECT_EQ(ReadBytes(path), c.bytes);
        EXPECT_FALSE(IsReadOnly(path)) << "its bits as they were";
        EXPECT_EQ(EntryCount(), 1u);
    }
}

TEST_F(ParamFiles, AFileThatCannotBeUsedImportsNothing) {
    std::filesystem::create_directory(Path("folder"));
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", Path("zero").c_str()), 0);
    // Reading this one fails at the first byte, whoever runs the test.
    ASSERT_EQ(::symlink("/proc/self/mem", Path("unreadable").c_str()), 0);
    const std::string big = Path("big");
    {
        std::ofstream out(big);
        out << "[TMX7参数表]\r\n";
    }
    std::filesystem::resize_file(big, 100u << 20); // sparse, 100 MB
    WriteBytes(Path("binary"), std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    WriteBytes(Path("bad-gbk"), std::string(kGbkSection) + "\r\n\xFF\xFF=1\r\n");
    WriteBytes(Path("bad-utf8"), "\xEF\xBB\xBF[TMX7参数表]\r\n\xC3=1\r\n");
    WriteBytes(Path("utf8"), "[TMX7参数表]\r\n组号=05\r\n");
    WriteBytes(Path("other-section"), "[Notes]\r\ngroup=05\r\n");
    WriteBytes(Path("empty"), "");

    const struct {
        const char* name;
        ParamFileProblem problem;
        std::string message; // after the path
    } cases[] = {
        {"folder", ParamFileProblem::NotAFile, ": a folder, not a regular file"},
        {"fifo", ParamFileProblem::NotAFile, ": a FIFO, not a regular file"},
        {"zero", ParamFileProblem::NotAFile, ": a character device, not a regular file"},
        {"unreadable", ParamFileProblem::Unreadable, ": Input/output error"},
        {"big", ParamFileProblem::TooLarge, ": larger than 65536 bytes"},
        {"binary", ParamFileProblem::Binary, ": binary data (byte 00 at offset 8)"},
        {"bad-gbk", ParamFileProblem::BadEncoding, ": not valid GBK text"},
        {"bad-utf8", ParamFileProblem::BadEncoding, ": not valid UTF-8 after its byte-order mark"},
        {"utf8", ParamFileProblem::Utf8NoBom,
         ": UTF-8 text without a byte-order mark (GBK expected)"},
        {"other-section", ParamFileProblem::NoSection, ": no [TMX7参数表] section"},
        {"empty", ParamFileProblem::NoSection, ": no [TMX7参数表] section"},
    };
    for (const auto& c : cases) {
        const ParamImportResult r = ImportParamFile(Path(c.name));
        EXPECT_FALSE(r.Usable()) << c.name;
        EXPECT_TRUE(r.fileFound) << c.name;
        EXPECT_EQ(r.problem, c.problem) << c.name;
        EXPECT_EQ(r.params, ParamSet{}) << c.name;
        const std::string m = r.status.message;
        EXPECT_EQ(m.substr(m.find(Path(c.name)) + Path(c.name).size()), c.message) << m;
    }
    // A link to nothing is a file that does not exist: the defaults, said so.
    ASSERT_EQ(::symlink("nowhere", Path("dangling").c_str()), 0);
    const ParamImportResult r = ImportParamFile(Path("dangling"));
    EXPECT_TRUE(r.Usable());
    EXPECT_FALSE(r.fileFound);
    EXPECT_EQ(r.params, Defaults());
}

TEST_F(ParamFiles, Utf8FileStaysUtf8) {
    const std::string path = Path("p.tm7");
    WriteBytes(path, "\xEF\xBB\xBF[TMX7参数表]\r\n组号=07\r\n");
    ASSERT_TRUE(ExportParamFile(ModuleValues(), path).status);
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF[TMX7参数表]\r\n组号=1F\r\n", 0), 0u);
    EXPECT_NE(bytes.find("省电模式=省电模式\r\n"), std::string::npos);
    EXPECT_EQ(ImportParamFile(path).params.powerMode, "省电模式");
}

} // namespace
