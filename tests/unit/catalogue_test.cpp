#include "protocol/Catalogue.h"
#include "protocol/Fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <set>
#include <string>

namespace tmx7 {
namespace {

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
    // Code page 936 on the wire, UTF-8 in memory; a character cut in half by
    // the field's end is replaced, never passed on as a stray byte.
    const std::uint8_t gbk[] = {'V', '2', 0xB0, 0xE6, 0xB1, 0x00};
    EXPECT_EQ(FormatVersion(gbk), "V2\xE7\x89\x88\xEF\xBF\xBD");
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

TEST(Fields, KeysAnswersAndBlankOrder) {
    EXPECT_EQ(FieldForKey("txFrequency"), Field::TxFrequency);
    EXPECT_EQ(FieldForKey("power"), Field::TxPower);
    EXPECT_EQ(FieldForKey("passiveAddr"), Field::PassiveAddr);
    EXPECT_EQ(FieldForKey("TxFrequency"), std::nullopt);
    EXPECT_EQ(FieldForKey(""), std::nullopt);

    EXPECT_EQ(FieldsAnsweredBy(CmdFrequency),
              (std::vector<Field>{Field::TxFrequency, Field::RxFrequency}));
    EXPECT_EQ(FieldsAnsweredBy(CmdSerialBaud), std::vector<Field>{Field::SerialFormat});
    EXPECT_EQ(FieldsAnsweredBy(CmdAddrParams),
              (std::vector<Field>{Field::AddrType, Field::GroupMax, Field::AddrLength,
                                  Field::AddrStart}));
    EXPECT_TRUE(FieldsAnsweredBy(CmdStart0101).empty());

    // Every field is blanked exactly once, the transmit frequency first.
    const auto order = BlankOrder();
    std::set<Field> seen(order.begin(), order.end());
    EXPECT_EQ(seen.size(), kFieldCount);
    EXPECT_EQ(order.front(), Field::TxFrequency);
    EXPECT_EQ(order.back(), Field::TxPower);
}

} // namespace
} // namespace tmx7
