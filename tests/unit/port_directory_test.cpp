// COM numbers to device paths over a fake sysfs tree and a fake environment.

#include "platform/PortDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace tmx7;
namespace fs = std::filesystem;

namespace {

class FakeSystem : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tmx7-portdir-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        tty = root / "class/tty";
        fs::create_directories(tty);
    }
    void TearDown() override { fs::remove_all(root); }

    void write(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    void uart(const std::string& name, const std::string& type) {
        write(tty / name / "type", type + "\n");
    }
    // A USB serial converter: tty/<name>/device -> .../1-1/1-1:1.0/<name>,
    // product and manufacturer on the USB device 1-1.
    void usb(const std::string& name, const std::string& product, const std::string& maker) {
        const fs::path usbdev = root / "devices/usb1" / ("1-" + name);
        const fs::path intf = usbdev / "1-1:1.0" / name;
        fs::create_directories(intf);
        if (!product.empty())
            write(usbdev / "product", product + "\n");
        if (!maker.empty())
            write(usbdev / "manufacturer", maker + "\n");
        fs::create_directories(tty / name);
        fs::create_directory_symlink(intf, tty / name / "device");
    }
    PortDirectory directory() {
        PortDirectory::Options o;
        o.sysfsTtyRoot = tty.string();
        o.devRoot = "/dev";
        o.getenv = [this](const std::string& k) -> std::optional<std::string> {
            ++lookups[k];
            auto it = env.find(k);
            if (it == env.end())
                return std::nullopt;
            return it->second;
        };
        return PortDirectory(o);
    }

    fs::path root, tty;
    std::map<std::string, std::string> env;
    std::map<std::string, int> lookups; // how often each variable was asked for
};

} // namespace

TEST_F(FakeSystem, AutomaticRuleGivesEachFamilyItsOwnBlock) {
    uart("ttyS0", "4");
    uart("ttyS1", "0"); // no UART fitted
    uart("ttyS3", "4");
    usb("ttyUSB0", "CP2102 USB to UART Bridge Controller", "Silicon Labs");
    usb("ttyACM2", "Radio Modem", "");
    fs::create_directories(tty / "ttyAMA0");
    fs::create_directories(tty / "tty1"); // virtual consoles are not serial ports
    fs::create_directories(tty / "ttySAC0");
    fs::create_directories(tty / "ttyUSBx");
    fs::create_directories(tty / "ttySC1");
    fs::create_directories(tty / "rfcomm0");
    const auto list = directory().List();
    std::map<int, std::pair<std::string, std::string>> got;
    for (const auto& p : list) {
        EXPECT_EQ(p.name, "COM" + std::to_string(p.number));
        got[p.number] = {p.path, p.description};
    }
    const std::map<int, std::pair<std::string, std::string>> want = {
        {1, {"/dev/ttyS0", ""}},
        {4, {"/dev/ttyS3", ""}},
        {101, {"/dev/ttyUSB0", "Silicon Labs CP2102 USB to UART Bridge Controller"}},
        {203, {"/dev/ttyACM2", "Radio Modem"}},
        {301, {"/dev/ttyAMA0", ""}},
        {501, {"/dev/rfcomm0", ""}},
        {802, {"/dev/ttySC1", ""}},
    };
    EXPECT_EQ(got, want);
    auto d = directory();
    EXPECT_EQ(d.PathFor(101), "/dev/ttyUSB0");
    EXPECT_FALSE(d.PathFor(2));
    EXPECT_FALSE(d.PathFor(0));
    EXPECT_FALSE(d.PathFor(1025));
}

TEST_F(FakeSystem, ExplicitMapsComeFirstInOrderRuntimeEnvFile) {
    uart("ttyS0", "4");
    usb("ttyUSB0", "", "");
    env["TMX7_PORTS"] = "COM3=/dev/ttyUSB0; COM4=/dev/pts/7;bogus;COM0=/dev/x;COM5=";
    env["XDG_CONFIG_HOME"] = (root / "cfg").string();
    write(root / "cfg/tmx7/ports",
          "# bench wiring\nCOM4=/dev/ttyS9\ncom6 = /dev/ttyS0  # the old box\n\nCOM2000=/dev/x\n");
    auto d = directory();
    d.Map(9, "/dev/pts/42");
    d.Map(3, "/dev/pts/43");

    EXPECT_EQ(d.PathFor(9), "/dev/pts/42");
    EXPECT_EQ(d.PathFor(3), "/dev/pts/43"); // run-time registration beats the environment
    EXPECT_EQ(d.PathFor(4), "/dev/pts/7");  // environment beats the file
    EXPECT_EQ(d.PathFor(6), "/dev/ttyS0");  // the file, case and blanks forgiven
    EXPECT_FALSE(d.PathFor(5));
    // Devices named explicitly are not listed a second time under their automatic number.
    EXPECT_FALSE(d.PathFor(1));
    EXPECT_EQ(d.PathFor(101), "/dev/ttyUSB0") << "COM3 was re-registered, so ttyUSB0 is free again";

    d.Unmap(3);
    EXPECT_EQ(d.PathFor(3), "/dev/ttyUSB0");
    EXPECT_FALSE(d.PathFor(101));
    const auto list = d.List();
    ASSERT_FALSE(list.empty());
    for (std::size_t i = 1; i < list.size(); ++i)
        EXPECT_LT(list[i - 1].number, list[i].number);
}

TEST_F(FakeSystem, ConfigFileFallsBackToHome) {
    env["HOME"] = (root / "home").string();
    write(root / "home/.config/tmx7/ports", "COM12=/dev/ttyUSB5\n");
    EXPECT_EQ(directory().PathFor(12), "/dev/ttyUSB5");
}

TEST_F(FakeSystem, APortsFileThatIsNoFileIsLeftOutAndSaidSo) {
    env["XDG_CONFIG_HOME"] = (root / "cfg").string();
    env["TMX7_PORTS"] = "COM7=/dev/pts/7";
    const fs::path file = root / "cfg/tmx7/ports";
    fs::create_directories(file.parent_path());
    const std::string name = file.string();
    const struct {
        std::function<void()> make;
        std::string problem;
    } cases[] = {
        // A FIFO used to hang `tmx7ctl ports`, a link to /dev/zero to abort it.
        {[&] { ASSERT_EQ(::mkfifo(name.c_str(), 0644), 0); },
         "ports file not used: open " + name + ": a FIFO, not a regular file"},
        {[&] { fs::create_symlink("/dev/zero", file); },
         "ports file not used: open " + name + ": a character device, not a regular file"},
        {[&] { write(file, std::string(kPortsFileMaxBytes + 1, '#')); },
         "ports file not used: read " + name + ": larger than 262144 bytes"},
    };
    for (const auto& c : cases) {
        fs::remove(file);
        c.make();
        const PortSnapshot s = directory().Snapshot();
        EXPECT_EQ(s.problems, std::vector<std::string>{c.problem});
        EXPECT_EQ(s.PathFor(7), "/dev/pts/7") << "the other sources still count";
    }
    fs::remove(file);
    EXPECT_TRUE(directory().Snapshot().problems.empty()) << "no file is no problem";
}

// A device path is resolved with one look at the sources; it used to take
// one per number tried, up to 2,048 (a big ports file made that minutes).
TEST_F(FakeSystem, APathGetsItsNumberInOneScan) {
    env["XDG_CONFIG_HOME"] = (root / "cfg").string();
    std::string text;
    for (int n = 1; n <= 40; ++n)
        text +=
            "COM" + std::to_string(n) + "=/dev/serial/by-id/adapter-" + std::to_string(n) + "\n";
    write(root / "cfg/tmx7/ports", text);
    auto d = directory();
    EXPECT_EQ(d.NumberForPath("/dev/serial/by-id/adapter-33"), 33);
    EXPECT_EQ(lookups["XDG_CONFIG_HOME"], 1);
    EXPECT_EQ(d.NumberForPath("/dev/ttyUSB7"), 41) << "the first free number";
    EXPECT_EQ(lookups["XDG_CONFIG_HOME"], 2);
    EXPECT_EQ(d.PathFor(41), "/dev/ttyUSB7") << "registered for this process";
    EXPECT_EQ(d.NumberForPath("/dev/ttyUSB7"), 41);
}

TEST(PortNames, ParseNameAndMap) {
    EXPECT_EQ(PortDirectory::ParseName("COM1"), 1);
    EXPECT_EQ(PortDirectory::ParseName("COM1024"), 1024);
    for (const char* bad : {"COM0", "COM1025", "COM", "COMX", "CON1", "COM-1", "COM99999", "com3",
                            " COM3", "COM3 ", "COM03", "COM+3", "COM3a"})
        EXPECT_FALSE(PortDirectory::ParseName(bad)) << bad;
    const auto m = PortDirectory::ParseMap("COM1=/a;COM2=/b\nCOM1=/c;=x;COM3");
    EXPECT_EQ(m, (std::map<int, std::string>{{1, "/c"}, {2, "/b"}}));
}
