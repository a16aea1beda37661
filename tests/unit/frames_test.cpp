#include "protocol/Frames.h"

#include <gtest/gtest.h>

#include <string>

namespace tmx7 {
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    return BytesToHexText(bytes);
}
template <std::size_t N> std::string Hex(const std::array<std::uint8_t, N>& bytes) {
    return BytesToHexText(bytes.data(), bytes.size());
}
std::string Hex(const std::optional<Frame>& f) {
    return f ? Hex(*f) : "<not built>";
}

TEST(QueryFrame, EveryQueryableCodeGivesTenBytes) {
    struct Case {
        CommandCode code;
        const char* bytes;
    };
    const Case cases[] = {
        {CmdVersion, "1F 2F 3F 4F 5F 6F 7F 8F EC 03 "},
        {CmdAirRate, "1F 2F 3F 4F 5F 6F 7F 8F FC 03 "},
        {CmdSerialBaud, "1F 2F 3F 4F 5F 6F 7F 8F F2 03 "},
        {CmdSerialFormat, "1F 2F 3F 4F 5F 6F 7F 8F AB 03 "},
        {CmdTxPower, "1F 2F 3F 4F 5F 6F 7F 8F FB 03 "},
        {CmdFrequency, "1F 2F 3F 4F 5F 6F 7F 8F FF 03 "},
        {CmdGroup, "1F 2F 3F 4F 5F 6F 7F 8F E7 03 "},
        {CmdSerialMode, "1F 2F 3F 4F 5F 6F 7F 8F F8 03 "},
        {CmdPassiveAddr, "1F 2F 3F 4F 5F 6F 7F 8F E2 03 "},
        {CmdPowerMode, "1F 2F 3F 4F 5F 6F 7F 8F A5 03 "},
        {CmdSleepPeriod, "1F 2F 3F 4F 5F 6F 7F 8F A4 03 "},
        {CmdSaveAddr, "1F 2F 3F 4F 5F 6F 7F 8F A3 03 "},
        {CmdWakeDelay, "1F 2F 3F 4F 5F 6F 7F 8F A1 03 "},
        {CmdAddrParams, "1F 2F 3F 4F 5F 6F 7F 8F E1 03 "},
    };
    std::size_t queryable = 0;
    for (const auto& row : kCommands)
        queryable += IsQueryable(row.code) ? 1 : 0;
    EXPECT_EQ(queryable, std::size(cases));
    for (const auto& c : cases) {
        EXPECT_TRUE(IsQueryable(c.code)) << c.bytes;
        EXPECT_EQ(Hex(MakeQueryFrame(c.code)), c.bytes);
        EXPECT_EQ(Hex(AnswerHeader(c.code)), c.bytes);
    }
}

TEST(ShortFrame, ShortCommandsAndProbeAreNineBytes) {
    EXPECT_EQ(Hex(*MakeShortFrame(CmdStart0101)), "1F 2F 3F 4F 5F 6F 7F 8F A9 ");
    EXPECT_EQ(Hex(*MakeShortFrame(CmdStop0101)), "1F 2F 3F 4F 5F 6F 7F 8F A8 ");
    EXPECT_EQ(Hex(*MakeShortFrame(CmdSignalStrength)), "1F 2F 3F 4F 5F 6F 7F 8F F7 ");
    EXPECT_EQ(Hex(MakeProbeFrame()), "1F 2F 3F 4F 5F 6F 7F 8F FE ");
    for (CommandCode c : {CmdVersion, CmdAirRate, CmdFreqCalibration, CmdAddrParams})
        EXPECT_FALSE(MakeShortFrame(c).has_value()) << int(Byte(c));
}

TEST(SetFrame, EveryBuilderGivesTheExactBytes) {
    struct Case {
        const char* what;
        std::optional<Frame> frame;
        const char* bytes;
    };
    const Case cases[] = {
        {"active mode", MakeSerialModeSet(0), "1F 2F 3F 4F 5F 6F 7F 8F F8 01 00 "},
        {"passive mode", MakeSerialModeSet(1), "1F 2F 3F 4F 5F 6F 7F 8F F8 01 01 "},
        {"MODBUS", MakeSerialModeSet(2), "1F 2F 3F 4F 5F 6F 7F 8F F8 01 02 "},
        {"normal power", MakePowerModeSet(0), "1F 2F 3F 4F 5F 6F 7F 8F A5 01 00 "},
        {"power saving", MakePowerModeSet(1), "1F 2F 3F 4F 5F 6F 7F 8F A5 01 01 "},
        {"433.000MHz", MakeFrequencySet(0x08), "1F 2F 3F 4F 5F 6F 7F 8F FF 01 00 00 08 00 00 00 "},
        {"channel 17", MakeFrequencySet(0x10), "1F 2F 3F 4F 5F 6F 7F 8F FF 01 00 00 10 00 00 00 "},
        {"431.000MHz", MakeFrequencySet(0x00), "1F 2F 3F 4F 5F 6F 7F 8F FF 01 00 00 00 00 00 00 "},
        {"n.8.2", MakeSerialFormatSet(0x02), "1F 2F 3F 4F 5F 6F 7F 8F AB 01 02 "},
        {"e.8.2", MakeSerialFormatSet(0x06), "1F 2F 3F 4F 5F 6F 7F 8F AB 01 06 "},
        {"57600 serial", MakeSerialBaudSet(0x09), "1F 2F 3F 4F 5F 6F 7F 8F F2 01 09 "},
        {"sleep 2", MakeSleepPeriodSet(2), "1F 2F 3F 4F 5F 6F 7F 8F A4 01 01 "},
        {"sleep 500", MakeSleepPeriodSet(500), "1F 2F 3F 4F 5F 6F 7F 8F A4 01 FA "},
        {"sleep text 5", MakeSleepPeriodSetFromText("5"), "1F 2F 3F 4F 5F 6F 7F 8F A4 01 02 "},
        {"sleep 510", MakeSleepPeriodSet(510), "1F 2F 3F 4F 5F 6F 7F 8F A4 01 FF "},
        {"save 1234", MakeSaveAddrSetFromDigits("1234"), "1F 2F 3F 4F 5F 6F 7F 8F A3 01 12 34 "},
        {"save 00 00", MakeSaveAddrSetFromPairs("00 00"), "1F 2F 3F 4F 5F 6F 7F 8F A3 01 00 00 "},
        {"passive 00", MakePassiveAddrSetFromChars("00"), "1F 2F 3F 4F 5F 6F 7F 8F E2 01 30 30 "},
        {"passive 1A", MakePassiveAddrSetFromChars("1A"), "1F 2F 3F 4F 5F 6F 7F 8F E2 01 31 41 "},
        {"passive 0A", MakePassiveAddrSetFromChars("0A"), "1F 2F 3F 4F 5F 6F 7F 8F E2 01 30 41 "},
        {"passive 31 41", MakePassiveAddrSetFromPairs("31 41"),
         "1F 2F 3F 4F 5F 6F 7F 8F E2 01 31 41 "},
        {"group FF", MakeGroupSet("FF"), "1F 2F 3F 4F 5F 6F 7F 8F E7 01 FF "},
        {"group 7", MakeGroupSet("7"), "1F 2F 3F 4F 5F 6F 7F 8F E7 01 07 "},
        {"group 00", MakeGroupSet("00"), "1F 2F 3F 4F 5F 6F 7F 8F E7 01 00 "},
        {"power 3", MakeTxPowerSet(3), "1F 2F 3F 4F 5F 6F 7F 8F FB 01 03 "},
        {"power 7", MakeTxPowerSet(7), "1F 2F 3F 4F 5F 6F 7F 8F FB 01 07 "},
        {"air 1200bps", MakeAirRateSet(0x03), "1F 2F 3F 4F 5F 6F 7F 8F FC 01 03 "},
        {"air 9600bps", MakeAirRateSet(0x06), "1F 2F 3F 4F 5F 6F 7F 8F FC 01 06 "},
        {"calibration 00 00", MakeCalibrationSet("00", "00"),
         "1F 2F 3F 4F 5F 6F 7F 8F FA 01 00 00 "},
        {"calibration 12 34", MakeCalibrationSet("12", "34"),
         "1F 2F 3F 4F 5F 6F 7F 8F FA 01 12 34 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(c.frame), c.bytes) << c.what;
}

TEST(SetFrame, ValuesOfTheWrongShapeBuildNothing) {
    struct Case {
        const char* what;
        std::optional<Frame> frame;
    };
    const Case cases[] = {
        {"air rate 02", MakeAirRateSet(0x02)},
        {"air rate 0A", MakeAirRateSet(0x0A)},
        {"serial baud 0A", MakeSerialBaudSet(0x0A)},
        {"format 01", MakeSerialFormatSet(0x01)},
        {"format 07", MakeSerialFormatSet(0x07)},
        {"format -1", MakeSerialFormatSet(-1)},
        {"power 8", MakeTxPowerSet(8)},
        {"power -1", MakeTxPowerSet(-1)},
        {"channel 11", MakeFrequencySet(0x11)},
        {"serial mode 3", MakeSerialModeSet(3)},
        {"power mode 2", MakePowerModeSet(2)},
        {"sleep 511", MakeSleepPeriodSet(511)},
        {"sleep -1", MakeSleepPeriodSet(-1)},
        {"sleep text empty", MakeSleepPeriodSetFromText("")},
        {"sleep text 511", MakeSleepPeriodSetFromText("511")},
        {"sleep text 2a", MakeSleepPeriodSetFromText("2a")},
        {"sleep text marker", MakeSleepPeriodSetFromText("********")},
        {"sleep text -2", MakeSleepPeriodSetFromText("-2")},
        {"save 123", MakeSaveAddrSetFromDigits("123")},
        {"save 12G4", MakeSaveAddrSetFromDigits("12G4")},
        {"save 5", MakeSaveAddrSetFromDigits("5")},
        {"save empty", MakeSaveAddrSetFromDigits("")},
        {"save 12345", MakeSaveAddrSetFromDigits("12345")},
        {"save 12 4", MakeSaveAddrSetFromDigits("12 4")},
        {"save pairs 0000", MakeSaveAddrSetFromPairs("0000")},
        {"save pairs 00  00", MakeSaveAddrSetFromPairs("00  00")},
        {"save pairs marker", MakeSaveAddrSetFromPairs("********")},
        {"save pairs 0 000", MakeSaveAddrSetFromPairs("0 000")},
        {"save pairs 00 0G", MakeSaveAddrSetFromPairs("00 0G")},
        {"save pairs three", MakeSaveAddrSetFromPairs("00 00 00")},
        {"passive 000", MakePassiveAddrSetFromChars("000")},
        {"passive 0G", MakePassiveAddrSetFromChars("0G")},
        {"passive 0", MakePassiveAddrSetFromChars("0")},
        {"passive control char", MakePassiveAddrSetFromChars("\x05"
                                                             "A")},
        {"passive pairs 3030", MakePassiveAddrSetFromPairs("3030")},
        {"passive pairs marker", MakePassiveAddrSetFromPairs("********")},
        {"group 123", MakeGroupSet("123")},
        {"group marker", MakeGroupSet("********")},
        {"group 0x1", MakeGroupSet("0x1")},
        {"group empty", MakeGroupSet("")},
        {"group G", MakeGroupSet("G")},
        {"calibration 123", MakeCalibrationSet("123", "00")},
        {"calibration empty", MakeCalibrationSet("00", "")},
        {"calibration Z", MakeCalibrationSet("Z", "00")},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(c.frame.has_value()) << c.what << " built " << Hex(c.frame);
}

TEST(SetFrame, GenericBuilderChecksTheValueLengthOfTheCode) {
    const std::uint8_t one[] = {0x06};
    const std::uint8_t two[] = {0x00, 0x01};
    EXPECT_TRUE(MakeSetFrame(CmdAirRate, one).has_value());
    EXPECT_FALSE(MakeSetFrame(CmdAirRate, two).has_value());
    EXPECT_FALSE(MakeSetFrame(CmdFrequency, two).has_value());
    EXPECT_FALSE(MakeSetFrame(CmdVersion, one).has_value());
    EXPECT_FALSE(MakeSetFrame(CmdStop0101, {}).has_value());
    EXPECT_TRUE(MakeSetFrame(CmdWakeDelay, two).has_value());
}

TEST(HexText, TokensReadLikeThirtyTwoBitStrtol) {
    struct Case {
        const char* token;
        std::uint8_t byte;
    };
    const Case cases[] = {
        {"1F", 0x1F},          {"1f", 0x1F},
        {"A", 0x0A},           {"100", 0x00},
        {"1FF", 0xFF},         {"-1", 0xFF},
        {"0x1F", 0x1F},        {"0X0a", 0x0A},
        {"GG", 0x00},          {"", 0x00},
        {"-", 0x00},           {"+1F", 0x1F},
        {"-7F", 0x81},         {"1F2F", 0x2F},
        {"1F:2F", 0x1F},       {"\t1F", 0x1F},
        {"1F\r\n", 0x1F},      {"0x", 0x00},
        {"0xG", 0x00},         {"x1F", 0x00},
        {"7FFFFFFF", 0xFF},    {"7FFFFF80", 0x80},
        {"80000000", 0xFF},    {"100000000", 0xFF},
        {"100000080", 0xFF},   {"-80000000", 0x00},
        {"-7FFFFFFF", 0x01},   {"-FFFFFFFF", 0x00},
        {"-100000001", 0x00},  {"FFFFFFFFFFFFFFFFFFFFFFFFFFFF80", 0xFF},
        {"-0x80000001", 0x00}, {"********", 0x00},
        {"--1", 0x00},         {"0x-1", 0x00},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexTokenToByte(c.token), c.byte) << '"' << c.token << '"';
}

TEST(HexText, SplitsOnBlanksOnly) {
    struct Case {
        const char* text;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"1F 2F 3F 4F 5F 6F 7F 8F FC 03",
         {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFC, 0x03}},
        {"1f 2f 3f", {0x1F, 0x2F, 0x3F}},
        {"   1F    2F  ", {0x1F, 0x2F}},
        {"", {}},
        {"     ", {}},
        {"1F\t2F", {0x1F}},
        {"1F\n2F", {0x1F}},
        {"1F:2F 3F", {0x1F, 0x3F}},
        {" 5 a", {0x05, 0x0A}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexTextToBytes(c.text), c.bytes) << '"' << c.text << '"';
        EXPECT_EQ(CountHexTokens(c.text), c.bytes.size()) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace tmx7
