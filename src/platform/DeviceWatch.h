#pragma once
// Serial adapters coming and going: who a device is, so the same adapter is
// known again when it returns, and a sleep that ends when a device may have
// come or gone. Two sources, because either can be missing: udev's monitor
// (devices announced once udevd has set their permissions and links) and
// inotify on the folders of the paths we care about (device nodes where no
// udevd runs, as in a container, and links re-pointed by hand). A thread
// asleep here costs nothing until one of them reports.

#include "platform/WakeSignal.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace tmx7 {

// "usb:<vendor>:<product>:<serial>[:<interface>]" for a USB adapter that has a
// serial number, else "by-path:<udev path id>" (one USB socket or bus
// position), else "dev:<path as given>". Only meaningful while the device is
// there: a vanished device is "dev:<path>".
std::string DeviceIdentity(const std::string& path);

class DeviceWatch {
public:
    struct Change {
        bool added = false;                  // a device or a name appeared
        bool removed = false;                // a device or a name went away
        std::vector<std::string> addedNodes; // device nodes udev announced
    };
    enum class Woke { Change, Wake, Timeout, Failed };

    DeviceWatch();
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Watches the folders of these paths for names that appear, go or are
    // re-pointed (a missing folder: its nearest ancestor, until it is
    // there); replaces the previous set. Empty: no folder is watched.
    void WatchFolders(const std::vector<std::string>& paths);
    // Whether a change at `path` would end a Wait (without udev's help).
    bool Watching(const std::string& path) const;

    // Sleeps until a tty device or a watched name changes, `wake` is
    // notified, or `limit` passes (negative: no limit). `change` receives
    // what was seen; everything pending is drained except the wake signal,
    // which the caller clears.
    Woke Wait(std::chrono::milliseconds limit, const WakeSignal* wake, Change* change = nullptr);

    bool HasUdev() const;
    bool HasInotify() const;

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};

} // namespace tmx7
