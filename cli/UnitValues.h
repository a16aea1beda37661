#pragma once
// Values that differ from unit to unit on a production line: a table with one
// row per unit (its port or the adapter's USB serial number, then one column
// per field), and numbers that count up from unit to unit.
//
//   port,passiveAddr,group,calibration
//   COM101,01,10,12 34
//   A9K3L2QX,02,10,12 36
//
// The first column names the unit: "COM<n>", a device path or link, or a USB
// serial number. The other columns are field keys (values as `set` takes
// them) or "calibration" (two hex bytes for the calibrate command). An empty
// cell leaves that value as the parameter file has it. Separators: "," or,
// when the header has none, ";" (as spreadsheets in some locales save it).

#include "settings/FieldValues.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7::cli {

struct UnitRow {
    int line = 0;     // in the file, for messages
    std::string unit; // first cell as written
    std::vector<FieldValue> values;
    std::string calibration; // empty: none given
};

struct UnitTable {
    std::vector<UnitRow> rows;
};

// Every value is checked here, so a bad cell refuses the whole command
// before any module is touched. `name` is the file's name for messages.
std::optional<UnitTable> ParseUnitTable(std::string_view text, std::string_view name,
                                        std::string& error);

// --sequence FIELD=START[:STEP]: unit i (in the order the ports are taken)
// gets START + i * STEP. Hexadecimal for the address fields (passiveAddr,
// saveAddr, group), decimal for sleepPeriod; STEP defaults to 1.
struct Sequence {
    Field field = Field::Group;
    long long start = 0;
    long long step = 1;
};
std::optional<Sequence> ParseSequence(std::string_view text, std::string& error);
// The value of unit `index`, checked like any other value.
FieldValueResult SequenceValue(const Sequence& sequence, std::size_t index);

// The two bytes of a calibration value: "12 34", "1234" or "12,34".
std::optional<std::pair<std::string, std::string>> ParseCalibration(std::string_view text);

} // namespace tmx7::cli
