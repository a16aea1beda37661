#pragma once
// A pseudo-terminal pair registered as a COM number, shared by the timed
// drivers: the port table opens the slave, the driver plays the module on
// the master side.

#include "platform/PortDirectory.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace tmx7::bench {

struct Pty {
    int master = -1;
    std::string slave;

    // Opens a pair and registers its slave as COM<port>.
    bool open(int port) {
        int s = -1;
        if (openpty(&master, &s, nullptr, nullptr, nullptr) != 0) {
            std::perror("openpty");
            return false;
        }
        slave = ttyname(s);
        ::close(s);
        PortDirectory::System().Map(port, slave);
        return true;
    }
    ~Pty() {
        if (master >= 0)
            ::close(master);
    }

    bool send(const std::uint8_t* bytes, std::size_t n) const {
        std::size_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(master, bytes + done, n - done);
            if (w < 0 && errno != EINTR && errno != EAGAIN)
                return false;
            if (w > 0)
                done += static_cast<std::size_t>(w);
        }
        return true;
    }
};

inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace tmx7::bench
