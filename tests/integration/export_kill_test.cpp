// A kill (SIGKILL) can stop an export between any two of its system calls,
// and the file system changes only through them. So the export runs traced,
// stopped at every system call, and each time the parameter file must hold
// one whole set and be read-only: that covers every moment a kill could
// land. (The temporaries a kill leaves are cleared by the next write:
// file_access_test. Random kills at length: bench/export_kill.)

#include "protocol/ParamFile.h"
#include "unit/file_test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tmx7;

namespace {

class ExportKill : public test::TempDirTest {};

TEST_F(ExportKill, AtEveryMomentOfAnExportTheFileIsOneWholeSetAndReadOnly) {
    const std::string target = Path("tmx7peizhi.tm7");
    ParamSet oldSet, newSet;
    oldSet.group = "01";
    newSet.group = "2E";
    newSet.frequency = "435.000MHz";
    ASSERT_TRUE(ExportParamFile(newSet, Path("new")).status);
    ASSERT_TRUE(ExportParamFile(oldSet, target).status);
    const std::string before = ReadBytes(target), after = ReadBytes(Path("new"));

    const pid_t child = ::fork();
    if (child == 0) {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(77);
        ::raise(SIGSTOP);
        ::_exit(ExportParamFile(newSet, target).status ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no leave to trace a child here";
    ASSERT_TRUE(WIFSTOPPED(status));
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_EXITKILL | PTRACE_O_TRACESYSGOOD);
    int stops = 0, partial = 0, writable = 0, signal = 0;
    for (;;) {
        ASSERT_EQ(::ptrace(PTRACE_SYSCALL, child, nullptr, signal), 0);
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status) || WIFSIGNALED(status))
            break;
        // A stop for a signal passes the signal on; only system calls count.
        signal = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
        ++stops;
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0) << "the file was gone at stop " << stops;
        const std::string now = ReadBytes(target);
        partial += now != before && now != after;
        writable += (st.st_mode & 0222) != 0;
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the traced export failed";
    EXPECT_GT(stops, 20) << "the export ran untraced";
    EXPECT_EQ(partial, 0) << "stops at which the file held neither set whole";
    EXPECT_EQ(writable, 0) << "stops at which the file was writable";
    EXPECT_EQ(ReadBytes(target), after);
    EXPECT_EQ(EntryCount(), 2u) << "a temporary was left behind";
}

} // namespace
