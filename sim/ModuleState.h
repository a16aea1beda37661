#pragma once
// What the simulated module holds: every parameter the tool can read or set,
// kept as the raw value bytes that travel on the wire.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7::sim {

enum class Parity : char { None = 'n', Odd = 'o', Even = 'e' };

// Line settings of one side of the serial line.
struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int stopBits = 1;

    // Start bit, 8 data bits, optional parity, stop bits: 10, 11 or 12.
    int BitsPerByte() const { return 1 + 8 + (parity == Parity::None ? 0 : 1) + stopBits; }
    bool operator==(const LineSettings&) const = default;
};

struct ModuleState {
    std::array<std::uint8_t, 6> version{'T', 'M', 'X', '7', 'V', '1'};
    std::uint8_t airRate = 0x06;      // rate code 03..09
    std::uint8_t serialBaud = 0x06;   // rate code 03..09, the module's own line
    std::uint8_t serialFormat = 0x00; // format code 00, 02..06, the module's own line
    std::uint8_t txPower = 0x07;      // 00..07
    std::uint8_t channel = 0x08;      // 00..10
    std::uint8_t group = 0x00;
    std::uint8_t serialMode = 0x00; // 00 active, 01 passive, 02 MODBUS
    std::array<std::uint8_t, 2> passiveAddr{0x30, 0x30};
    std::uint8_t powerMode = 0x00;       // 00 normal, 01 power saving
    std::uint8_t sleepPeriodHalf = 0x01; // sleep period / 2
    std::array<std::uint8_t, 2> saveAddr{0x00, 0x00};
    std::array<std::uint8_t, 2> wakeDelay{0x00, 0x01}; // steps of 0.3, high byte first
    std::array<std::uint8_t, 4> addrParams{0x01, 0x02, 0x10, 0x01};
    bool transmitting0101 = false;
    std::array<std::uint8_t, 2> freqCalibration{0x00, 0x00};
    std::uint8_t signalStrength = 0x5A;      // value of the answer to F7
    std::vector<std::uint8_t> passiveMemory; // data stored by passive write frames
};

// Rate code 03..09 <-> 1200..57600 bit/s; 0 / nullopt outside the table.
int BaudForRateCode(std::uint8_t code);
std::optional<std::uint8_t> RateCodeForBaud(int baud);

// Format code 00, 02..06 <-> parity and stop bits; nullopt outside the table.
std::optional<LineSettings> FormatForCode(std::uint8_t code);
std::optional<std::uint8_t> FormatCodeFor(Parity parity, int stopBits);

// "n,8,1" and its siblings (either case); nullopt for anything else.
std::optional<LineSettings> ParseLineFormat(std::string_view text);

// The line the module itself uses, from its baud and format codes. Codes outside
// the tables fall back to 9600 and n,8,1, which is what a module does after a reset.
LineSettings ModuleLine(const ModuleState& state);

} // namespace tmx7::sim
