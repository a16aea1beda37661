#include "protocol/ParamFile.h"

#include <charconv>

namespace tmx7 {
namespace {

std::string IntToText(int value) {
    // to_chars ignores the locale, so the file never depends on LC_NUMERIC.
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

constexpr const char* kPowerKey = "发射功率";

} // namespace

ParamExportResult ExportParamFile(const ParamSet& params, const std::string& path) {
    ParamExportResult result;
    result.absolutePath = AbsolutePath(path);
    // The file is kept read-only between exports so that nothing else changes
    // it by accident; lift that for the write.
    if (IsReadOnly(path)) {
        result.status = SetReadOnly(path, false);
        if (!result.status)
            return result;
    }
    ProfileDocument doc;
    FileResult status = ProfileDocument::Load(path, doc);
    if (status) {
        for (const ParamFileKey& entry : kParamFileKeys)
            doc.SetString(kParamSection, entry.key, params.*entry.field);
        status = doc.Save(path);
    }
    // Read-only again in every case, including a file this export created and
    // an old file the failed write left as it was.
    if (FileExists(path)) {
        const FileResult readOnly = SetReadOnly(path, true);
        if (status && !readOnly)
            status = readOnly;
    }
    result.status = status;
    return result;
}

ParamImportResult ImportParamFile(const std::string& path) {
    ParamImportResult result;
    result.absolutePath = AbsolutePath(path);
    ProfileDocument doc;
    result.status = ProfileDocument::Load(path, doc, &result.fileFound);
    // An unreadable file reads as an empty one: every key takes its default.

    ParamSet& params = result.params;
    for (const ParamFileKey& entry : kParamFileKeys) {
        if (entry.importDefault != nullptr && std::string_view(entry.key) != kPowerKey)
            params.*entry.field = doc.GetString(kParamSection, entry.key, entry.importDefault);
    }

    const auto power = doc.Find(kParamSection, kPowerKey);
    if (!power || power->empty()) {
        params.powerLevel = kDefaultPowerLevel;
        params.power = IntToText(params.powerLevel);
    } else if (const ProfileInt level = ParseProfileInt(*power); level.hasDigits) {
        params.powerLevel = level.value;
        params.power = IntToText(params.powerLevel);
    } else {
        // "********" is what an export writes when no answer came; reading it
        // as level 0 would later set the lowest power.
        params.powerLevel = kPowerLevelNotSet;
        params.power = kUnknownValue;
    }
    return result;
}

} // namespace tmx7
