#pragma once
// The module's parameters: the value codes each answer carries and the exact
// text the window shows for them, which control shows what on which page, and
// the keys of the parameter file. The tables are the protocol knowledge; the
// decoder, the sequences, the dialogs and the file code only look things up.

#include "protocol/Frames.h"
#include "protocol/ParamSet.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tmx7 {

// ---- value codes and their display strings ----------------------------------

struct CodeText {
    std::uint8_t code;
    std::string_view text;
};

// clang-format off
inline constexpr std::array<CodeText, 7> kAirRateTexts = {{   // CmdAirRate (FC)
    {0x03, "1200bps"},
    {0x04, "2400bps"},
    {0x05, "4800bps"},
    {0x06, "9600bps"},
    {0x07, "19200bps"},
    {0x08, "38400bps"},
    {0x09, "57600bps"},
}};

inline constexpr std::array<CodeText, 7> kSerialBaudTexts = {{ // CmdSerialBaud (F2), first half of 1039
    {0x03, "1200,"},
    {0x04, "2400,"},
    {0x05, "4800,"},
    {0x06, "9600,"},
    {0x07, "19200,"},
    {0x08, "38400,"},
    {0x09, "57600,"},
}};

inline constexpr std::array<CodeText, 6> kSerialFormatTexts = {{ // CmdSerialFormat (AB), second half
    {0x00, "n.8.1"},
    {0x02, "n.8.2"},
    {0x03, "o.8.1"},
    {0x04, "o.8.2"},
    {0x05, "e.8.1"},
    {0x06, "e.8.2"},
}};

inline constexpr std::array<CodeText, 8> kTxPowerTexts = {{    // CmdTxPower (FB)
    {0x00, "0"},
    {0x01, "1"},
    {0x02, "2"},
    {0x03, "3"},
    {0x04, "4"},
    {0x05, "5"},
    {0x06, "6"},
    {0x07, "7"},
}};

inline constexpr std::array<CodeText, 17> kFrequencyTexts = {{ // CmdFrequency (FF), by channel byte
    {0x00, "431.000MHz"},
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
    {0x10, "435.000MHz"},
}};

inline constexpr std::array<CodeText, 3> kSerialModeTexts = {{ // CmdSerialMode (F8)
    {0x00, "主动模式"},
    {0x01, "被动模式"},
    {0x02, "MODBUS"},
}};

inline constexpr std::array<CodeText, 2> kPowerModeTexts = {{  // CmdPowerMode (A5)
    {0x00, "普通模式"},
    {0x01, "省电模式"},
}};

inline constexpr std::array<CodeText, 2> kAddrTypeTexts = {{   // CmdAddrParams byte 4
    {0x01, "ASC"},
    {0x02, "HEX"},
}};
// clang-format on

// Any other address type byte shows as ASC; the window's third choice, BCD,
// is never reported by a module.
inline constexpr std::string_view kAddrTypeFallback = "ASC";

constexpr std::optional<std::string_view> TextForCode(std::span<const CodeText> table,
                                                      std::uint8_t code) {
    for (const auto& row : table)
        if (row.code == code)
            return row.text;
    return std::nullopt;
}

constexpr std::optional<std::uint8_t> CodeForText(std::span<const CodeText> table,
                                                  std::string_view text) {
    for (const auto& row : table)
        if (row.text == text)
            return row.code;
    return std::nullopt;
}

// The value table of a command code; empty for codes whose display is computed.
std::span<const CodeText> ValueTable(CommandCode code);

// ---- computed displays ------------------------------------------------------

// "%d" of twice the value byte.
std::string FormatSleepPeriod(std::uint8_t halfPeriod);
// (256 * high + low) * 0.3 with one decimal, "0.3", "76.8"; always a full
// stop, whatever the process locale says.
std::string FormatWakeDelay(std::uint8_t high, std::uint8_t low);
// Two bytes as "30 30".
std::string FormatHexPairs(std::uint8_t first, std::uint8_t second);
// One byte as its two upper-case hex digits.
std::string FormatHexByte(std::uint8_t value);
// Six bytes taken as characters. The text ends at the first NUL, as the
// window would show it.
std::string FormatVersion(std::span<const std::uint8_t> bytes);

// ---- controls, pages, menus -------------------------------------------------

namespace ctl {
inline constexpr int kReceiveArea = 1000;
inline constexpr int kContinuousSend = 1021;
inline constexpr int kSend = 1023;
inline constexpr int kReadData = 1024;
inline constexpr int kCheckMemory = 1025;
inline constexpr int kTxFrequency = 1038;
inline constexpr int kSerialFormat = 1039;
inline constexpr int kSerialMode = 1043;
inline constexpr int kPowerMode = 1044;
inline constexpr int kSleepPeriod = 1045;
inline constexpr int kWakeDelay = 1046;
inline constexpr int kAddrStart = 1047;
inline constexpr int kGroupMax = 1048;
inline constexpr int kAirRate = 1049;
inline constexpr int kRxFrequency = 1050;
inline constexpr int kVersion = 1051;
inline constexpr int kPassiveAddr = 1052;
inline constexpr int kSaveAddr = 1053;
inline constexpr int kAddrLength = 1056;
inline constexpr int kAddrType = 1057;
inline constexpr int kTxPower = 1058;
inline constexpr int kGroup = 1080;
inline constexpr int kProgressBar = 1099;
inline constexpr int kTabControl = 1126;
} // namespace ctl

namespace menu {
inline constexpr int kSleepPeriodSetting = 32784;
inline constexpr int kSaveAddrSetting = 32785;
inline constexpr int kWakeDelaySetting = 32786;
inline constexpr int kPassiveAddrSetting = 32787;
} // namespace menu

enum class Page : std::uint8_t { General, PowerSaving, Passive };

struct PageInfo {
    Page page;
    std::string_view caption;
    int position; // tab position when present
};

inline constexpr std::array<PageInfo, 3> kPages = {{
    {Page::General, "一般参数", 0},
    {Page::PowerSaving, "省电参数", 1},
    {Page::Passive, "被动参数", 2},
}};

constexpr const PageInfo& PageOf(Page page) {
    return kPages[static_cast<std::size_t>(page)];
}

struct ValueControl {
    int controlId;
    int labelId;
    std::string_view label;
    Page page;
    CommandCode shows;
    int answerByte;               // for CmdAddrParams: which value byte (1..4); else 0
    std::string ParamSet::*field; // field a display copy fills; nullptr for none
};

// clang-format off
inline constexpr std::array<ValueControl, 17> kValueControls = {{
    {1038, 1100, "发射频率",     Page::General,     CmdFrequency,    0, &ParamSet::frequency},
    {1050, 1109, "接收频率",     Page::General,     CmdFrequency,    0, nullptr},
    {1049, 1102, "无线速率",     Page::General,     CmdAirRate,      0, &ParamSet::airRate},
    {1039, 1101, "串口格式",     Page::General,     CmdSerialFormat, 0, &ParamSet::serialFormat},
    {1051, 1110, "模块版本",     Page::General,     CmdVersion,      0, &ParamSet::version},
    {1058, 1111, "发射功率",     Page::General,     CmdTxPower,      0, &ParamSet::power},
    {1080, 1103, "组    号",     Page::General,     CmdGroup,        0, &ParamSet::group},
    {1044, 1105, "省电模式",     Page::General,     CmdPowerMode,    0, &ParamSet::powerMode},
    {1043, 1104, "串口模式",     Page::General,     CmdSerialMode,   0, &ParamSet::serialMode},
    {1045, 1106, "省电周期",     Page::PowerSaving, CmdSleepPeriod,  0, &ParamSet::sleepPeriod},
    {1053, 1114, "省电地址",     Page::PowerSaving, CmdSaveAddr,     0, &ParamSet::saveAddr},
    {1046, 1115, "唤醒延时",     Page::PowerSaving, CmdWakeDelay,    0, &ParamSet::wakeDelay},
    {1047, 1107, "地址开始位置", Page::PowerSaving, CmdAddrParams,   1, &ParamSet::addrStart},
    {1056, 1116, "地址长度",     Page::PowerSaving, CmdAddrParams,   2, &ParamSet::addrLength},
    {1048, 1108, "组内最大数",   Page::PowerSaving, CmdAddrParams,   3, &ParamSet::groupMax},
    {1057, 1117, "地址类型",     Page::PowerSaving, CmdAddrParams,   4, &ParamSet::addrType},
    {1052, 1113, "被动地址",     Page::Passive,     CmdPassiveAddr,  0, &ParamSet::passiveAddr},
}};
// clang-format on

constexpr const ValueControl* FindValueControl(int controlId) {
    for (const auto& row : kValueControls)
        if (row.controlId == controlId)
            return &row;
    return nullptr;
}

} // namespace tmx7
