#include "protocol/Catalogue.h"

#include "platform/Encoding.h"

namespace tmx7 {

std::span<const CodeText> ValueTable(CommandCode code) {
    switch (code) {
    case CommandCode::AirRate:
        return kAirRateTexts;
    case CommandCode::SerialBaud:
        return kSerialBaudTexts;
    case CommandCode::SerialFormat:
        return kSerialFormatTexts;
    case CommandCode::TxPower:
        return kTxPowerTexts;
    case CommandCode::Frequency:
        return kFrequencyTexts;
    case CommandCode::SerialMode:
        return kSerialModeTexts;
    case CommandCode::PowerMode:
        return kPowerModeTexts;
    default:
        return {};
    }
}

std::string FormatSleepPeriod(std::uint8_t halfPeriod) {
    return std::to_string(2 * halfPeriod);
}

std::string FormatWakeDelay(std::uint8_t high, std::uint8_t low) {
    // count * 0.3 is an exact number of tenths, so integer arithmetic gives the
    // same digits as "%0.1f" without depending on the locale's decimal point.
    const int tenths = (256 * high + low) * 3;
    return std::to_string(tenths / 10) + '.' + static_cast<char>('0' + tenths % 10);
}

std::string FormatHexByte(std::uint8_t value) {
    constexpr char kHex[] = "0123456789ABCDEF";
    return std::string{kHex[value >> 4], kHex[value & 0x0F]};
}

std::string FormatHexPairs(std::uint8_t first, std::uint8_t second) {
    return FormatHexByte(first) + ' ' + FormatHexByte(second);
}

std::string FormatVersion(std::span<const std::uint8_t> bytes) {
    std::string raw;
    for (std::uint8_t b : bytes) {
        if (b == 0)
            break;
        raw += static_cast<char>(b);
    }
    // The module names itself in the code page of its own user interface;
    // in memory every text is UTF-8. A character cut off by the six-byte
    // field becomes U+FFFD rather than a stray byte.
    return GbkToUtf8(raw).text;
}

} // namespace tmx7
