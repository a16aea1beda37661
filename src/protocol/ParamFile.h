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

// A parameter file is a few hundred bytes; a file far larger is not one.
inline constexpr std::size_t kParamFileMaxBytes = 64 * 1024;

// Why a file that exists cannot serve as a parameter file.
enum class ParamFileProblem {
    None,
    Unreadable,  // the system refused to read it (permissions, I/O error)
    NotAFile,    // a folder, FIFO, device or socket
    TooLarge,    // more than kParamFileMaxBytes
    Binary,      // control bytes that no text file holds (NUL, ...)
    BadEncoding, // not clean GBK, or not clean UTF-8 after a BOM
    Utf8NoBom,   // UTF-8 text without the BOM that marks it as such
    NoSection,   // text, but without the "TMX7参数表" section
};

// Writes the seventeen keys of `params` into the section, keeping every
// other line of an existing file, in one atomic replace. Only a path that is
// free, a regular file or a link to one is written (a link stays a link and
// its file is replaced); an existing file that is not a parameter file's kind
// of text (binary, too large) is refused too, and in every refusal nothing is
// changed. The new file is read-only from the moment it appears, whether
// the old one was or not; no other file's bits are touched. `absolutePath`
// names where the file is (for the user), also on failure.
struct ParamExportResult {
    FileResult status;
    std::string absolutePath;
    ParamFileProblem problem = ParamFileProblem::None;
};
ParamExportResult ExportParamFile(const ParamSet& params, const std::string& path = kParamFilePath);

// Reads the keys that an import takes into a fresh ParamSet, with the
// defaults for missing keys. A file that does not exist gives all defaults
// and success (fileFound false). A file that exists but cannot be used (see
// ParamFileProblem) gives nothing: `params` stays empty, `status` fails and
// `problem` says why; the caller keeps the set it had.
// A "发射功率" without a leading number imports as not set: powerLevel
// kPowerLevelNotSet and power "********".
struct ParamImportResult {
    ParamSet params;
    FileResult status;
    ParamFileProblem problem = ParamFileProblem::None;
    bool fileFound = false;
    std::string absolutePath;

    bool Usable() const { return status.ok && problem == ParamFileProblem::None; }
};
ParamImportResult ImportParamFile(const std::string& path = kParamFilePath);

} // namespace tmx7
