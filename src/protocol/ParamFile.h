#pragma once
// The parameter file: one section of seventeen keys that carries a module's
// parameter set from one module to others. Export writes what the display
// showed; import loads the keys that a download can use.

#include "platform/ProfileFile.h"
#include "protocol/ParamSet.h"

#include <array>
#include <string>

namespace tmx7 {

inline constexpr const char* kParamFilePath = ".//tmx7peizhi.tm7";
inline constexpr const char* kParamSection = "TMX7参数表";

// The default power level of an import when the file has no "发射功率".
inline constexpr int kDefaultPowerLevel = 7;
// powerLevel of an import whose "发射功率" holds no number (e.g. "********").
inline constexpr int kPowerLevelNotSet = -1;

struct ParamFileKey {
    const char* key;
    std::string ParamSet::*field;
    const char* importDefault; // nullptr: export only
};

// In the order the export writes them.
// clang-format off
inline const std::array<ParamFileKey, 17> kParamFileKeys{{
    {"版本号",       &ParamSet::version,      nullptr},
    {"串口编号",     &ParamSet::portName,     nullptr},
    {"接口格式",     &ParamSet::serialFormat, nullptr},
    {"发射功率",     &ParamSet::power,        "7"},
    {"省电模式",     &ParamSet::powerMode,    "普通模式"},
    {"串口模式",     &ParamSet::serialMode,   "主动模式"},
    {"空中频率",     &ParamSet::frequency,    "431.000MHz"},
    {"空中速率",     &ParamSet::airRate,      "9600bps"},
    {"组号",         &ParamSet::group,        "00"},
    {"被动地址",     &ParamSet::passiveAddr,  "30 30"},
    {"省电地址",     &ParamSet::saveAddr,     "00 00"},
    {"省电周期",     &ParamSet::sleepPeriod,  "2"},
    {"唤醒延时",     &ParamSet::wakeDelay,    "0.3"},
    {"地址开始位置", &ParamSet::addrStart,    nullptr},
    {"地址长度",     &ParamSet::addrLength,   nullptr},
    {"组内最大数",   &ParamSet::groupMax,     nullptr},
    {"地址类型",     &ParamSet::addrType,     nullptr},
}};
// clang-format on

// Writes the seventeen keys of `params` into the section, keeping every
// other line of an existing file, in one atomic replace. The file is made
// writable first and read-only afterwards, also when it is new or the write
// failed. `absolutePath` names where the file is (for the user), also on failure.
struct ParamExportResult {
    FileResult status;
    std::string absolutePath;
};
ParamExportResult ExportParamFile(const ParamSet& params, const std::string& path = kParamFilePath);

// Reads the keys that an import takes into a fresh ParamSet, with the
// defaults for missing keys (a missing file gives all defaults and success).
// The other fields stay empty. A "发射功率" without a leading number imports
// as not set: powerLevel kPowerLevelNotSet and power "********".
struct ParamImportResult {
    ParamSet params;
    FileResult status; // fails only when an existing file cannot be read
    bool fileFound = false;
    std::string absolutePath;
};
ParamImportResult ImportParamFile(const std::string& path = kParamFilePath);

} // namespace tmx7
