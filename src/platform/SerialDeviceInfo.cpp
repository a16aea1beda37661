#include "platform/SerialDeviceInfo.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>

#include <libudev.h>

namespace tmx7 {

namespace fs = std::filesystem;

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using DevicePtr = std::unique_ptr<udev_device, UdevDeleter>;

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const fs::path c = fs::canonical(path, ec);
    return ec ? path : c.string();
}

// canonical device path -> the links of one folder that lead to it
std::map<std::string, std::vector<std::string>> LinksIn(const fs::path& folder) {
    std::map<std::string, std::vector<std::string>> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        out[Canonical(it->path().string())].push_back(it->path().string());
    for (auto& [target, links] : out)
        std::sort(links.begin(), links.end());
    return out;
}

std::string Text(const char* value) {
    return value ? std::string(value) : std::string();
}

// The first of `keys` that udev's database has for the device.
std::string Property(udev_device* dev, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        if (const char* v = udev_device_get_property_value(dev, key); v && *v)
            return v;
    return {};
}

void FillFromUdev(udev* u, SerialDeviceInfo& info) {
    struct stat st {};
    if (::stat(info.canonical.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return;
    DevicePtr dev(udev_device_new_from_devnum(u, 'c', st.st_rdev));
    if (!dev)
        return;
    info.vendorId = Property(dev.get(), {"ID_VENDOR_ID"});
    info.productId = Property(dev.get(), {"ID_MODEL_ID"});
    info.serial = Property(dev.get(), {"ID_SERIAL_SHORT"});
    info.product = Property(dev.get(), {"ID_MODEL_FROM_DATABASE", "ID_MODEL"});
    info.manufacturer = Property(dev.get(), {"ID_VENDOR_FROM_DATABASE", "ID_VENDOR"});
    info.driver = Property(dev.get(), {"ID_USB_DRIVER"});

    // Without udevd (a container) the database is empty; the USB device's
    // own attributes in sysfs say the same. Parents belong to `dev`.
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device")) {
        auto fill = [usb](std::string& field, const char* attr) {
            if (field.empty())
                field = Text(udev_device_get_sysattr_value(usb, attr));
        };
        fill(info.vendorId, "idVendor");
        fill(info.productId, "idProduct");
        fill(info.serial, "serial");
        fill(info.product, "product");
        fill(info.manufacturer, "manufacturer");
    }
    // The driver sits on the port or interface a level or two above the tty.
    // The serial core's own bus ("port", "ctrl" on newer kernels) names no
    // hardware: look past it to the UART's driver.
    for (udev_device* p = udev_device_get_parent(dev.get()); p && info.driver.empty();
         p = udev_device_get_parent(p)) {
        const std::string driver = Text(udev_device_get_driver(p));
        if (driver != "port" && driver != "ctrl")
            info.driver = driver;
        if (Text(udev_device_get_devtype(p)) == "usb_device")
            break;
    }
}

} // namespace

SerialDeviceCatalog::SerialDeviceCatalog() = default;

SerialDeviceCatalog::SerialDeviceCatalog(Options options) : m_options(std::move(options)) {}

std::vector<SerialDeviceInfo>
SerialDeviceCatalog::Describe(const std::vector<std::string>& paths) const {
    const auto byId = LinksIn(fs::path(m_options.linksRoot) / "by-id");
    const auto byPath = LinksIn(fs::path(m_options.linksRoot) / "by-path");
    UdevPtr u(m_options.useUdev ? udev_new() : nullptr);
    std::vector<SerialDeviceInfo> out;
    for (const std::string& path : paths) {
        SerialDeviceInfo info;
        info.path = path;
        info.canonical = Canonical(path);
        if (auto it = byId.find(info.canonical); it != byId.end())
            info.byId = it->second;
        if (auto it = byPath.find(info.canonical); it != byPath.end())
            info.byPath = it->second;
        if (u)
            FillFromUdev(u.get(), info);
        out.push_back(std::move(info));
    }
    return out;
}

SerialDeviceInfo SerialDeviceCatalog::Describe(const std::string& path) const {
    return Describe(std::vector<std::string>{path}).front();
}

} // namespace tmx7
