// The data send, the preset lines and the passive frames: exact bytes, and
// every refusal instead of a byte that no piece of text filled.

#include "protocol/Frames.h"
#include "ui/DataSend.h"

#include <gtest/gtest.h>

#include <string>

using namespace tmx7;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::string Pairs(std::size_t n, std::string_view sep = " ") {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        if (i)
            s += sep;
        char buf[3];
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(i & 0xFF));
        s += buf;
    }
    return s;
}

struct SendCase {
    const char* name;
    std::string text;
    std::size_t buffer;
    int mode;
    std::string addr;
    Bytes expected;
    SendRefusal refusal;
};

void PrintTo(const SendCase& c, std::ostream* out) {
    *out << c.name;
}

class DataSendTable : public ::testing::TestWithParam<SendCase> {};

TEST_P(DataSendTable, BytesOrRefusal) {
    const SendCase& c = GetParam();
    const SendResult r = BuildDataSend(c.text, c.buffer, c.mode, c.addr);
    EXPECT_EQ(r.refusal, c.refusal);
    EXPECT_EQ(r.bytes, c.expected);
    // A refusal the user can act on says so; an unknown mode stays silent.
    if (c.refusal == SendRefusal::None || c.refusal == SendRefusal::ModeUnknown)
        EXPECT_TRUE(r.status.empty()) << r.status;
    else
        EXPECT_FALSE(r.status.empty());
}

const Bytes k012 = {0x00, 0x01, 0x02};

INSTANTIATE_TEST_SUITE_P(
    Modes, DataSendTable,
    ::testing::Values(
        SendCase{"ActiveColons", "00:01:02", 400, 0, "", k012, SendRefusal::None},
        SendCase{"ModbusColons", "00:01:02", 200, 2, "30 30", k012, SendRefusal::None},
        SendCase{
            "OtherModeSendsNothing", "00 01 02", 400, 3, "30 30", {}, SendRefusal::ModeUnknown},
        SendCase{
            "UnknownModeSendsNothing", "00 01 02", 400, -1, "30 30", {}, SendRefusal::ModeUnknown},
        SendCase{"PassiveColonsLowerCaseAddress",
                 "41:42",
                 400,
                 1,
                 "3a 3B",
                 {0x24, 0x3A, 0x3B, 0x57, 0x00, 0x02, 0x41, 0x42, 0x0D},
                 SendRefusal::None},
        // The length rule would send 2 bytes for "1 2 3"; one per piece is right.
        SendCase{"SingleDigitPieces", "1 2 3", 400, 0, "", {1, 2, 3}, SendRefusal::None},
        SendCase{"TrailingBlankAddsNoByte", "00 01 02 ", 400, 0, "", k012, SendRefusal::None},
        SendCase{"DoubledBlanksAddNoByte", "00  01   02", 400, 0, "", k012, SendRefusal::None},
        SendCase{"WindowsLineEnd", "00 01 02\r\n", 400, 0, "", k012, SendRefusal::None},
        SendCase{"CrAfterBlank",
                 "00 01 02 \r",
                 400,
                 1,
                 "30 30",
                 {0x24, 0x30, 0x30, 0x57, 0x00, 0x03, 0, 1, 2, 0x0D},
                 SendRefusal::None},
        SendCase{"EmptyActive", "", 400, 0, "", {}, SendRefusal::Empty},
        SendCase{"OnlyBlanks", "  : ", 400, 0, "", {}, SendRefusal::Empty},
        // Would otherwise go out as the check-memory frame.
        SendCase{"EmptyPassive", "", 400, 1, "30 30", {}, SendRefusal::Empty},
        SendCase{
            "PassiveAddressNotHex", "41 42", 400, 1, "3G 30", {}, SendRefusal::NoPassiveAddress},
        SendCase{"Active401", Pairs(401), 400, 0, "", {}, SendRefusal::TooLong},
        SendCase{"Std201", Pairs(201, ":"), 200, 0, "", {}, SendRefusal::TooLong},
        SendCase{"Passive394", Pairs(394), 400, 1, "30 30", {}, SendRefusal::TooLong},
        SendCase{"PassiveStd194", Pairs(194), 200, 1, "30 30", {}, SendRefusal::TooLong}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataSend, LargestPayloadsFillTheBufferExactly) {
    const SendResult active = BuildDataSend(Pairs(400), kSendAreaBuffer, kModeActive, "");
    ASSERT_TRUE(active.ok());
    ASSERT_EQ(active.bytes.size(), 400u);
    EXPECT_EQ(active.bytes[399], 399 & 0xFF);

    const SendResult passive = BuildDataSend(Pairs(393), kSendAreaBuffer, kModePassive, "30 30");
    ASSERT_TRUE(passive.ok()) << passive.status;
    ASSERT_EQ(passive.bytes.size(), 400u);
    EXPECT_EQ(passive.bytes[4], 0x01); // 393 = 1 * 255 + 138
    EXPECT_EQ(passive.bytes[5], 0x8A);
    EXPECT_EQ(passive.bytes[6 + 392], 392 & 0xFF);
    EXPECT_EQ(passive.bytes.back(), 0x0D);

    const SendResult std192 = BuildDataSend(Pairs(192, ":"), kStdDataBuffer, kModePassive, "30 30");
    ASSERT_TRUE(std192.ok());
    EXPECT_EQ(std192.bytes.size(), 199u);
}

TEST(DataSend, RefusalTextsNameTheLimit) {
    EXPECT_NE(BuildDataSend(Pairs(401), 400, kModeActive, "").status.find("400"),
              std::string::npos);
    EXPECT_NE(BuildDataSend(Pairs(394), 400, kModePassive, "30 30").status.find("393"),
              std::string::npos);
    EXPECT_NE(BuildPresetSend(Pairs(21)).status.find("20"), std::string::npos);
}

TEST(PassiveFrames, LengthFieldCountsInBase255) {
    struct Row {
        std::size_t n;
        std::uint8_t high, low;
    };
    const Row rows[] = {{0, 0x00, 0x00},   {2, 0x00, 0x02},   {254, 0x00, 0xFE},
                        {255, 0x01, 0x00}, {256, 0x01, 0x01}, {300, 0x01, 0x2D},
                        {393, 0x01, 0x8A}, {510, 0x02, 0x00}, {65279, 0xFF, 0xFE}};
    for (const Row& row : rows) {
        const auto f = PassiveLengthField(row.n);
        ASSERT_TRUE(f.has_value()) << row.n;
        EXPECT_EQ((*f)[0], row.high) << row.n;
        EXPECT_EQ((*f)[1], row.low) << row.n;
    }
    EXPECT_FALSE(PassiveLengthField(65280).has_value()) << "high part would not fit a byte";
}

TEST(PassiveFrames, RefusedUntilTheAddressIsKnown) {
    for (std::string_view addr : {"", "30", "3030", "30-30", "30 30 ", " 30 30", "XY 30"}) {
        EXPECT_FALSE(ParsePassiveAddress(addr).has_value()) << addr;
        const SendResult read = BuildReadDataSend(addr);
        const SendResult check = BuildCheckMemorySend(addr);
        EXPECT_EQ(read.refusal, SendRefusal::NoPassiveAddress);
        EXPECT_EQ(check.refusal, SendRefusal::NoPassiveAddress);
        EXPECT_TRUE(read.bytes.empty() && check.bytes.empty());
        EXPECT_NE(read.status.find("读数据"), std::string::npos);
        EXPECT_NE(check.status.find("判断内存"), std::string::npos);
    }
}

} // namespace
