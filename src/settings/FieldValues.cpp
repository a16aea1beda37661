#include "settings/FieldValues.h"

#include "protocol/Catalogue.h"
#include "settings/DialogModels.h"

#include <algorithm>
#include <cstdio>

namespace tmx7 {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

// `text` without `suffix` (letter case ignored) and the blanks before it.
std::string_view WithoutSuffix(std::string_view text, std::string_view suffix) {
    if (text.size() >= suffix.size() &&
        EqualsNoCase(text.substr(text.size() - suffix.size()), suffix))
        return Trim(text.substr(0, text.size() - suffix.size()));
    return text;
}

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "12 34": two pairs of hex digits and one blank.
std::optional<std::array<std::uint8_t, 2>> Pairs(std::string_view s) {
    if (s.size() != 5 || s[2] != ' ')
        return std::nullopt;
    const int d[4] = {HexValue(s[0]), HexValue(s[1]), HexValue(s[3]), HexValue(s[4])};
    if (std::any_of(std::begin(d), std::end(d), [](int v) { return v < 0; }))
        return std::nullopt;
    return std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(d[0] * 16 + d[1]),
                                       static_cast<std::uint8_t>(d[2] * 16 + d[3])};
}

std::optional<int> IndexOf(std::span<const std::string_view> entries, std::string_view text) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (EqualsNoCase(entries[i], text))
            return static_cast<int>(i);
    return std::nullopt;
}

struct Parsed {
    std::string text;
    SetPlan plan;
};
using Maybe = std::optional<Parsed>; // nothing: refused by the field's rule

Maybe Frequency(std::string_view t) {
    t = WithoutSuffix(t, "MHz");
    const std::size_t dot = t.find('.');
    const std::string_view whole = t.substr(0, dot);
    std::string_view frac = dot == std::string_view::npos ? std::string_view() : t.substr(dot + 1);
    while (frac.size() > 3 && frac.back() == '0')
        frac.remove_suffix(1);
    if (!AllDigits(whole) || whole.size() > 4 || frac.size() > 3 ||
        (!frac.empty() && !AllDigits(frac)))
        return std::nullopt;
    long kHz = std::stol(std::string(whole)) * 1000;
    for (std::size_t i = 0; i < 3; ++i)
        kHz += (i < frac.size() ? frac[i] - '0' : 0) * (i == 0 ? 100 : i == 1 ? 10 : 1);
    const long step = kHz - 431000;
    if (step < 0 || step % 250 != 0 || step / 250 >= static_cast<long>(kFrequencyTexts.size()))
        return std::nullopt;
    const int channel = static_cast<int>(step / 250) + 1;
    return Parsed{std::string(kFrequencyTexts[static_cast<std::size_t>(channel - 1)].text),
                  PlanSetFrequency(channel)};
}

std::optional<int> RateIndex(std::string_view t) {
    t = WithoutSuffix(t, "bps");
    if (!AllDigits(t))
        return std::nullopt;
    return IndexOf(kRateEntries, std::string(t) + "bps");
}

Maybe AirRate(std::string_view t) {
    const auto index = RateIndex(t);
    if (!index)
        return std::nullopt;
    return Parsed{std::string(kRateEntries[static_cast<std::size_t>(*index)]),
                  PlanSetWireless(3, 0, *index)};
}

Maybe TxPower(std::string_view t) {
    t = WithoutSuffix(t, "级");
    if (t.size() != 1 || t[0] < '0' || t[0] > '7')
        return std::nullopt;
    return Parsed{std::string(t), PlanSetWireless(2, t[0] - '0', 0)};
}

Maybe Group(std::string_view t) {
    const TextCheck check = CheckGroup(t);
    if (!check.ok())
        return std::nullopt;
    return Parsed{*check.value, PlanSetGroup(*check.value)};
}

// The two mode fields: the display texts and English words, by dialog choice.
Maybe Mode(std::string_view t, std::span<const CodeText> texts,
           std::initializer_list<std::string_view> words, SetPlan (*plan)(int)) {
    int choice = 1;
    for (std::string_view word : words) {
        const auto& row = texts[static_cast<std::size_t>(choice - 1)];
        if (t == row.text || EqualsNoCase(t, word))
            return Parsed{std::string(row.text), plan(choice)};
        ++choice;
    }
    return std::nullopt;
}

Maybe SleepPeriod(std::string_view t) {
    if (!AllDigits(t) || t.size() > 3)
        return std::nullopt;
    const int period = std::stoi(std::string(t));
    // The dialog's bar moves in steps of two and its OK takes 2..500.
    SetPlan plan = PlanSetSleepPeriod(1, period);
    if (plan.Cancelled())
        return std::nullopt;
    return Parsed{std::to_string(period), std::move(plan)};
}

Maybe SaveAddr(std::string_view t) {
    std::string digits;
    if (const auto pairs = Pairs(t)) {
        digits = FormatHexByte((*pairs)[0]) + FormatHexByte((*pairs)[1]);
    } else {
        const TextCheck check = CheckSaveAddr(t);
        if (!check.ok())
            return std::nullopt;
        digits = *check.value;
    }
    return Parsed{digits.substr(0, 2) + ' ' + digits.substr(2), PlanSetSaveAddress(digits)};
}

Maybe WakeDelay(std::string_view t) {
    t = WithoutSuffix(t, "s");
    const auto tenths = ParseDecimalTenths(t);
    // The dialog's bar holds whole steps of 0.3 s from 0.3 to 19660.5.
    if (!tenths || tenths->restNonZero || tenths->tenths % 3 != 0)
        return std::nullopt;
    const long long count = tenths->tenths / 3;
    if (count < 1 || count > 0xFFFF)
        return std::nullopt;
    return Parsed{FormatWakeDelay(static_cast<std::uint8_t>(count / 256),
                                  static_cast<std::uint8_t>(count % 256)),
                  PlanSetWakeDelay(static_cast<int>(count))};
}

Maybe PassiveAddr(std::string_view t) {
    std::string chars;
    if (const auto pairs = Pairs(t)) {
        // The stored form holds the character codes of the two digits.
        chars = {static_cast<char>((*pairs)[0]), static_cast<char>((*pairs)[1])};
    } else {
        chars = std::string(t);
    }
    if (chars.size() != 2 || HexValue(chars[0]) < 0 || HexValue(chars[1]) < 0)
        return std::nullopt;
    for (char& c : chars)
        c = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    return Parsed{
        FormatHexPairs(static_cast<std::uint8_t>(chars[0]), static_cast<std::uint8_t>(chars[1])),
        PlanSetPassiveAddress(chars)};
}

Maybe SerialFormat(std::string_view t) {
    std::string dotted(t);
    std::replace(dotted.begin(), dotted.end(), ',', '.');
    if (const auto format = IndexOf(kSerialFormatEntries, dotted))
        return Parsed{std::string(kSerialFormatEntries[static_cast<std::size_t>(*format)]),
                      PlanSetSerialFormat(2, *format)};
    if (const auto rate = RateIndex(t))
        return Parsed{std::string(kRateEntries[static_cast<std::size_t>(*rate)]),
                      PlanSetSerialFormat(3, *rate)};
    return std::nullopt;
}

// What a refused value should have looked like, field by field.
std::string_view RuleOf(Field field) {
    switch (field) {
    case Field::TxFrequency:
        return "a channel from 431.000MHz to 435.000MHz in steps of 0.250MHz";
    case Field::AirRate:
        return "one of 1200 2400 4800 9600 19200 38400 57600 (bps)";
    case Field::TxPower:
        return "a level from 0 to 7";
    case Field::Group:
        return "one or two hex digits (0-9, A-F)";
    case Field::PowerMode:
        return "普通模式 (normal) or 省电模式 (saving)";
    case Field::SerialMode:
        return "主动模式 (active), 被动模式 (passive) or MODBUS (modbus)";
    case Field::SleepPeriod:
        return "an even number from 2 to 500";
    case Field::SaveAddr:
        return "one to four hex digits, or two hex pairs such as \"12 34\"";
    case Field::WakeDelay:
        return "a multiple of 0.3 from 0.3 to 19660.5 (seconds)";
    case Field::PassiveAddr:
        return "two hex digits such as 1A, or their character codes such as \"31 41\"";
    case Field::SerialFormat:
        return "a data format (n.8.1 n.8.2 o.8.1 o.8.2 e.8.1 e.8.2) or a baud rate "
               "(1200 ... 57600), one at a time";
    default:
        return "";
    }
}

} // namespace

FieldValueResult ParseFieldValue(Field field, std::string_view text) {
    const std::string_view t = Trim(text);
    const std::string given = std::string(KeyOf(field)) + "=" + std::string(text) + ": ";
    Maybe parsed;
    switch (field) {
    case Field::TxFrequency:
        parsed = Frequency(t);
        break;
    case Field::RxFrequency:
        return {std::nullopt, given + "the receive frequency follows txFrequency; set that"};
    case Field::AirRate:
        parsed = AirRate(t);
        break;
    case Field::TxPower:
        parsed = TxPower(t);
        break;
    case Field::Group:
        parsed = Group(t);
        break;
    case Field::PowerMode:
        parsed = Mode(t, kPowerModeTexts, {"normal", "saving"}, &PlanPowerMode);
        break;
    case Field::SerialMode:
        parsed = Mode(t, kSerialModeTexts, {"active", "passive", "modbus"}, &PlanSerialMode);
        break;
    case Field::SleepPeriod:
        parsed = SleepPeriod(t);
        break;
    case Field::SaveAddr:
        parsed = SaveAddr(t);
        break;
    case Field::WakeDelay:
        parsed = WakeDelay(t);
        break;
    case Field::PassiveAddr:
        parsed = PassiveAddr(t);
        break;
    case Field::SerialFormat:
        parsed = SerialFormat(t);
        break;
    case Field::Version:
    case Field::AddrType:
    case Field::GroupMax:
    case Field::AddrLength:
    case Field::AddrStart:
        return {std::nullopt, given + "the module reports it; it cannot be set"};
    }
    if (!parsed)
        return {std::nullopt, given + "not " + std::string(RuleOf(field))};
    return {FieldValue{field, std::move(parsed->text), std::move(parsed->plan)}, {}};
}

FieldValueResult ParseAssignment(std::string_view assignment) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string_view::npos)
        return {std::nullopt, std::string(assignment) + ": not FIELD=VALUE"};
    const std::string_view key = Trim(assignment.substr(0, eq));
    const auto field = FieldForKey(key);
    if (!field) {
        std::string keys;
        for (const auto& row : kFields)
            keys.append(keys.empty() ? "" : " ").append(row.key);
        return {std::nullopt, std::string(assignment) + ": no field \"" + std::string(key) +
                                  "\" (fields: " + keys + ")"};
    }
    return ParseFieldValue(*field, assignment.substr(eq + 1));
}

bool DownloadCarries(Field field) {
    switch (field) {
    case Field::TxFrequency:
    case Field::AirRate:
    case Field::TxPower:
    case Field::Group:
    case Field::PowerMode:
    case Field::SerialMode:
    case Field::SleepPeriod:
    case Field::SaveAddr:
    case Field::WakeDelay:
    case Field::PassiveAddr:
        return true;
    default:
        return false;
    }
}

void ApplyToParams(const FieldValue& value, ParamSet& params) {
    if (!DownloadCarries(value.field))
        return;
    params.*InfoOf(value.field).member = value.text;
    // The download writes the transmit power from the imported number.
    if (value.field == Field::TxPower)
        params.powerLevel = value.text[0] - '0';
}

std::optional<Numbering> NumberingOf(Field field) {
    switch (field) {
    case Field::PassiveAddr:
    case Field::Group:
        return Numbering{16, 0, 0xFF};
    case Field::SaveAddr:
        return Numbering{16, 0, 0xFFFF};
    case Field::SleepPeriod:
        return Numbering{10, 2, 500};
    default:
        return std::nullopt;
    }
}

std::string NumberText(Field field, long long number) {
    char text[16];
    if (field == Field::SaveAddr)
        std::snprintf(text, sizeof text, "%04llX", number);
    else if (field == Field::PassiveAddr || field == Field::Group)
        std::snprintf(text, sizeof text, "%02llX", number);
    else
        std::snprintf(text, sizeof text, "%lld", number);
    return text;
}

} // namespace tmx7
