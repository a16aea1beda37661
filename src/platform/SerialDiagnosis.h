#pragma once
// Why a serial device could not be opened, in words a technician can act on,
// and who holds a device that is busy. Every open failure of the program is
// put into words here, so the window's message box and tmx7ctl's stderr say
// the same.

#include "platform/SerialDevice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tmx7 {

// A process that holds a serial device.
struct PortHolder {
    int pid = 0;
    std::string name;  // its command name (/proc/<pid>/comm); empty when unreadable
    bool lock = false; // holds a lock on it (flock), not only a descriptor
    bool operator==(const PortHolder&) const = default;
};

// The processes that hold `path`: first those with a lock on it (from
// /proc/locks), then those with it open (from /proc/<pid>/fd, as far as we
// may look). Each process once, ordered by pid within each group.
std::vector<PortHolder> FindPortHolders(const std::string& path);

// The second line of an open failure: what went wrong with `path` and, where
// there is one, what to do about it.
std::string OpenFailureReason(const std::string& path, const SerialResult& why);

// One line of a check of the system or of a port (tmx7ctl doctor).
struct Finding {
    enum class Level : std::uint8_t { Ok, Note, Problem };
    Level level = Level::Ok;
    std::string text;
    bool operator==(const Finding&) const = default;
};

// Who runs us and what stands between us and serial ports: the groups of
// this login and those the user is listed in that it does not have yet (a
// login from before the user was added), and programs known to open serial
// ports on their own (ModemManager probing new ports for modems, brltty
// taking USB serial adapters for braille displays, gpsd).
std::vector<Finding> ExamineSystem();

// One device: that it is there and is a terminal, its owner, group and mode
// and whether we may open it, the links udev made for it (by-id, by-path),
// who holds it (a known grabber called by its name), and a trial open.
std::vector<Finding> ExaminePort(const std::string& path);

// "COM<n>打开失败！" and, on a second line, the reason. `path` is the device
// the number stands for; nothing when the number stands for none.
std::string OpenFailureText(int port, const std::optional<std::string>& path,
                            const SerialResult& why);

} // namespace tmx7
