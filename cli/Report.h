#pragma once
// What is left of a run: the summary table on stdout and one record line per
// unit (JSON, or CSV for a file ending in .csv).

#include "cli/Unit.h"

#include <string>
#include <vector>

namespace tmx7::cli {

// One row per unit: port, device, result, time, and what it got or why it failed.
std::string SummaryTable(const std::vector<UnitResult>& results);

std::string RecordJsonLine(const UnitResult& result);
std::string RecordCsvHeader();
std::string RecordCsvLine(const UnitResult& result);

// The values a unit gets from --unit-values and --sequence, "passiveAddr=31 41 group=05".
std::string AssignedText(const std::vector<FieldValue>& values);

// JSON text that is valid UTF-8 whatever the strings held.
std::string Dump(const nlohmann::ordered_json& value, int indent = -1);

} // namespace tmx7::cli
