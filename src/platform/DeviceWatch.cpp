#include "platform/DeviceWatch.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <libudev.h>
#include <map>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tmx7 {

namespace fs = std::filesystem;

namespace {

std::string Text(const char* value) {
    return value ? std::string(value) : std::string();
}

std::string Property(udev_device* dev, const char* key) {
    return Text(udev_device_get_property_value(dev, key));
}

std::string Attribute(udev_device* dev, const char* name) {
    return dev ? Text(udev_device_get_sysattr_value(dev, name)) : std::string();
}

} // namespace

std::string DeviceIdentity(const std::string& path) {
    const std::string fallback = "dev:" + path;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return fallback;
    udev* u = udev_new();
    if (u == nullptr)
        return fallback;
    std::string identity = fallback;
    if (udev_device* dev = udev_device_new_from_devnum(u, 'c', st.st_rdev)) {
        // udevd's database where it runs; the USB device's own attributes
        // where it does not (a container). Parents belong to `dev`.
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
        udev_device* intf =
            udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_interface");
        auto pick = [](std::string first, std::string second) {
            return first.empty() ? second : first;
        };
        const std::string serial = pick(Property(dev, "ID_SERIAL_SHORT"), Attribute(usb, "serial"));
        const std::string vendor = pick(Property(dev, "ID_VENDOR_ID"), Attribute(usb, "idVendor"));
        const std::string product = pick(Property(dev, "ID_MODEL_ID"), Attribute(usb, "idProduct"));
        // A multi-port adapter has one serial number for all its ports.
        const std::string port =
            pick(Property(dev, "ID_USB_INTERFACE_NUM"), Attribute(intf, "bInterfaceNumber"));
        const std::string pathId = Property(dev, "ID_PATH");
        if (!serial.empty())
            identity =
                "usb:" + vendor + ":" + product + ":" + serial + (port.empty() ? "" : ":" + port);
        else if (!pathId.empty())
            identity = "by-path:" + pathId;
        udev_device_unref(dev);
    }
    udev_unref(u);
    return identity;
}

namespace {

// The path's folder, or its nearest ancestor that exists: a folder that
// comes into being (udev makes /dev/serial/by-id with the first adapter)
// shows there, and the caller watches again one level deeper.
std::string NearestFolder(const std::string& path) {
    fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    while (!folder.empty() && !fs::is_directory(folder, ec)) {
        if (folder == folder.root_path())
            return {};
        folder = folder.parent_path();
    }
    return folder.string();
}

} // namespace

struct DeviceWatch::Native {
    udev* u = nullptr;
    udev_monitor* monitor = nullptr;
    int monitorFd = -1;
    int inotifyFd = -1;
    std::map<int, std::string> watches; // watch descriptor -> folder
};

DeviceWatch::DeviceWatch() : m_native(std::make_unique<Native>()) {
    Native& n = *m_native;
    n.u = udev_new();
    if (n.u) {
        n.monitor = udev_monitor_new_from_netlink(n.u, "udev");
        if (n.monitor &&
            udev_monitor_filter_add_match_subsystem_devtype(n.monitor, "tty", nullptr) == 0 &&
            udev_monitor_enable_receiving(n.monitor) == 0) {
            n.monitorFd = udev_monitor_get_fd(n.monitor);
        } else if (n.monitor) {
            udev_monitor_unref(n.monitor);
            n.monitor = nullptr;
        }
    }
    n.inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

DeviceWatch::~DeviceWatch() {
    Native& n = *m_native;
    if (n.inotifyFd >= 0)
        ::close(n.inotifyFd);
    if (n.monitor)
        udev_monitor_unref(n.monitor);
    if (n.u)
        udev_unref(n.u);
}

bool DeviceWatch::HasUdev() const {
    return m_native->monitorFd >= 0;
}

bool DeviceWatch::HasInotify() const {
    return m_native->inotifyFd >= 0;
}

bool DeviceWatch::Watching(const std::string& path) const {
    const std::string folder = NearestFolder(path);
    for (const auto& [wd, watched] : m_native->watches)
        if (watched == folder)
            return true;
    return false;
}

void DeviceWatch::WatchFolders(const std::vector<std::string>& paths) {
    Native& n = *m_native;
    if (n.inotifyFd < 0)
        return;
    std::vector<std::string> folders;
    for (const std::string& p : paths) {
        const std::string folder = NearestFolder(p);
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    for (auto it = n.watches.begin(); it != n.watches.end();) {
        if (std::find(folders.begin(), folders.end(), it->second) == folders.end()) {
            inotify_rm_watch(n.inotifyFd, it->first);
            it = n.watches.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::string& folder : folders) {
        const bool watched = std::any_of(n.watches.begin(), n.watches.end(),
                                         [&](const auto& w) { return w.second == folder; });
        if (watched)
            continue;
        // Names that appear (a node, a link, a link renamed over another),
        // go, or change their permissions (udevd fixes them after creation).
        const int wd = inotify_add_watch(n.inotifyFd, folder.c_str(),
                                         IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM |
                                             IN_ATTRIB | IN_ONLYDIR);
        if (wd >= 0)
            n.watches[wd] = folder;
    }
}

DeviceWatch::Woke DeviceWatch::Wait(std::chrono::milliseconds limit, const WakeSignal* wake,
                                    Change* change) {
    Native& n = *m_native;
    pollfd fds[3] = {{n.monitorFd, POLLIN, 0},
                     {n.inotifyFd, POLLIN, 0},
                     {wake ? wake->m_handle : -1, POLLIN, 0}};
    const int timeout =
        limit.count() < 0 ? -1 : static_cast<int>(std::min<long long>(limit.count(), INT_MAX));
    int r;
    do {
        r = ::poll(fds, 3, timeout);
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        return Woke::Failed;
    if (r == 0)
        return Woke::Timeout;
    Change seen;
    if (fds[0].revents & POLLIN) {
        while (udev_device* dev = udev_monitor_receive_device(n.monitor)) {
            const std::string action = Text(udev_device_get_action(dev));
            if (action == "add") {
                seen.added = true;
                if (const char* node = udev_device_get_devnode(dev))
                    seen.addedNodes.push_back(node);
            } else if (action == "remove") {
                seen.removed = true;
            }
            udev_device_unref(dev);
        }
    }
    if (fds[1].revents & POLLIN) {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(n.inotifyFd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->mask & (IN_CREATE | IN_MOVED_TO | IN_ATTRIB))
                    seen.added = true;
                if (e->mask & (IN_DELETE | IN_MOVED_FROM))
                    seen.removed = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }
    const bool woken = (fds[2].revents & POLLIN) != 0;
    if (change)
        *change = std::move(seen);
    if (fds[0].revents & POLLIN || fds[1].revents & POLLIN)
        return Woke::Change;
    return woken ? Woke::Wake : Woke::Timeout;
}

} // namespace tmx7
