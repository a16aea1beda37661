#include "platform/AppendLog.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tmx7 {

AppendLog::~AppendLog() {
    Close();
}

FileResult AppendLog::Open(const std::string& path, Options options) {
    Close();
    m_path = path;
    m_options = options;
    return OpenCurrent();
}

FileResult AppendLog::OpenCurrent() {
    std::string target;
    if (FileResult r = CheckWriteTarget(m_path, &target); !r)
        return r;
    // O_NONBLOCK: a FIFO swapped in after the check does not stall the open;
    // the fstat below refuses it.
    const int fd = ::open(target.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0)
        return FileResult::Failure(errno, "open", m_path);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileResult::Refusal(EINVAL, "open " + m_path + ": not a regular file");
    }
    m_fd = fd;
    m_size = static_cast<std::size_t>(st.st_size);
    return FileResult::Success();
}

FileResult AppendLog::Rotate() {
    Close();
    if (m_options.keep <= 0) {
        if (::truncate(m_path.c_str(), 0) != 0 && errno != ENOENT)
            return FileResult::Failure(errno, "truncate", m_path);
        return OpenCurrent();
    }
    for (int i = m_options.keep - 1; i >= 1; --i) {
        const std::string from = m_path + "." + std::to_string(i);
        const std::string to = m_path + "." + std::to_string(i + 1);
        if (::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT)
            return FileResult::Failure(errno, "rename", from);
    }
    if (::rename(m_path.c_str(), (m_path + ".1").c_str()) != 0 && errno != ENOENT)
        return FileResult::Failure(errno, "rename", m_path);
    return OpenCurrent();
}

FileResult AppendLog::Append(std::string_view text) {
    if (m_fd < 0) {
        if (m_path.empty())
            return FileResult::Failure(EBADF, "append to", "(no log)");
        if (FileResult r = OpenCurrent(); !r)
            return r;
    }
    if (m_size > 0 && m_size + text.size() > m_options.rotateBytes) {
        if (FileResult r = Rotate(); !r)
            return r;
    }
    while (!text.empty()) {
        const ssize_t n = ::write(m_fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return FileResult::Failure(errno, "write", m_path);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
        m_size += static_cast<std::size_t>(n);
    }
    return FileResult::Success();
}

void AppendLog::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace tmx7
