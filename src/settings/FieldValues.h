#pragma once
// A value for one field as a person types it (a command line, a table of
// per-unit values), checked with the same rules as the window's dialogs and
// turned into the set command the menu would run and the text a parameter
// file would carry. Values are read in the forms `read` prints them
// ("433.000MHz", "9600bps", "普通模式", "30 30") and in the dialogs' forms
// ("433.000", "9600", "normal", a passive address "00", a save address
// "1234").

#include "protocol/Fields.h"
#include "protocol/ParamSet.h"
#include "settings/SetCommands.h"

#include <optional>
#include <string>
#include <string_view>

namespace tmx7 {

struct FieldValue {
    Field field = Field::TxFrequency;
    std::string text; // as a parameter file carries it: "433.000MHz", "31 41", "7"
    SetPlan plan;     // the menu's set command for it
};

struct FieldValueResult {
    std::optional<FieldValue> value;
    std::string error; // "sleepPeriod=7: ..." when refused
    bool ok() const { return value.has_value(); }
};

// The value of `field` written as `text`. Read-only fields (version and the
// address parameters), the receive frequency (it follows the transmit
// frequency) and malformed values are refused with a sentence that says why.
FieldValueResult ParseFieldValue(Field field, std::string_view text);

// "FIELD=VALUE" with FIELD a key of the field table ("txFrequency=433.000").
FieldValueResult ParseAssignment(std::string_view assignment);

// Whether a download carries the field (the serial format never travels in
// one: it changes the line the download talks on).
bool DownloadCarries(Field field);

// Puts the value into the parameter set a download writes from.
void ApplyToParams(const FieldValue& value, ParamSet& params);

// The fields whose values are numbers that can count up per unit, and how:
// the three address fields in hexadecimal, the sleep period in decimal.
struct Numbering {
    int base = 10;
    long long minimum = 0;
    long long maximum = 0;
};
std::optional<Numbering> NumberingOf(Field field);
// `number` as the value text of a numbered field ("1A" for a passive address,
// "001F" for a save address, "12" for a sleep period).
std::string NumberText(Field field, long long number);

} // namespace tmx7
