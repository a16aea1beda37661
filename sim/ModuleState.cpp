#include "sim/ModuleState.h"

#include <cctype>

namespace tmx7::sim {

namespace {

struct RateRow {
    std::uint8_t code;
    int baud;
};
constexpr RateRow kRates[] = {
    {0x03, 1200},  {0x04, 2400},  {0x05, 4800},  {0x06, 9600},
    {0x07, 19200}, {0x08, 38400}, {0x09, 57600},
};

struct FormatRow {
    std::uint8_t code;
    Parity parity;
    int stopBits;
};
constexpr FormatRow kFormats[] = {
    {0x00, Parity::None, 1}, {0x02, Parity::None, 2}, {0x03, Parity::Odd, 1},
    {0x04, Parity::Odd, 2},  {0x05, Parity::Even, 1}, {0x06, Parity::Even, 2},
};

} // namespace

int BaudForRateCode(std::uint8_t code) {
    for (const auto& row : kRates)
        if (row.code == code)
            return row.baud;
    return 0;
}

std::optional<std::uint8_t> RateCodeForBaud(int baud) {
    for (const auto& row : kRates)
        if (row.baud == baud)
            return row.code;
    return std::nullopt;
}

std::optional<LineSettings> FormatForCode(std::uint8_t code) {
    for (const auto& row : kFormats)
        if (row.code == code)
            return LineSettings{9600, row.parity, row.stopBits};
    return std::nullopt;
}

std::optional<std::uint8_t> FormatCodeFor(Parity parity, int stopBits) {
    for (const auto& row : kFormats)
        if (row.parity == parity && row.stopBits == stopBits)
            return row.code;
    return std::nullopt;
}

std::optional<LineSettings> ParseLineFormat(std::string_view text) {
    if (text.size() != 5 || text[1] != ',' || text[2] != '8' || text[3] != ',')
        return std::nullopt;
    LineSettings line;
    switch (std::tolower(static_cast<unsigned char>(text[0]))) {
    case 'n':
        line.parity = Parity::None;
        break;
    case 'o':
        line.parity = Parity::Odd;
        break;
    case 'e':
        line.parity = Parity::Even;
        break;
    default:
        return std::nullopt;
    }
    if (text[4] != '1' && text[4] != '2')
        return std::nullopt;
    line.stopBits = text[4] - '0';
    return line;
}

LineSettings ModuleLine(const ModuleState& state) {
    LineSettings line = FormatForCode(state.serialFormat).value_or(LineSettings{});
    const int baud = BaudForRateCode(state.serialBaud);
    line.baud = baud ? baud : 9600;
    return line;
}

} // namespace tmx7::sim
