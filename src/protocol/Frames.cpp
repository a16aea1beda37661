#include "protocol/Frames.h"

#include <cstdint>

namespace tmx7 {

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// One or two hex digits and nothing else (after trimming blanks).
std::optional<std::uint8_t> ShortHexValue(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int v = 0;
    for (char c : text) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        v = v * 16 + d;
    }
    return static_cast<std::uint8_t>(v);
}

// "XX XX": exactly two pairs of hex digits separated by one blank.
std::optional<std::array<std::uint8_t, 2>> TwoHexPairs(std::string_view text) {
    text = TrimBlanks(text);
    if (text.size() != 5 || text[2] != ' ')
        return std::nullopt;
    std::array<std::uint8_t, 2> out{};
    for (std::size_t i = 0; i < 2; ++i) {
        const int hi = HexDigitValue(text[i * 3]);
        const int lo = HexDigitValue(text[i * 3 + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return out;
}

std::optional<Frame> SetOf(CommandCode code, std::initializer_list<std::uint8_t> value) {
    return MakeSetFrame(code, std::span<const std::uint8_t>(value.begin(), value.size()));
}

} // namespace

std::optional<ShortFrame> MakeShortFrame(CommandCode code) {
    if (Info(code).send != Send::Short)
        return std::nullopt;
    ShortFrame f{};
    for (std::size_t i = 0; i < kPreamble.size(); ++i)
        f[i] = kPreamble[i];
    f[8] = Byte(code);
    return f;
}

std::optional<Frame> MakeSetFrame(CommandCode code, std::span<const std::uint8_t> value) {
    const CommandInfo* row = FindCommand(Byte(code));
    if (row == nullptr || row->setLength == 0 ||
        value.size() != static_cast<std::size_t>(row->setLength))
        return std::nullopt;
    Frame f(kPreamble.begin(), kPreamble.end());
    f.push_back(Byte(code));
    f.push_back(kAccessSet);
    f.insert(f.end(), value.begin(), value.end());
    return f;
}

std::optional<Frame> MakeAirRateSet(int rateCode) {
    if (rateCode < 0x03 || rateCode > 0x09)
        return std::nullopt;
    return SetOf(CmdAirRate, {static_cast<std::uint8_t>(rateCode)});
}

std::optional<Frame> MakeSerialBaudSet(int rateCode) {
    if (rateCode < 0x03 || rateCode > 0x09)
        return std::nullopt;
    return SetOf(CmdSerialBaud, {static_cast<std::uint8_t>(rateCode)});
}

std::optional<Frame> MakeSerialFormatSet(int format) {
    if (format < 0x00 || format > 0x06 || format == 0x01)
        return std::nullopt;
    return SetOf(CmdSerialFormat, {static_cast<std::uint8_t>(format)});
}

std::optional<Frame> MakeTxPowerSet(int level) {
    if (level < 0 || level > 7)
        return std::nullopt;
    return SetOf(CmdTxPower, {static_cast<std::uint8_t>(level)});
}

std::optional<Frame> MakeFrequencySet(int channelCode) {
    if (channelCode < 0x00 || channelCode > 0x10)
        return std::nullopt;
    return SetOf(CmdFrequency,
                 {0x00, 0x00, static_cast<std::uint8_t>(channelCode), 0x00, 0x00, 0x00});
}

std::optional<Frame> MakeSerialModeSet(int mode) {
    if (mode < 0 || mode > 2)
        return std::nullopt;
    return SetOf(CmdSerialMode, {static_cast<std::uint8_t>(mode)});
}

std::optional<Frame> MakePowerModeSet(int mode) {
    if (mode < 0 || mode > 1)
        return std::nullopt;
    return SetOf(CmdPowerMode, {static_cast<std::uint8_t>(mode)});
}

std::optional<Frame> MakeSleepPeriodSet(int period) {
    if (period < 0 || period > 510)
        return std::nullopt;
    return SetOf(CmdSleepPeriod, {static_cast<std::uint8_t>(period / 2)});
}

std::optional<Frame> MakeSleepPeriodSetFromText(std::string_view decimal) {
    decimal = TrimBlanks(decimal);
    if (decimal.empty() || decimal.size() > 3)
        return std::nullopt;
    int v = 0;
    for (char c : decimal) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return MakeSleepPeriodSet(v);
}

std::optional<Frame> MakeWakeDelaySet(int count) {
    if (count < 1 || count > 0xFFFF)
        return std::nullopt;
    return SetOf(CmdWakeDelay,
                 {static_cast<std::uint8_t>(count / 256), static_cast<std::uint8_t>(count % 256)});
}

std::optional<DecimalTenths> ParseDecimalTenths(std::string_view decimal) {
    decimal = TrimBlanks(decimal);
    if (!decimal.empty() && decimal.front() == '+')
        decimal.remove_prefix(1);
    const std::size_t dot = decimal.find('.');
    const std::string_view whole = decimal.substr(0, dot);
    const std::string_view frac =
        dot == std::string_view::npos ? std::string_view() : decimal.substr(dot + 1);
    if (whole.empty() && frac.empty())
        return std::nullopt;
    DecimalTenths t;
    for (char c : whole) {
        if (c < '0' || c > '9')
            return std::nullopt;
        t.tenths = t.tenths * 10 + (c - '0');
        if (t.tenths > 1'000'000)
            return std::nullopt; // far beyond any delay; stops any overflow
    }
    t.tenths *= 10;
    for (std::size_t i = 0; i < frac.size(); ++i) {
        const char c = frac[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        if (i == 0)
            t.tenths += c - '0';
        else if (c != '0')
            t.restNonZero = true;
    }
    return t;
}

std::optional<Frame> MakeSaveAddrSetFromDigits(std::string_view fourDigits) {
    if (fourDigits.size() != 4)
        return std::nullopt;
    int d[4];
    for (std::size_t i = 0; i < 4; ++i)
        if ((d[i] = HexDigitValue(fourDigits[i])) < 0)
            return std::nullopt;
    return SetOf(CmdSaveAddr, {static_cast<std::uint8_t>(d[0] * 16 + d[1]),
                               static_cast<std::uint8_t>(d[2] * 16 + d[3])});
}

std::optional<Frame> MakeSaveAddrSetFromPairs(std::string_view pairs) {
    const auto v = TwoHexPairs(pairs);
    if (!v)
        return std::nullopt;
    return SetOf(CmdSaveAddr, {(*v)[0], (*v)[1]});
}

std::optional<Frame> MakePassiveAddrSetFromChars(std::string_view twoChars) {
    if (twoChars.size() != 2 || HexDigitValue(twoChars[0]) < 0 || HexDigitValue(twoChars[1]) < 0)
        return std::nullopt;
    return SetOf(CmdPassiveAddr,
                 {static_cast<std::uint8_t>(twoChars[0]), static_cast<std::uint8_t>(twoChars[1])});
}

std::optional<Frame> MakePassiveAddrSetFromPairs(std::string_view pairs) {
    const auto v = TwoHexPairs(pairs);
    if (!v)
        return std::nullopt;
    return SetOf(CmdPassiveAddr, {(*v)[0], (*v)[1]});
}

std::optional<Frame> MakeGroupSet(std::string_view hexDigits) {
    const auto v = ShortHexValue(hexDigits);
    if (!v)
        return std::nullopt;
    return SetOf(CmdGroup, {*v});
}

std::optional<Frame> MakeCalibrationSet(std::string_view first, std::string_view second) {
    const auto a = ShortHexValue(first);
    const auto b = ShortHexValue(second);
    if (!a || !b)
        return std::nullopt;
    return SetOf(CmdFreqCalibration, {*a, *b});
}

// ---- hex text ---------------------------------------------------------------

std::uint8_t HexTokenToByte(std::string_view token) {
    // strtol(token, nullptr, 16) as a 32-bit long would compute it. The
    // saturation is kept on purpose: stored values rely on "100000000"
    // reading as FF and "-FFFFFFFF" as 00, whatever the width of long here.
    std::size_t i = 0;
    while (i < token.size() && IsCSpace(token[i]))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    // "0x" counts only when a hex digit follows; otherwise the 0 is the number.
    if (i + 2 < token.size() && token[i] == '0' && (token[i + 1] == 'x' || token[i + 1] == 'X') &&
        HexDigitValue(token[i + 2]) >= 0)
        i += 2;
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (; i < token.size(); ++i) {
        const int d = HexDigitValue(token[i]);
        if (d < 0)
            break;
        if (!overflow) {
            magnitude = magnitude * 16 + static_cast<unsigned>(d);
            if (magnitude > 0x80000000ULL)
                overflow = true;
        }
    }
    std::int64_t value;
    if (negative)
        value = overflow ? INT32_MIN : -static_cast<std::int64_t>(magnitude);
    else
        value = (overflow || magnitude > 0x7FFFFFFFULL) ? INT32_MAX
                                                        : static_cast<std::int64_t>(magnitude);
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0xFF);
}

namespace {

// Calls f(token) for each blank-separated token; blanks are the only separator.
template <typename F> void ForEachToken(std::string_view text, F&& f) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == text.size())
            break;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ')
            ++i;
        if (!f(text.substr(start, i - start)))
            return;
    }
}

} // namespace

std::size_t HexTextToBytes(std::string_view text, std::uint8_t* dest, std::size_t capacity) {
    std::size_t n = 0;
    if (dest == nullptr || capacity == 0)
        return 0;
    ForEachToken(text, [&](std::string_view token) {
        dest[n++] = HexTokenToByte(token);
        return n < capacity;
    });
    return n;
}

std::vector<std::uint8_t> HexTextToBytes(std::string_view text) {
    std::vector<std::uint8_t> out;
    ForEachToken(text, [&](std::string_view token) {
        out.push_back(HexTokenToByte(token));
        return true;
    });
    return out;
}

std::size_t CountHexTokens(std::string_view text) {
    std::size_t n = 0;
    ForEachToken(text, [&](std::string_view) {
        ++n;
        return true;
    });
    return n;
}

std::string BytesToHexText(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    out.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        out[i * 3] = kUpperHex[bytes[i] >> 4];
        out[i * 3 + 1] = kUpperHex[bytes[i] & 0x0F];
        out[i * 3 + 2] = ' ';
    }
    return out;
}

std::string ColonsToBlanks(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == ':')
            c = ' ';
    return out;
}

bool PauseAfterQuery(Clock& clock, int hostBaud, StopSignal* stop) {
    const PausePlan plan = PauseAfterQuerySteps(hostBaud);
    for (int i = 0; i < plan.count; ++i)
        if (!clock.sleepFor(plan.steps[static_cast<std::size_t>(i)], stop))
            return false;
    return true;
}

} // namespace tmx7
