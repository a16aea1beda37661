#pragma once
// What the system knows of a serial device beyond its path: the stable links
// udev makes for it under /dev/serial, and the USB adapter behind it (vendor
// and product ids, serial number, product name, driver). Read through
// libudev: its database where udevd runs, the sysfs attributes where it does
// not (containers). A device udev does not know (a pty) has only its path.

#include <string>
#include <vector>

namespace tmx7 {

struct SerialDeviceInfo {
    std::string path;                // as asked
    std::string canonical;           // with every symlink resolved
    std::vector<std::string> byId;   // links in <links>/by-id that lead to it
    std::vector<std::string> byPath; // links in <links>/by-path
    std::string vendorId;            // "0403"; empty when it is no USB device
    std::string productId;           // "6001"
    std::string serial;              // the adapter's USB serial number
    std::string product;             // "FT232R USB UART"
    std::string manufacturer;        // "FTDI"
    std::string driver;              // "ftdi_sio", "cp210x", "cdc_acm", "serial8250"
};

class SerialDeviceCatalog {
public:
    struct Options {
        std::string linksRoot = "/dev/serial";
        bool useUdev = true;
    };

    SerialDeviceCatalog();
    explicit SerialDeviceCatalog(Options options);

    // Every path with one look at the link folders and one udev context.
    std::vector<SerialDeviceInfo> Describe(const std::vector<std::string>& paths) const;
    SerialDeviceInfo Describe(const std::string& path) const;
    const std::string& LinksRoot() const { return m_options.linksRoot; }

private:
    Options m_options;
};

} // namespace tmx7
