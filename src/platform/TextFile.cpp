#include "platform/TextFile.h"

#include "platform/Encoding.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tmx7 {
namespace {

std::atomic<unsigned> g_createCounter{0};

// Reads up to `limit` bytes, stopping early after a LF.
FileResult ReadHead(const std::string& path, std::size_t limit, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FileResult::Failure(errno, "open", path);
    FileResult result;
    char buffer[1024];
    while (out.size() < limit && out.find('\n') == std::string::npos) {
        const std::size_t want = std::min(sizeof buffer, limit - out.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result = FileResult::Failure(errno, "read", path);
            break;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

} // namespace

FileResult ReadFirstLine(const std::string& path, std::size_t maxBytes, std::string& line,
                         bool* truncated) {
    line.clear();
    if (truncated)
        *truncated = false;
    std::string head;
    // One byte beyond the bound (and the BOM) tells a line that just fits
    // from one that goes on; a CR at the bound may still belong to CR LF.
    FileResult r = ReadHead(path, maxBytes + kUtf8Bom.size() + 2, head);
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
    if (bytes.size() > maxBytes) {
        bytes = CutAtCharBoundary(bytes, maxBytes, encoding);
        if (truncated)
            *truncated = true;
    }
    bytes = bytes.substr(0, bytes.find('\0'));
    line = encoding == TextEncoding::Gbk ? GbkToUtf8(bytes).text : SanitizeUtf8(bytes).text;
    return r;
}

FileResult WriteTextFile(const std::string& path, std::string_view text) {
    TextEncoding encoding = TextEncoding::Gbk;
    std::string head;
    if (ReadHead(path, kUtf8Bom.size(), head) && StartsWithUtf8Bom(head))
        encoding = TextEncoding::Utf8;
    return WriteFileAtomic(path, EncodeFileText(text, encoding).text);
}

FileResult CreateTextFileIfMissing(const std::string& path, std::string_view text, bool* created) {
    if (created)
        *created = false;
    if (FileExists(path))
        return FileResult::Success();
    // Write the whole file under a temporary name, then link it to the real
    // name: link() fails when the name exists, so a file that appeared in the
    // meantime is never overwritten and nobody sees a half-written one.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string temp = (slash == std::string::npos ? std::string() : folder) + ".new" +
                             std::to_string(::getpid()) + "." +
                             std::to_string(g_createCounter.fetch_add(1)) + ".tmp";
    if (FileResult r = WriteFileAtomic(temp, Utf8ToGbk(text).text); !r) {
        ::unlink(temp.c_str());
        return r;
    }
    FileResult result;
    if (::link(temp.c_str(), path.c_str()) == 0) {
        if (created)
            *created = true;
    } else if (errno != EEXIST) {
        result = FileResult::Failure(errno, "create", path);
    }
    ::unlink(temp.c_str());
    return result;
}

} // namespace tmx7
