// The one reader and the one writer of the program's files, against whatever
// can stand at a file's name.

#include "platform/FileAccess.h"

#include "unit/file_test_util.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tmx7;
using tmx7::test::TempDirTest;

namespace {

class Files : public TempDirTest {
protected:
    static mode_t Mode(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st.st_mode;
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir()))
            names.insert(e.path().filename().string());
        return names;
    }
};

TEST_F(Files, ReaderRefusesAnythingButARegularFileAndNeverWaits) {
    std::filesystem::create_directory(Path("folder"));
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0); // no writer: an open would wait forever
    ASSERT_EQ(::symlink("/dev/zero", Path("zero").c_str()), 0); // never ends
    ASSERT_EQ(::symlink("fifo", Path("to-fifo").c_str()), 0);
    const struct {
        const char* name;
        int error;
        const char* kind;
    } cases[] = {
        {"folder", EISDIR, "a folder"},
        {"fifo", EINVAL, "a FIFO"},
        {"to-fifo", EINVAL, "a FIFO"},
        {"zero", EINVAL, "a character device"},
    };
    for (const auto& c : cases) {
        for (const bool head : {false, true}) {
            std::string out = "stale";
            const FileResult r = head ? ReadRegularFileHead(Path(c.name), 100, out)
                                      : ReadRegularFile(Path(c.name), 100, out);
            EXPECT_EQ(r.error, c.error) << c.name;
            EXPECT_EQ(r.message, "open " + Path(c.name) + ": " + c.kind + ", not a regular file");
            EXPECT_EQ(out, "");
        }
    }
    std::string out;
    EXPECT_EQ(ReadRegularFile(Path("missing"), 100, out).error, ENOENT);
}

TEST_F(Files, ReaderStopsAtItsLimit) {
    const std::string path = Path("f");
    WriteBytes(path, "line one\nline two\n");
    ASSERT_EQ(::symlink("f", Path("link").c_str()), 0);
    std::string out;
    ASSERT_TRUE(ReadRegularFile(Path("link"), 18, out));
    EXPECT_EQ(out, "line one\nline two\n");
    const FileResult big = ReadRegularFile(path, 17, out);
    EXPECT_EQ(big.error, EFBIG);
    EXPECT_EQ(big.message, "read " + path + ": larger than 17 bytes");
    EXPECT_EQ(out, "");

    // /proc files claim size 0 and are read up to the limit like any other.
    EXPECT_EQ(ReadRegularFile("/proc/self/maps", 10, out).error, EFBIG);
}

TEST_F(Files, ReadOnlyWriteReplacesTheFileAndTouchesNoOtherInode) {
    const std::string path = Path("p.tm7");
    WriteBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    // A second name for the old file: whatever happens to the old inode shows here.
    ASSERT_EQ(::link(path.c_str(), Path("old-inode").c_str()), 0);

    ASSERT_TRUE(WriteFileAtomic(path, "new", {.overReadOnly = true, .readOnly = true}));
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(Mode(path) & 07777, 0440u);
    EXPECT_EQ(ReadBytes(Path("old-inode")), "old");
    EXPECT_EQ(Mode(Path("old-inode")) & 07777, 0640u);

    // Without leave a read-only file is not written; with it, it keeps its bits.
    EXPECT_EQ(WriteFileAtomic(path, "newer").error, EACCES);
    EXPECT_EQ(ReadBytes(path), "new");
    ASSERT_TRUE(WriteFileAtomic(path, "newer", {.overReadOnly = true}));
    EXPECT_EQ(Mode(path) & 07777, 0440u) << "the bits it had";

    // A new file gets the default bits less the write bits.
    const mode_t saved = ::umask(022);
    ASSERT_TRUE(WriteFileAtomic(Path("new.tm7"), "x", {.readOnly = true}));
    ::umask(saved);
    EXPECT_EQ(Mode(Path("new.tm7")) & 07777, 0444u);
    EXPECT_EQ(Names(), (std::set<std::string>{"p.tm7", "old-inode", "new.tm7"}));
}

TEST_F(Files, TemporariesOfDeadRunsAreRemovedAndNothingElse) {
    const std::string dead = "4194305"; // above the kernel's highest pid: never runs
    const std::string live = std::to_string(::getppid());
    const std::string mine = std::to_string(::getpid());

    const std::set<std::string> stale = {
        ".p.tm7.tmx7-" + dead + "-12.tmp",
        ".p.tm7.tmp" + dead + ".3", // the form earlier versions used
    };
    const std::set<std::string> kept = {
        "p.tm7",
        ".p.tm7.tmx7-" + live + "-0.tmp", // another program is writing right now
        ".p.tm7.tmx7-" + mine + "-0.tmp", // and so may another thread of ours
        ".q.tm7.tmx7-" + dead + "-0.tmp", // another file's
        ".p.tm7.tmx7-" + dead + "-0.tmp.bak",
        "p.tm7.tmx7-" + dead + "-0.tmp",
        ".p.tm7.tmp" + dead,
    };
    for (const auto& name : stale)
        WriteBytes(Path(name), "partial");
    for (const auto& name : kept)
        WriteBytes(Path(name), "keep");
    // A folder of that name is not a file we could have left.
    const std::string folder = ".p.tm7.tmx7-" + dead + "-99.tmp";
    std::filesystem::create_directory(Path(folder));

    ASSERT_TRUE(WriteFileAtomic(Path("p.tm7"), "new"));
    std::set<std::string> expected = kept;
    expected.insert(folder);
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(ReadBytes(Path("p.tm7")), "new");

    // Creating a missing file clears the way the same.
    WriteBytes(Path(".u.mak.tmx7-" + dead + "-5.tmp"), "partial");
    bool created = false;
    ASSERT_TRUE(CreateFileExclusive(Path("u.mak"), "00 01", &created));
    EXPECT_TRUE(created);
    expected.insert("u.mak");
    EXPECT_EQ(Names(), expected);
    // ... and never overwrites a file that is there.
    ASSERT_TRUE(CreateFileExclusive(Path("u.mak"), "AA", &created));
    EXPECT_FALSE(created);
    EXPECT_EQ(ReadBytes(Path("u.mak")), "00 01");
}

TEST_F(Files, AWriteThatFailsHalfWayLeavesTheOldFileAndNoTemporary) {
    const std::string path = Path("p.ini");
    WriteBytes(path, "[S]\r\nk=old\r\n");
    // A file size limit stops the temporary's write part-way, for root too.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult r = WriteFileAtomic(path, std::string(1000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(r.error, EFBIG);
    EXPECT_EQ(ReadBytes(path), "[S]\r\nk=old\r\n");
    EXPECT_EQ(Names(), std::set<std::string>{"p.ini"});
}

} // namespace
