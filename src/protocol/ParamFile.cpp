#include "protocol/ParamFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>

namespace tmx7 {
namespace {

std::string IntToText(int value) {
    // to_chars ignores the locale, so the file never depends on LC_NUMERIC.
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

constexpr const char* kPowerKey = "发射功率";

// Control bytes a hand-edited text file may hold: tab, line ends, form feed
// and the end-of-file mark that old DOS editors append.
bool IsTextControl(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == 0x1A;
}

ParamFileProblem ProblemOfReadError(const FileResult& r) {
    switch (r.error) {
    case EISDIR:
    case EINVAL:
        return ParamFileProblem::NotAFile;
    case EFBIG:
        return ParamFileProblem::TooLarge;
    default:
        return ParamFileProblem::Unreadable;
    }
}

// Whether `bytes` can be the text of a parameter file at all; sets `status`
// to say why not.
ParamFileProblem CheckText(std::string_view bytes, const std::string& path, FileResult& status) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && !IsTextControl(c)) || c == 0x7F) {
            char detail[64];
            std::snprintf(detail, sizeof detail, ": binary data (byte %02X at offset %zu)", c, i);
            status = FileResult::Refusal(EILSEQ, "read " + path + detail);
            return ParamFileProblem::Binary;
        }
    }
    if (StartsWithUtf8Bom(bytes)) {
        if (SanitizeUtf8(bytes.substr(kUtf8Bom.size())).replaced != 0) {
            status = FileResult::Refusal(EILSEQ, "read " + path +
                                                     ": not valid UTF-8 after its byte-order mark");
            return ParamFileProblem::BadEncoding;
        }
        return ParamFileProblem::None;
    }
    // Many UTF-8 byte pairs are valid GBK too, so a UTF-8 file without its
    // mark would read as GBK nonsense. The other way round does not happen
    // for our files: the GBK section name itself is no valid UTF-8.
    const bool nonAscii = std::any_of(bytes.begin(), bytes.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (nonAscii && SanitizeUtf8(bytes).replaced == 0) {
        status = FileResult::Refusal(
            EILSEQ, "read " + path + ": UTF-8 text without a byte-order mark (GBK expected)");
        return ParamFileProblem::Utf8NoBom;
    }
    const Converted gbk = GbkToUtf8(bytes);
    if (!gbk.ok || gbk.replaced == 0)
        return ParamFileProblem::None; // without a converter there is nothing to check against
    status = FileResult::Refusal(EILSEQ, "read " + path + ": not valid GBK text");
    return ParamFileProblem::BadEncoding;
}

} // namespace

ParamExportResult ExportParamFile(const ParamSet& params, const std::string& path) {
    ParamExportResult result;
    result.absolutePath = AbsolutePath(path);
    // Whatever is at the path is looked at before anything else happens, so
    // that a refusal leaves it, its bits and its folder exactly as they were.
    if (result.status = CheckWriteTarget(path); !result.status) {
        result.problem = ParamFileProblem::NotAFile;
        return result;
    }
    std::string bytes;
    if (FileResult read = ReadRegularFile(path, kParamFileMaxBytes, bytes); !read) {
        if (read.error != ENOENT) {
            result.status = read;
            result.problem = ProblemOfReadError(read);
            return result;
        }
    } else if (result.problem = CheckText(bytes, path, result.status);
               result.problem != ParamFileProblem::None) {
        // Not text we wrote or could have: rewriting it would mix our lines
        // into something else.
        return result;
    }
    ProfileDocument doc = ProfileDocument::Parse(bytes);
    for (const ParamFileKey& entry : kParamFileKeys)
        doc.SetString(kParamSection, entry.key, params.*entry.field);
    // The file is kept read-only between exports so that nothing else changes
    // it by accident. The mark is on the new file before it takes the name;
    // the old file's own bits are never touched.
    result.status = doc.Save(path, {.overReadOnly = true, .readOnly = true});
    return result;
}

ParamImportResult ImportParamFile(const std::string& path) {
    ParamImportResult result;
    result.absolutePath = AbsolutePath(path);
    std::string bytes;
    if (FileResult read = ReadRegularFile(path, kParamFileMaxBytes, bytes); !read) {
        if (read.error == ENOENT)
            bytes.clear(); // no file: every key takes its default
        else {
            result.fileFound = true;
            result.status = read;
            result.problem = ProblemOfReadError(read);
            return result;
        }
    } else {
        result.fileFound = true;
        if (result.problem = CheckText(bytes, path, result.status);
            result.problem != ParamFileProblem::None)
            return result;
    }
    const ProfileDocument doc = ProfileDocument::Parse(bytes);
    if (result.fileFound && !doc.HasSection(kParamSection)) {
        result.status = FileResult::Refusal(ENOMSG, "read " + path + ": no [" +
                                                        std::string(kParamSection) + "] section");
        result.problem = ParamFileProblem::NoSection;
        return result;
    }

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
