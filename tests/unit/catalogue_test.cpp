#include "protocol/Catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <set>
#include <string>

namespace tmx7 {
namespace {

struct Row {
    std::uint8_t code;
    const char* text;
};

// Every row of every value table, written out independently of the tables.
struct TableCase {
    CommandCode command;
    std::span<const CodeText> table;
    std::vector<Row> rows;
};

std::vector<TableCase> AllTables() {
    return {
        {CmdAirRate,
         kAirRateTexts,
         {{0x03, "1200bps"},
          {0x04, "2400bps"},
          {0x05, "4800bps"},
          {0x06, "9600bps"},
          {0x07, "19200bps"},
          {0x08, "38400bps"},
          {0x09, "57600bps"}}},
        {CmdSerialBaud,
         kSerialBaudTexts,
         {{0x03, "1200,"},
          {0x04, "2400,"},
          {0x05, "4800,"},
          {0x06, "9600,"},
          {0x07, "19200,"},
          {0x08, "38400,"},
          {0x09, "57600,"}}},
        {CmdSerialFormat,
         kSerialFormatTexts,
         {{0x00, "n.8.1"},
          {0x02, "n.8.2"},
          {0x03, "o.8.1"},
          {0x04, "o.8.2"},
          {0x05, "e.8.1"},
          {0x06, "e.8.2"}}},
        {CmdTxPower,
         kTxPowerTexts,
         {{0x00, "0"},
          {0x01, "1"},
          {0x02, "2"},
          {0x03, "3"},
          {0x04, "4"},
          {0x05, "5"},
          {0x06, "6"},
          {0x07, "7"}}},
        {CmdFrequency,
         kFrequencyTexts,
         {{0x00, "431.000MHz"},
          {0x01, "431.250MHz"},
          {0x02, "431.500MHz"},
          {0x03, "431.750MHz"},
          {0x04, "432.000MHz"},
          {0x05, "432.250MHz"},
          {0x06, "432.500MHz"},
          {0x07, "432.750MHz"},
          {0x08, "433.000MHz"},
          {0x09, "433.250MHz"},
          {0x0A, "433.500MHz"},
          {0x0B, "433.750MHz"},
          {0x0C, "434.000MHz"},
          {0x0D, "434.250MHz"},
          {0x0E, "434.500MHz"},
          {0x0F, "434.750MHz"},
          {0x10, "435.000MHz"}}},
        {CmdSerialMode,
         kSerialModeTexts,
         {{0x00, "主动模式"}, {0x01, "被动模式"}, {0x02, "MODBUS"}}},
        {CmdPowerMode, kPowerModeTexts, {{0x00, "普通模式"}, {0x01, "省电模式"}}},
    };
}

TEST(ValueTables, EveryRowMapsBothWays) {
    for (const auto& t : AllTables()) {
        ASSERT_EQ(t.table.size(), t.rows.size()) << Info(t.command).name;
        EXPECT_EQ(ValueTable(t.command).data(), t.table.data()) << Info(t.command).name;
        for (std::size_t i = 0; i < t.rows.size(); ++i) {
            const Row& r = t.rows[i];
            EXPECT_EQ(t.table[i].code, r.code) << Info(t.command).name << " row " << i;
            EXPECT_EQ(TextForCode(t.table, r.code), std::string_view(r.text));
            EXPECT_EQ(CodeForText(t.table, r.text), r.code);
        }
    }
}

TEST(ValueTables, CodesOutsideTheTablesHaveNoText) {
    EXPECT_FALSE(TextForCode(kAirRateTexts, 0x0A));
    EXPECT_FALSE(TextForCode(kAirRateTexts, 0x02));
    EXPECT_FALSE(TextForCode(kSerialFormatTexts, 0x01));
    EXPECT_FALSE(TextForCode(kTxPowerTexts, 0x08));
    EXPECT_FALSE(TextForCode(kFrequencyTexts, 0x11));
    EXPECT_FALSE(TextForCode(kSerialModeTexts, 0x03));
    EXPECT_FALSE(CodeForText(kFrequencyTexts, "433.000"));
    EXPECT_FALSE(CodeForText(kAirRateTexts, "9600"));
    EXPECT_FALSE(CodeForText(kSerialModeTexts, "********"));
    EXPECT_TRUE(ValueTable(CmdVersion).empty());
    EXPECT_EQ(TextForCode(kAddrTypeTexts, 0x01), "ASC");
    EXPECT_EQ(TextForCode(kAddrTypeTexts, 0x02), "HEX");
}

TEST(ValueTables, FrequencyIsChannelTimesAQuarterMegahertz) {
    for (const auto& row : kFrequencyTexts) {
        const int kHz = 431000 + 250 * row.code;
        char text[16];
        std::snprintf(text, sizeof text, "%d.%03dMHz", kHz / 1000, kHz % 1000);
        EXPECT_EQ(row.text, text);
    }
}

TEST(ComputedDisplays, MatchTheirFormats) {
    EXPECT_EQ(FormatSleepPeriod(0x01), "2");
    EXPECT_EQ(FormatSleepPeriod(0x00), "0");
    EXPECT_EQ(FormatSleepPeriod(0xFA), "500");
    EXPECT_EQ(FormatSleepPeriod(0xFF), "510");
    EXPECT_EQ(FormatWakeDelay(0x00, 0x01), "0.3");
    EXPECT_EQ(FormatWakeDelay(0x01, 0x00), "76.8");
    EXPECT_EQ(FormatWakeDelay(0x00, 0x00), "0.0");
    EXPECT_EQ(FormatWakeDelay(0xFF, 0xFF), "19660.5");
    EXPECT_EQ(FormatWakeDelay(0x00, 0x0A), "3.0");
    EXPECT_EQ(FormatHexPairs(0x30, 0x30), "30 30");
    EXPECT_EQ(FormatHexPairs(0x0A, 0xFF), "0A FF");
    EXPECT_EQ(FormatHexByte(0x05), "05");
    const std::uint8_t version[] = {'T', 'M', 'X', '7', 'V', '1'};
    EXPECT_EQ(FormatVersion(version), "TMX7V1");
    const std::uint8_t withNul[] = {'V', '1', 0x00, 'X', 'Y', 'Z'};
    EXPECT_EQ(FormatVersion(withNul), "V1");
}

TEST(ComputedDisplays, WakeDelayAgreesWithPrintfForEveryCount) {
    for (int c = 0; c <= 0xFFFF; c += 7) {
        char text[32];
        std::snprintf(text, sizeof text, "%0.1f", c * 0.3);
        ASSERT_EQ(FormatWakeDelay(static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)),
                  text)
            << c;
    }
}

TEST(ComputedDisplays, WakeDelayIgnoresTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma-decimal locale installed";
    const std::string text = FormatWakeDelay(0, 1);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "0.3");
}

TEST(ValueControls, EveryControlRow) {
    struct Case {
        int id;
        int label;
        const char* caption;
        Page page;
        CommandCode shows;
        int answerByte;
    };
    const Case cases[] = {
        {1038, 1100, "发射频率", Page::General, CmdFrequency, 0},
        {1050, 1109, "接收频率", Page::General, CmdFrequency, 0},
        {1049, 1102, "无线速率", Page::General, CmdAirRate, 0},
        {1039, 1101, "串口格式", Page::General, CmdSerialFormat, 0},
        {1051, 1110, "模块版本", Page::General, CmdVersion, 0},
        {1058, 1111, "发射功率", Page::General, CmdTxPower, 0},
        {1080, 1103, "组    号", Page::General, CmdGroup, 0},
        {1044, 1105, "省电模式", Page::General, CmdPowerMode, 0},
        {1043, 1104, "串口模式", Page::General, CmdSerialMode, 0},
        {1045, 1106, "省电周期", Page::PowerSaving, CmdSleepPeriod, 0},
        {1053, 1114, "省电地址", Page::PowerSaving, CmdSaveAddr, 0},
        {1046, 1115, "唤醒延时", Page::PowerSaving, CmdWakeDelay, 0},
        {1047, 1107, "地址开始位置", Page::PowerSaving, CmdAddrParams, 1},
        {1056, 1116, "地址长度", Page::PowerSaving, CmdAddrParams, 2},
        {1048, 1108, "组内最大数", Page::PowerSaving, CmdAddrParams, 3},
        {1057, 1117, "地址类型", Page::PowerSaving, CmdAddrParams, 4},
        {1052, 1113, "被动地址", Page::Passive, CmdPassiveAddr, 0},
    };
    ASSERT_EQ(std::size(cases), kValueControls.size());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const ValueControl& row = kValueControls[i];
        EXPECT_EQ(row.controlId, c.id);
        EXPECT_EQ(row.labelId, c.label) << c.id;
        EXPECT_EQ(row.label, c.caption) << c.id;
        EXPECT_EQ(row.page, c.page) << c.id;
        EXPECT_EQ(row.shows, c.shows) << c.id;
        EXPECT_EQ(row.answerByte, c.answerByte) << c.id;
        EXPECT_EQ(FindValueControl(c.id), &row);
    }
    EXPECT_EQ(FindValueControl(1000), nullptr);
    // Every field but the receive frequency copy has exactly one control.
    std::vector<std::string ParamSet::*> fields;
    for (const auto& row : kValueControls) {
        if (!row.field)
            continue;
        EXPECT_EQ(std::count(fields.begin(), fields.end(), row.field), 0) << row.controlId;
        fields.push_back(row.field);
    }
    EXPECT_EQ(fields.size(), 16u);
    EXPECT_EQ(FindValueControl(1050)->field, nullptr);
    EXPECT_EQ(FindValueControl(1039)->field, &ParamSet::serialFormat);
}

TEST(Pages, CaptionsAndPositions) {
    EXPECT_EQ(PageOf(Page::General).caption, "一般参数");
    EXPECT_EQ(PageOf(Page::General).position, 0);
    EXPECT_EQ(PageOf(Page::PowerSaving).caption, "省电参数");
    EXPECT_EQ(PageOf(Page::PowerSaving).position, 1);
    EXPECT_EQ(PageOf(Page::Passive).caption, "被动参数");
    EXPECT_EQ(PageOf(Page::Passive).position, 2);
}

} // namespace
} // namespace tmx7
