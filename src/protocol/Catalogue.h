#pragma once
// The module's parameters: the value codes each answer carries and the exact
// text the display shows for them. The tables are the protocol knowledge; the
// decoder, the sequences, the dialogs and the file code only look things up.
// Which field shows what, on which page, is the field table (Fields.h).

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
// Six bytes of code page 936 text as UTF-8. The text ends at the first NUL,
// as the window would show it.
std::string FormatVersion(std::span<const std::uint8_t> bytes);

} // namespace tmx7
