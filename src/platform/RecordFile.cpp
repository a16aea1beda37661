#include "platform/RecordFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tmx7 {

namespace {

// One process-wide lock beside flock(): flock() does not keep apart two
// threads that share one open file description.
std::mutex& AppendMutex() {
    static std::mutex m;
    return m;
}

class FileLock {
public:
    explicit FileLock(int fd) : m_fd(fd) {
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FileLock() { ::flock(m_fd, LOCK_UN); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd;
};

std::string Reason(const char* what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

// Cuts an unfinished last line off: everything after the last '\n'.
bool CutTornTail(int fd, std::string& error) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = Reason("cannot look at the file", errno);
        return false;
    }
    off_t end = st.st_size;
    char buf[4096];
    while (end > 0) {
        const off_t start =
            end > static_cast<off_t>(sizeof buf) ? end - static_cast<off_t>(sizeof buf) : 0;
        const ssize_t n = ::pread(fd, buf, static_cast<std::size_t>(end - start), start);
        if (n < 0) {
            error = Reason("cannot read the file", errno);
            return false;
        }
        for (ssize_t i = n; i > 0; --i) {
            if (buf[i - 1] == '\n') {
                const off_t keep = start + i;
                if (keep != st.st_size && ::ftruncate(fd, keep) != 0) {
                    error = Reason("cannot cut an unfinished line", errno);
                    return false;
                }
                return true;
            }
        }
        end = start;
    }
    if (st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
        error = Reason("cannot cut an unfinished line", errno);
        return false;
    }
    return true;
}

} // namespace

std::optional<RecordFile> RecordFile::Open(const std::string& path, std::string& error) {
    // Non-blocking, so a FIFO in the way cannot hang the open; the kind of
    // file is checked before anything is written. Read access is for the
    // look at an unfinished last line.
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    if (fd < 0) {
        error = Reason("cannot open", errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "not a regular file";
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    {
        std::lock_guard guard(AppendMutex());
        FileLock lock(fd);
        if (!CutTornTail(fd, error)) {
            ::close(fd);
            return std::nullopt;
        }
    }
    return RecordFile(fd, path);
}

RecordFile::RecordFile(RecordFile&& other) noexcept
    : m_fd(other.m_fd), m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

RecordFile::~RecordFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RecordFile::Append(std::string_view line, std::string_view header, std::string& error) {
    std::lock_guard guard(AppendMutex());
    FileLock lock(m_fd);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        error = Reason("cannot look at the file", errno);
        return false;
    }
    std::string whole;
    if (st.st_size == 0)
        whole = header;
    whole += line;
    for (;;) {
        const ssize_t n = ::write(m_fd, whole.data(), whole.size());
        if (n == static_cast<ssize_t>(whole.size()))
            break;
        const int err = n < 0 ? errno : ENOSPC;
        // Whatever part went out is taken back: the file holds whole lines only.
        if (n > 0 && ::ftruncate(m_fd, st.st_size) != 0) {
            error = Reason("a line was cut short and could not be taken back", errno);
            return false;
        }
        if (err == EINTR)
            continue;
        error = Reason("cannot write", err);
        return false;
    }
    if (::fdatasync(m_fd) != 0) {
        error = Reason("cannot flush to the disk", errno);
        return false;
    }
    return true;
}

} // namespace tmx7
