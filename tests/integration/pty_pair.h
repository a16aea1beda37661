#pragma once
// A pseudo-terminal pair standing in for a serial line: the code under test
// opens the slave path like a device, the test plays the module on the master.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tmx7::testing {

class PtyPair {
public:
    PtyPair() {
        int slave = -1;
        if (openpty(&m_master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        m_slavePath = ttyname(slave);
        // Leave the slave closed, as a device is before anyone opens it; it
        // keeps the line discipline's default (cooked) settings.
        ::close(slave);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return m_master >= 0; }
    const std::string& slavePath() const { return m_slavePath; }
    int master() const { return m_master; }

    // Writes every byte, however long the slave takes to accept them.
    bool send(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            pollfd p{m_master, POLLOUT, 0};
            poll(&p, 1, 100);
        }
        return true;
    }

    // Reads until `count` bytes have come or `timeout` passes.
    std::vector<std::uint8_t> receive(std::size_t count, std::chrono::milliseconds timeout) {
        std::vector<std::uint8_t> out;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            std::uint8_t buf[4096];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

    termios slaveSettings() const {
        termios t{};
        tcgetattr(m_master, &t); // on a pty master this reports the slave's termios
        return t;
    }

    // The module is unplugged: the slave side sees a hang-up.
    void hangUp() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    std::string m_slavePath;
};

// Another program holding a lock on `path`, as flock(1) takes it (-o: the
// command it runs does not keep the device open), until this goes.
class LockHolder {
public:
    explicit LockHolder(const std::string& path) {
        const char* argv[] = {"flock", "-o", path.c_str(), "sleep", "30", nullptr};
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP); // the sleep goes with it
        if (posix_spawnp(&m_pid, "flock", nullptr, &attr, const_cast<char* const*>(argv),
                         environ) != 0)
            m_pid = -1;
        posix_spawnattr_destroy(&attr);
        // Until flock(1) has its lock.
        for (int i = 0; i < 400 && m_pid > 0; ++i) {
            const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
            if (fd >= 0)
                ::close(fd);
            if (held)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~LockHolder() { release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    pid_t pid() const { return m_pid; }
    void release() {
        if (m_pid > 0) {
            ::kill(-m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

// Process CPU time (user + system), to catch busy loops.
inline std::chrono::microseconds processCpuTime() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return std::chrono::seconds(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           std::chrono::microseconds(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

} // namespace tmx7::testing
