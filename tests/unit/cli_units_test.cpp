// tmx7ctl's tables of per-unit values, its numbering of units, and which
// port a --port argument means.

#include "cli/Ports.h"
#include "cli/UnitValues.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tmx7;
using namespace tmx7::cli;

namespace {

std::string Values(const UnitRow& row) {
    std::string out;
    for (const FieldValue& v : row.values)
        out += std::string(KeyOf(v.field)) + "=" + v.text + ";";
    return out + "calibration=" + row.calibration;
}

} // namespace

TEST(UnitTable, RowsByPortOrSerialWithQuotesAndEitherSeparator) {
    std::string error;
    const auto comma = ParseUnitTable("\xEF\xBB\xBFport,passiveAddr,group,calibration\r\n"
                                      "COM101,01,\"0a\",\"12 34\"\n"
                                      "\n"
                                      "A9K3L2QX,31 32,,\n",
                                      "units.csv", error);
    ASSERT_TRUE(comma) << error;
    ASSERT_EQ(comma->rows.size(), 2u);
    EXPECT_EQ(comma->rows[0].unit, "COM101");
    EXPECT_EQ(Values(comma->rows[0]), "passiveAddr=30 31;group=0A;calibration=12 34");
    EXPECT_EQ(comma->rows[1].line, 4);
    EXPECT_EQ(Values(comma->rows[1]), "passiveAddr=31 32;calibration=");

    const auto semicolon =
        ParseUnitTable("serial;txFrequency\nX1;\"433,250\"\nX2;431\n", "u.csv", error);
    ASSERT_FALSE(semicolon) << "a decimal comma is no frequency";
    EXPECT_EQ(error, "u.csv line 2: txFrequency=433,250: not a channel from 431.000MHz to "
                     "435.000MHz in steps of 0.250MHz");
}

TEST(UnitTable, RefusesWhatCouldConfigureTheWrongUnit) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "u.csv: no header line (port or serial, then field names)"},
        {"port,version\n",
         "u.csv line 1: column \"version\" is neither a field a download writes nor calibration"},
        {"port,serialFormat\n", "u.csv line 1: column \"serialFormat\" is neither a field a "
                                "download writes nor calibration"},
        {"port,group\nCOM1,01,02\n", "u.csv line 2: more cells than the header has columns"},
        {"port,group\n,01\n", "u.csv line 2: no port or serial number in the first cell"},
        {"port,group\nCOM1,01\nCOM1,02\n", "u.csv line 3: COM1 has a row already (line 2)"},
        {"port,calibration\nCOM1,123\n",
         "u.csv line 2: calibration=123: not two hex bytes such as \"12 34\""},
    };
    for (const auto& [text, message] : cases) {
        std::string error;
        EXPECT_FALSE(ParseUnitTable(text, "u.csv", error)) << text;
        EXPECT_EQ(error, message);
    }
}

TEST(Sequence, CountsUpInTheFieldsOwnBase) {
    std::string error;
    const auto addr = ParseSequence("passiveAddr=0E:2", error);
    ASSERT_TRUE(addr) << error;
    EXPECT_EQ(SequenceValue(*addr, 0).value->text, "30 45");
    EXPECT_EQ(SequenceValue(*addr, 1).value->text, "31 30");
    const auto save = ParseSequence("saveAddr=FFFE", error);
    ASSERT_TRUE(save) << error;
    EXPECT_EQ(SequenceValue(*save, 1).value->text, "FF FF");
    EXPECT_EQ(SequenceValue(*save, 2).error,
              "saveAddr: unit 3 would get 10000, outside 0000..FFFF");
    const auto sleep = ParseSequence("sleepPeriod=10:10", error);
    ASSERT_TRUE(sleep) << error;
    EXPECT_EQ(SequenceValue(*sleep, 3).value->text, "40");

    EXPECT_FALSE(ParseSequence("txFrequency=431", error));
    EXPECT_EQ(error,
              "--sequence txFrequency=431: not FIELD=START[:STEP] with FIELD one of passiveAddr, "
              "saveAddr, group, sleepPeriod");
    EXPECT_FALSE(ParseSequence("group=0G", error));
    EXPECT_EQ(error, "--sequence group=0G: START and STEP are hexadecimal numbers");
    EXPECT_FALSE(ParseSequence("sleepPeriod=3", error));
    EXPECT_EQ(error, "--sequence sleepPeriod=3: sleepPeriod=3: not an even number from 2 to 500");
}

TEST(PortArguments, NumbersPathsLinksAndSerialNumbers) {
    namespace fs = std::filesystem;
    const std::string root = ::testing::TempDir() + "tmx7_links_" + std::to_string(::getpid());
    fs::create_directories(root + "/by-id");
    const std::string device = root + "/ttyUSB0";
    std::ofstream(device) << "";
    fs::remove(root + "/by-id/usb-FTDI_A1-if00");
    fs::create_symlink(device, root + "/by-id/usb-FTDI_A1-if00");

    PortDirectory dir({"/nonexistent", "/nonexistent",
                       [](const std::string&) { return std::optional<std::string>(); }});
    const SerialDeviceCatalog catalog({root, false});
    auto info = [&](const std::string& path, const char* serial) {
        SerialDeviceInfo i = catalog.Describe(path);
        i.serial = serial;
        return i;
    };
    const std::vector<PortRow> rows = {{101, "COM101", device, info(device, "A1")},
                                       {102, "COM102", "/dev/ttyUSB1", info("/dev/ttyUSB1", "B2")},
                                       {103, "COM103", "/dev/ttyUSB2", info("/dev/ttyUSB2", "B2")}};
    std::string error;
    const auto t = ResolveTargets({"by-id/usb-FTDI_A1-if00", "com102", "serial=Z9", "serial=B2",
                                   "COM7", root + "/by-id/../ttyUSB0-not-there"},
                                  rows, dir, catalog, error);
    ASSERT_TRUE(t) << error;
    ASSERT_EQ(t->size(), 6u);
    EXPECT_EQ((*t)[0].name, "COM101");
    EXPECT_EQ((*t)[0].error, "");
    EXPECT_EQ((*t)[1].name, "COM102");
    EXPECT_EQ((*t)[2].error, "serial=Z9: no adapter with that USB serial number is plugged in");
    EXPECT_EQ((*t)[3].error, "serial=B2: several adapters carry that serial number (COM102, "
                             "COM103); name the port instead");
    EXPECT_EQ((*t)[4].error, "COM7: no such port");
    // A path no rule numbers gets the first free number, for this process.
    EXPECT_EQ((*t)[5].name, "COM1");
    EXPECT_EQ(dir.PathFor(1), root + "/by-id/../ttyUSB0-not-there");
    EXPECT_EQ((*t)[5].error, root + "/by-id/../ttyUSB0-not-there: no such device");

    EXPECT_FALSE(ResolveTargets({"COM101", device}, rows, dir, catalog, error));
    EXPECT_EQ(error, "--port " + device + " and --port COM101 are the same port (COM101)");
}
