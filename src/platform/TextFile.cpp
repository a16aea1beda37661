#include "platform/TextFile.h"

#include "platform/Encoding.h"

#include <cerrno>

namespace tmx7 {

FileResult ReadFirstLine(const std::string& path, std::size_t maxBytes, std::string& line) {
    line.clear();
    std::string head;
    // Room for the BOM and a CR LF beyond the bound tells a line that just
    // fits from one that goes on.
    FileResult r = ReadRegularFileHead(path, maxBytes + kUtf8Bom.size() + 2, head);
    if (!r)
        return r;
    std::string_view bytes = head;
    TextEncoding encoding = TextEncoding::Gbk;
    if (StartsWithUtf8Bom(bytes)) {
        encoding = TextEncoding::Utf8;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    const std::size_t nl = bytes.find('\n');
    bytes = bytes.substr(0, nl);
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.remove_suffix(1);
    if (bytes.size() > maxBytes)
        return FileResult::Refusal(EFBIG, "read " + path + ": first line longer than " +
                                              std::to_string(maxBytes) + " bytes");
    bytes = bytes.substr(0, bytes.find('\0'));
    line = encoding == TextEncoding::Gbk ? GbkToUtf8(bytes).text : SanitizeUtf8(bytes).text;
    return r;
}

FileResult WriteTextFile(const std::string& path, std::string_view text) {
    TextEncoding encoding = TextEncoding::Gbk;
    std::string head;
    if (ReadRegularFileHead(path, kUtf8Bom.size(), head) && StartsWithUtf8Bom(head))
        encoding = TextEncoding::Utf8;
    return WriteFileAtomic(path, EncodeFileText(text, encoding).text);
}

FileResult CreateTextFileIfMissing(const std::string& path, std::string_view text, bool* created) {
    return CreateFileExclusive(path, Utf8ToGbk(text).text, created);
}

} // namespace tmx7
