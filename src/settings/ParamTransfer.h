#pragma once
// The "文件" menu's side of the parameter file: what an export copies from
// the display, what an import puts into the window's parameter set, and the
// status-bar texts that tell the user where the file went or came from.

#include "protocol/ParamFile.h"
#include "protocol/ParamSet.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace tmx7 {

struct DisplayCopy {
    int controlId;
    std::string ParamSet::*field;
};

// The sixteen value controls an export copies, in the order it copies them.
// The port name is not among them: the refresh keeps it up to date.
// clang-format off
inline const std::array<DisplayCopy, 16> kExportCopies{{
    {1051, &ParamSet::version},     {1058, &ParamSet::power},       {1044, &ParamSet::powerMode},
    {1043, &ParamSet::serialMode},  {1039, &ParamSet::serialFormat},{1038, &ParamSet::frequency},
    {1049, &ParamSet::airRate},     {1080, &ParamSet::group},       {1052, &ParamSet::passiveAddr},
    {1053, &ParamSet::saveAddr},    {1045, &ParamSet::sleepPeriod}, {1046, &ParamSet::wakeDelay},
    {1047, &ParamSet::addrStart},   {1056, &ParamSet::addrLength},  {1048, &ParamSet::groupMax},
    {1057, &ParamSet::addrType},
}};
// clang-format on

// `base` with the sixteen fields replaced by the current texts of their
// controls; every other field (portName, serialBaud, powerLevel) is kept.
ParamSet ParamsFromDisplay(const std::function<std::string(int controlId)>& textOf, ParamSet base);

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
