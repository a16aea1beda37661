#pragma once
// The "文件" menu's side of the parameter file: what an export copies from
// the display, what an import puts into the window's parameter set, and the
// status-bar texts that tell the user where the file went or came from.

#include "protocol/Fields.h"
#include "protocol/ParamFile.h"
#include "protocol/ParamSet.h"

#include <array>
#include <string>
#include <string_view>

namespace tmx7 {

// `base` with every field that has a ParamSet member replaced by what the
// display shows for it; the other members (portName, serialBaud, powerLevel)
// are kept.
ParamSet ParamsFromDisplay(const std::array<std::string, kFieldCount>& shown, ParamSet base);

// Empties the eighteen text fields of `params` and fills those the file
// carries (defaults for missing keys, all defaults when there is no file);
// powerLevel comes from the file too. Nothing else changes: not the display,
// not the module. A file that exists but cannot be used changes nothing at
// all, so a download afterwards writes what it would have written before.
// Returns the status-bar text for the result.
std::string ImportIntoParams(ParamSet& params, const ParamImportResult& imported);

// Status-bar texts. A failure names its reason first and the place last, so
// a narrow pane still shows why.
std::string ExportStatusText(const ParamExportResult& result);
std::string ImportStatusText(const ParamImportResult& result);

inline constexpr int kFileStatusPane = 1;

} // namespace tmx7
