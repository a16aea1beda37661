#pragma once
// Command frames of the module's configuration protocol and the hex text the
// rest of the tool moves them around in.
//
// Host to module, a frame is the eight-byte preamble 1F 2F .. 8F, a command
// code, an access byte (01 set, 03 query; absent in short commands) and the
// value bytes of a set. There is no length field and no checksum, so a frame
// of the wrong length is simply misread by the module: every builder here
// either produces the exact length for its code or produces nothing.

#include "platform/Clock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

enum class CommandCode : std::uint8_t {
    Version = 0xEC,
    AirRate = 0xFC,
    SerialBaud = 0xF2,
    SerialFormat = 0xAB,
    TxPower = 0xFB,
    Frequency = 0xFF,
    Group = 0xE7,
    SerialMode = 0xF8,
    PassiveAddr = 0xE2,
    PowerMode = 0xA5,
    SleepPeriod = 0xA4,
    SaveAddr = 0xA3,
    WakeDelay = 0xA1,
    AddrParams = 0xE1,
    SignalStrength = 0xF7,
    FreqCalibration = 0xFA,
    Start0101 = 0xA9,
    Stop0101 = 0xA8,
};

inline constexpr CommandCode CmdVersion = CommandCode::Version;
inline constexpr CommandCode CmdAirRate = CommandCode::AirRate;
inline constexpr CommandCode CmdSerialBaud = CommandCode::SerialBaud;
inline constexpr CommandCode CmdSerialFormat = CommandCode::SerialFormat;
inline constexpr CommandCode CmdTxPower = CommandCode::TxPower;
inline constexpr CommandCode CmdFrequency = CommandCode::Frequency;
inline constexpr CommandCode CmdGroup = CommandCode::Group;
inline constexpr CommandCode CmdSerialMode = CommandCode::SerialMode;
inline constexpr CommandCode CmdPassiveAddr = CommandCode::PassiveAddr;
inline constexpr CommandCode CmdPowerMode = CommandCode::PowerMode;
inline constexpr CommandCode CmdSleepPeriod = CommandCode::SleepPeriod;
inline constexpr CommandCode CmdSaveAddr = CommandCode::SaveAddr;
inline constexpr CommandCode CmdWakeDelay = CommandCode::WakeDelay;
inline constexpr CommandCode CmdAddrParams = CommandCode::AddrParams;
inline constexpr CommandCode CmdSignalStrength = CommandCode::SignalStrength;
inline constexpr CommandCode CmdFreqCalibration = CommandCode::FreqCalibration;
inline constexpr CommandCode CmdStart0101 = CommandCode::Start0101;
inline constexpr CommandCode CmdStop0101 = CommandCode::Stop0101;

constexpr std::uint8_t Byte(CommandCode code) {
    return static_cast<std::uint8_t>(code);
}

inline constexpr std::array<std::uint8_t, 8> kPreamble = {0x1F, 0x2F, 0x3F, 0x4F,
                                                          0x5F, 0x6F, 0x7F, 0x8F};
inline constexpr std::uint8_t kAccessSet = 0x01;
inline constexpr std::uint8_t kAccessQuery = 0x03;
// The format probe and its answer use codes outside the command table.
inline constexpr std::uint8_t kProbeCode = 0xFE;
inline constexpr std::uint8_t kProbeAnswerCode = 0xFD;

// How a code goes out on the line.
enum class Send : std::uint8_t {
    QueryAndSet, // 10-byte query; 11/12/16-byte set
    QueryOnly,   // 10-byte query, no set frame
    SetOnly,     // set frame only
    Short,       // 9 bytes: preamble and code, nothing else
};

struct CommandInfo {
    CommandCode code;
    std::string_view name;
    std::string_view label; // caption beside the value in the window
    Send send;
    int setLength;    // value bytes of the set frame; 0 when there is none
    int answerLength; // value bytes the tool reads from the answer; 0 = not decoded
};

// clang-format off
inline constexpr std::array<CommandInfo, 18> kCommands = {{
    // code, name, label beside the value, how it is sent, set value bytes, answer value bytes
    {CommandCode::Version,         "CmdVersion",         "模块版本", Send::QueryOnly,    0,   6},
    {CommandCode::AirRate,         "CmdAirRate",         "无线速率", Send::QueryAndSet,  1,   1},
    {CommandCode::SerialBaud,      "CmdSerialBaud",      "串口格式", Send::QueryAndSet,  1,   1},
    {CommandCode::SerialFormat,    "CmdSerialFormat",    "串口格式", Send::QueryAndSet,  1,   1},
    {CommandCode::TxPower,         "CmdTxPower",         "发射功率", Send::QueryAndSet,  1,   1},
    {CommandCode::Frequency,       "CmdFrequency",       "发射频率", Send::QueryAndSet,  6,   6},
    {CommandCode::Group,           "CmdGroup",           "组号", Send::QueryAndSet,  1,   1},
    {CommandCode::SerialMode,      "CmdSerialMode",      "串口模式", Send::QueryAndSet,  1,   1},
    {CommandCode::PassiveAddr,     "CmdPassiveAddr",     "被动地址", Send::QueryAndSet,  2,   2},
    {CommandCode::PowerMode,       "CmdPowerMode",       "省电模式", Send::QueryAndSet,  1,   1},
    {CommandCode::SleepPeriod,     "CmdSleepPeriod",     "省电周期", Send::QueryAndSet,  1,   1},
    {CommandCode::SaveAddr,        "CmdSaveAddr",        "省电地址", Send::QueryAndSet,  2,   2},
    {CommandCode::WakeDelay,       "CmdWakeDelay",       "唤醒延时", Send::QueryAndSet,  2,   2},
    {CommandCode::AddrParams,      "CmdAddrParams",      "地址开始位置", Send::QueryOnly,    0,   4},
    {CommandCode::SignalStrength,  "CmdSignalStrength",  "信号强度", Send::Short,        0,   0},
    {CommandCode::FreqCalibration, "CmdFreqCalibration", "频率校准值", Send::SetOnly,      2,   0},
    {CommandCode::Start0101,       "CmdStart0101",       "发射0101", Send::Short,        0,   0},
    {CommandCode::Stop0101,        "CmdStop0101",        "停发0101", Send::Short,        0,   0},
}};
// clang-format on

// The row of a code byte; nullptr for bytes that are no command.
constexpr const CommandInfo* FindCommand(std::uint8_t code) {
    for (const auto& row : kCommands)
        if (Byte(row.code) == code)
            return &row;
    return nullptr;
}
constexpr const CommandInfo& Info(CommandCode code) {
    return *FindCommand(Byte(code));
}
constexpr bool IsQueryable(CommandCode code) {
    const Send s = Info(code).send;
    return s == Send::QueryAndSet || s == Send::QueryOnly;
}

using QueryFrame = std::array<std::uint8_t, 10>;
using ShortFrame = std::array<std::uint8_t, 9>;
using Frame = std::vector<std::uint8_t>;

// Preamble, code, 03. Meant for the codes IsQueryable() accepts.
constexpr QueryFrame MakeQueryFrame(CommandCode code) {
    QueryFrame f{};
    for (std::size_t i = 0; i < kPreamble.size(); ++i)
        f[i] = kPreamble[i];
    f[8] = Byte(code);
    f[9] = kAccessQuery;
    return f;
}

// An answer opens with the same ten bytes as the query for its code.
constexpr QueryFrame AnswerHeader(CommandCode code) {
    return MakeQueryFrame(code);
}

// The 9-byte short commands (A9, A8, F7); nullopt for any other code.
std::optional<ShortFrame> MakeShortFrame(CommandCode code);

// The format probe: preamble and FE.
constexpr ShortFrame MakeProbeFrame() {
    ShortFrame f{};
    for (std::size_t i = 0; i < kPreamble.size(); ++i)
        f[i] = kPreamble[i];
    f[8] = kProbeCode;
    return f;
}

// Preamble, code, 01, value. Built only for a code with a set frame and a
// value of exactly that code's length.
std::optional<Frame> MakeSetFrame(CommandCode code, std::span<const std::uint8_t> value);

// Sets whose value is a code from the catalogue tables. Codes outside the
// tables are not built.
std::optional<Frame> MakeAirRateSet(int rateCode);      // 03..09
std::optional<Frame> MakeSerialBaudSet(int rateCode);   // 03..09
std::optional<Frame> MakeSerialFormatSet(int format);   // 00, 02..06 (01 is unused)
std::optional<Frame> MakeTxPowerSet(int level);         // 0..7
std::optional<Frame> MakeFrequencySet(int channelCode); // 00..10: 00 00 ch 00 00 00
std::optional<Frame> MakeSerialModeSet(int mode);       // 0 active, 1 passive, 2 MODBUS
std::optional<Frame> MakePowerModeSet(int mode);        // 0 normal, 1 power saving

// Sleep period 0..510; the module takes it halved (5 sends 02).
std::optional<Frame> MakeSleepPeriodSet(int period);
// The same from a stored decimal text such as "2" (blanks around it allowed).
std::optional<Frame> MakeSleepPeriodSetFromText(std::string_view decimal);

// Wake-up delay as its count of 0.3 s steps, 1..65535, high byte first.
std::optional<Frame> MakeWakeDelaySet(int count);
// A decimal text read exactly as floor(10 * value), without the locale or a
// float: "0.3" -> 3, "76.85" -> 768 (restNonZero tells that digits were cut).
struct DecimalTenths {
    long long tenths = 0;
    bool restNonZero = false;
};
std::optional<DecimalTenths> ParseDecimalTenths(std::string_view decimal);

// Power-saving address as the dialog holds it: exactly four hex digits,
// "1234" sends 12 34.
std::optional<Frame> MakeSaveAddrSetFromDigits(std::string_view fourDigits);
// Power-saving address as stored: exactly two hex pairs, "00 00".
std::optional<Frame> MakeSaveAddrSetFromPairs(std::string_view pairs);
// Passive address as the dialog holds it: two hex-digit characters whose
// character codes are sent, "1A" sends 31 41.
std::optional<Frame> MakePassiveAddrSetFromChars(std::string_view twoChars);
// Passive address as stored: exactly two hex pairs, "30 30".
std::optional<Frame> MakePassiveAddrSetFromPairs(std::string_view pairs);
// Group number: one or two hex digits, "7" sends 07.
std::optional<Frame> MakeGroupSet(std::string_view hexDigits);
// Frequency calibration: two texts of one or two hex digits each.
std::optional<Frame> MakeCalibrationSet(std::string_view first, std::string_view second);

// ---- hex text ---------------------------------------------------------------

// Converts blank-separated hex tokens to bytes, one byte per token, each token
// read like strtol(token, nullptr, 16) on a 32-bit long and cut to its low
// 8 bits. Writes at most `capacity` bytes and returns how many it wrote;
// tokens beyond the capacity are dropped (CountHexTokens tells).
std::size_t HexTextToBytes(std::string_view text, std::uint8_t* dest, std::size_t capacity);
std::vector<std::uint8_t> HexTextToBytes(std::string_view text);
// Number of tokens HexTextToBytes would convert without a capacity limit.
std::size_t CountHexTokens(std::string_view text);
// The byte of one token (the rule above).
std::uint8_t HexTokenToByte(std::string_view token);

// "%02X " for every byte: 3 * count characters, ending in a blank.
std::string BytesToHexText(const std::uint8_t* bytes, std::size_t count);
inline std::string BytesToHexText(std::span<const std::uint8_t> bytes) {
    return BytesToHexText(bytes.data(), bytes.size());
}

// Colon-separated test data is sent as blank-separated hex text.
std::string ColonsToBlanks(std::string_view text);

// ---- pacing -----------------------------------------------------------------

// The pause after a query, by host baud: two steps at 1200 (600 + 200) and
// 2400 (200 + 200), one step of 200 otherwise. Slow lines need the longer
// pause or the answer is still on the wire when the next query goes out.
struct PausePlan {
    std::array<Millis, 2> steps{};
    int count = 0;
    constexpr Millis total() const {
        Millis t{0};
        for (int i = 0; i < count; ++i)
            t += steps[static_cast<std::size_t>(i)];
        return t;
    }
};

constexpr PausePlan PauseAfterQuerySteps(int hostBaud) {
    if (hostBaud == 1200)
        return PausePlan{{Millis(600), Millis(200)}, 2};
    if (hostBaud == 2400)
        return PausePlan{{Millis(200), Millis(200)}, 2};
    return PausePlan{{Millis(200), Millis(0)}, 1};
}
constexpr Millis PauseAfterQueryMs(int hostBaud) {
    return PauseAfterQuerySteps(hostBaud).total();
}

// Sleeps the pause on `clock`. Returns false when `stop` cut it short.
bool PauseAfterQuery(Clock& clock, int hostBaud, StopSignal* stop = nullptr);

} // namespace tmx7
