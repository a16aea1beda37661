#include "settings/ParamTransfer.h"

namespace tmx7 {

namespace {

constexpr std::array<std::string ParamSet::*, 18> kTextFields = {
    &ParamSet::powerMode, &ParamSet::serialMode,  &ParamSet::serialFormat, &ParamSet::serialBaud,
    &ParamSet::frequency, &ParamSet::airRate,     &ParamSet::group,        &ParamSet::passiveAddr,
    &ParamSet::saveAddr,  &ParamSet::sleepPeriod, &ParamSet::wakeDelay,    &ParamSet::portName,
    &ParamSet::power,     &ParamSet::version,     &ParamSet::addrStart,    &ParamSet::addrLength,
    &ParamSet::groupMax,  &ParamSet::addrType,
};

std::string WithDetail(std::string text, const FileResult& status) {
    if (!status.message.empty())
        text += "（" + status.message + "）";
    return text;
}

} // namespace

ParamSet ParamsFromDisplay(const std::array<std::string, kFieldCount>& shown, ParamSet base) {
    for (const auto& row : kFields)
        if (row.member != nullptr)
            base.*row.member = shown[static_cast<std::size_t>(row.field)];
    return base;
}

std::string ImportIntoParams(ParamSet& params, const ParamImportResult& imported) {
    // The import result holds only the keys the file carries for a download
    // and leaves its other text fields empty; copying all eighteen empties
    // what the file does not carry.
    for (auto field : kTextFields)
        params.*field = imported.params.*field;
    params.powerLevel = imported.params.powerLevel;
    return ImportStatusText(imported);
}

std::string ExportStatusText(const ParamExportResult& result) {
    if (result.status)
        return "参数已导出到 " + result.absolutePath;
    return WithDetail("参数导出失败：" + result.absolutePath, result.status);
}

std::string ImportStatusText(const ParamImportResult& result) {
    if (!result.status)
        return WithDetail("参数文件读取失败，已用默认值：" + result.absolutePath, result.status);
    if (!result.fileFound)
        return "未找到参数文件，已用默认值：" + result.absolutePath;
    return "参数已从 " + result.absolutePath + " 导入";
}

} // namespace tmx7
