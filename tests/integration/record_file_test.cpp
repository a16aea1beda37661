// The production record: whole lines only, whatever kills the writer or
// however many threads write at once.

#include "platform/RecordFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using tmx7::RecordFile;

namespace {

std::string Path(const std::string& name) {
    return ::testing::TempDir() + "record_" + std::to_string(::getpid()) + "_" + name;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {(std::istreambuf_iterator<char>(in)), {}};
}

// A line of `length` copies of `c`: whole when it has them all and its end.
std::string LineOf(char c, std::size_t length) {
    return std::string(length, c) + "\n";
}

void ExpectWholeLines(const std::string& text, std::size_t length) {
    ASSERT_TRUE(text.empty() || text.back() == '\n');
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        ASSERT_EQ(line.size(), length) << "at byte " << start;
        ASSERT_EQ(line.find_first_not_of(line[0]), std::string::npos) << "at byte " << start;
        start = end + 1;
    }
}

} // namespace

TEST(RecordFile, AnUnfinishedLineIsCutOffAtTheNextOpen) {
    const std::pair<const char*, const char*> cases[] = {
        {"one\ntwo\nthr", "one\ntwo\n"},
        {"no line end at all", ""},
        {"one\n", "one\n"},
    };
    for (const auto& [before, after] : cases) {
        const std::string path = Path("torn");
        std::ofstream(path, std::ios::binary) << before;
        std::string error;
        auto file = RecordFile::Open(path, error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(Contents(path), after);
        ASSERT_TRUE(file->Append("next\n", "header\n", error)) << error;
        EXPECT_EQ(Contents(path),
                  std::string(after).empty() ? "header\nnext\n" : std::string(after) + "next\n");
    }
}

TEST(RecordFile, OnlyARegularFileIsWritten) {
    const std::string fifo = Path("fifo");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string error;
    EXPECT_FALSE(RecordFile::Open(fifo, error)) << "a FIFO must not hang the open";
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(RecordFile::Open(::testing::TempDir(), error));
    EXPECT_EQ(error, "cannot open: Is a directory");
}

TEST(RecordFile, ThreadsAppendWholeLines) {
    const std::string path = Path("threads");
    std::filesystem::remove(path);
    std::string error;
    auto file = RecordFile::Open(path, error);
    ASSERT_TRUE(file) << error;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            std::string e;
            for (int i = 0; i < 25; ++i)
                EXPECT_TRUE(file->Append(LineOf(static_cast<char>('a' + t), 9000), "", e)) << e;
        });
    for (auto& t : threads)
        t.join();
    const std::string text = Contents(path);
    EXPECT_EQ(text.size(), 8u * 25u * 9001u);
    ExpectWholeLines(text, 9000);
}

TEST(RecordFile, AKilledWriterNeverLeavesAPartialLine) {
    // Lines of several pages: a write of them is the one a kill can cut. The
    // kernel copies a write page by page and gives up between two pages on
    // a fatal signal; the next Open takes such a line back.
    const std::string path = Path("kill");
    std::mt19937 random(7);
    for (int round = 0; round < 15; ++round) {
        std::filesystem::remove(path);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string error;
            auto file = RecordFile::Open(path, error);
            for (char c = 'a';; c = c == 'z' ? 'a' : static_cast<char>(c + 1))
                if (!file || !file->Append(LineOf(c, 70000), "", error))
                    ::_exit(1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        std::string error;
        ASSERT_TRUE(RecordFile::Open(path, error)) << error;
        ExpectWholeLines(Contents(path), 70000);
    }
}
