#include "settings/ParamTransfer.h"

#include <cerrno>

namespace tmx7 {

namespace {

constexpr std::array<std::string ParamSet::*, 18> kTextFields = {
    &ParamSet::powerMode, &ParamSet::serialMode,  &ParamSet::serialFormat, &ParamSet::serialBaud,
    &ParamSet::frequency, &ParamSet::airRate,     &ParamSet::group,        &ParamSet::passiveAddr,
    &ParamSet::saveAddr,  &ParamSet::sleepPeriod, &ParamSet::wakeDelay,    &ParamSet::portName,
    &ParamSet::power,     &ParamSet::version,     &ParamSet::addrStart,    &ParamSet::addrLength,
    &ParamSet::groupMax,  &ParamSet::addrType,
};

// What the user is told a file's problem is; the system's own words follow
// in brackets where they add something.
std::string ProblemText(ParamFileProblem problem, const FileResult& status, bool writing) {
    switch (problem) {
    case ParamFileProblem::NotAFile:
        return status.error == EISDIR ? "该路径是文件夹" : "该路径不是普通文件";
    case ParamFileProblem::TooLarge:
        return "文件超过 64 KB";
    case ParamFileProblem::Binary:
        return "文件含二进制数据";
    case ParamFileProblem::BadEncoding:
        return "文件不是有效的 GBK 文本";
    case ParamFileProblem::Utf8NoBom:
        return "文件是无 BOM 的 UTF-8 文本";
    case ParamFileProblem::NoSection:
        return "文件中没有 [TMX7参数表] 节";
    case ParamFileProblem::Unreadable:
    case ParamFileProblem::None:
        break;
    }
    return writing ? "无法写入" : "无法读取";
}

// The reason first, where even a narrow pane shows it; the place and the
// system's words after it.
std::string FailureText(std::string_view lead, ParamFileProblem problem, const FileResult& status,
                        std::string_view kept, const std::string& path, bool writing) {
    std::string text = std::string(lead) + ProblemText(problem, status, writing) + "，" +
                       std::string(kept) + "：" + path;
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
    if (!imported.Usable())
        return ImportStatusText(imported);
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
    return FailureText("参数未导出：", result.problem, result.status, "原文件未改变",
                       result.absolutePath, true);
}

std::string ImportStatusText(const ParamImportResult& result) {
    if (!result.Usable())
        return FailureText("参数未导入：", result.problem, result.status, "原参数不变",
                           result.absolutePath, false);
    if (!result.fileFound)
        return "未找到参数文件，已用默认值：" + result.absolutePath;
    return "参数已从 " + result.absolutePath + " 导入";
}

} // namespace tmx7
