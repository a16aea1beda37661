#include "platform/FileAccess.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tmx7 {
namespace {

std::string ErrorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

FileResult FailWithErrno(std::string_view step, std::string_view path) {
    return FileResult::Failure(errno, step, path);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "something else";
}

FileResult NotRegular(std::string_view step, std::string_view path, mode_t mode,
                      std::string_view via = {}) {
    std::string message = std::string(step) + " " + std::string(path) + ": ";
    if (!via.empty())
        message += "a link to " + std::string(via) + ", ";
    message += KindOf(mode);
    message += ", not a regular file";
    return FileResult::Refusal(S_ISDIR(mode) ? EISDIR : EINVAL, std::move(message));
}

FileResult TooLarge(std::string_view path, std::size_t maxBytes) {
    return FileResult::Refusal(EFBIG, "read " + std::string(path) + ": larger than " +
                                          std::to_string(maxBytes) + " bytes");
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

FileResult ReadBounded(const std::string& path, std::size_t maxBytes, bool firstLine,
                       std::string& out) {
    out.clear();
    // Look before opening: opening a device can have effects of its own (a
    // serial line raises its modem lines), and a FIFO is never opened at all.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return FailWithErrno("open", path);
    if (!S_ISREG(st.st_mode))
        return NotRegular("open", path, st.st_mode);
    // O_NONBLOCK: if the name was swapped for a FIFO meanwhile, the open
    // still returns at once and the check below refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return FailWithErrno("open", path);
    FileResult result;
    if (::fstat(fd, &st) != 0) {
        result = FailWithErrno("stat", path);
    } else if (!S_ISREG(st.st_mode)) {
        result = NotRegular("open", path, st.st_mode);
    } else if (!firstLine && static_cast<unsigned long long>(st.st_size) > maxBytes) {
        result = TooLarge(path, maxBytes);
    } else {
        char buffer[4096];
        // A whole-file read asks for one byte beyond the limit, so a file
        // that grew after the size check is still caught.
        const std::size_t stop = firstLine ? maxBytes : maxBytes + 1;
        bool lineEnded = false;
        while (out.size() < stop && !lineEnded) {
            const std::size_t want = std::min(sizeof buffer, stop - out.size());
            const ssize_t n = ::read(fd, buffer, want);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                result = FailWithErrno("read", path);
                break;
            }
            if (n == 0)
                break;
            out.append(buffer, static_cast<std::size_t>(n));
            lineEnded = firstLine && std::memchr(buffer, '\n', static_cast<std::size_t>(n));
        }
        if (result && !firstLine && out.size() > maxBytes)
            result = TooLarge(path, maxBytes);
        if (result && firstLine) {
            const std::size_t nl = out.find('\n');
            if (nl != std::string::npos)
                out.resize(nl + 1);
        }
    }
    ::close(fd);
    if (!result)
        out.clear();
    return result;
}

std::atomic<unsigned> g_tempCounter{0};

constexpr std::string_view kTempTag = ".tmx7-";
constexpr std::string_view kTempSuffix = ".tmp";

bool AllDigits(std::string_view s) {
    return !s.empty() && s.size() <= 10 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ProcessRuns(long pid) {
    if (pid <= 0 || pid > 0x7FFFFFFF)
        return false;
    if (pid == ::getpid())
        return true; // another thread of ours may be writing right now
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Removes what IsStaleTemporary names in `folder`. Best effort: a file that
// cannot be removed stays for the next run.
void RemoveStaleTemporaries(const std::string& folder, const std::string& base) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!IsStaleTemporary(name, base))
            continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            (void)::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// A new, empty temporary file next to `target`, for our eyes only until it
// gets its final bits.
FileResult CreateTemporary(const std::string& target, std::string& temp, int& fd) {
    const std::string folder = FolderOf(target);
    const std::string base = BaseName(target);
    fd = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + "/." + base + std::string(kTempTag) + std::to_string(::getpid()) + "-" +
               std::to_string(g_tempCounter.fetch_add(1)) + std::string(kTempSuffix);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            return FileResult::Success();
        if (errno != EEXIST)
            return FailWithErrno("create temporary file in", folder);
    }
    return FileResult::Failure(EEXIST, "create temporary file in", folder);
}

// Writes and syncs `bytes` into the temporary file and gives it `mode`
// (and `owner` when one is given). Closes `fd`; removes the file on failure.
FileResult FillTemporary(int fd, const std::string& temp, std::string_view bytes, mode_t mode,
                         const struct stat* owner) {
    auto abandon = [&](std::string_view step) {
        FileResult r = FailWithErrno(step, temp);
        ::close(fd);
        ::unlink(temp.c_str());
        return r;
    };
    // The owner is kept where we may (root rewriting a user's file); where
    // we may not, the file is ours, which is all an unprivileged rewrite can do.
    if (owner && (owner->st_uid != ::geteuid() || owner->st_gid != ::getegid()))
        (void)::fchown(fd, owner->st_uid, owner->st_gid);
    if (!WriteAll(fd, bytes))
        return abandon("write");
    // The final bits before the file takes the target's name: a kill after
    // the rename can never leave it writable when it should not be.
    if (::fchmod(fd, mode) != 0)
        return abandon("chmod");
    if (::fsync(fd) != 0)
        return abandon("fsync");
    if (::close(fd) != 0) {
        FileResult r = FailWithErrno("close", temp);
        ::unlink(temp.c_str());
        return r;
    }
    return FileResult::Success();
}

void SyncFolder(const std::string& folder) {
    // Makes the rename itself durable. Some file systems refuse fsync on a
    // folder; the new contents are already safe then, so that is not an error.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
}

mode_t DefaultFileMode() {
    // The bits a plain creat() would give: 0666 without the umask. The umask
    // can only be read by setting it, which no other thread may see, so it is
    // taken from /proc when that is there.
    std::string status;
    if (ReadBounded("/proc/self/status", 16384, false, status)) {
        const std::size_t at = status.find("Umask:");
        if (at != std::string::npos)
            return 0666 & ~static_cast<mode_t>(std::strtol(status.c_str() + at + 6, nullptr, 8));
    }
    return 0644;
}

} // namespace

FileResult FileResult::Failure(int error, std::string_view step, std::string_view path) {
    return Refusal(error, std::string(step) + " " + std::string(path) + ": " + ErrorText(error));
}

FileResult FileResult::Refusal(int error, std::string message) {
    FileResult r;
    r.ok = false;
    r.error = error;
    r.message = std::move(message);
    return r;
}

FileResult ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& out) {
    return ReadBounded(path, maxBytes, false, out);
}

FileResult ReadRegularFileHead(const std::string& path, std::size_t maxBytes, std::string& out) {
    return ReadBounded(path, maxBytes, true, out);
}

FileResult CheckWriteTarget(const std::string& path, std::string* resolved) {
    if (resolved)
        *resolved = path;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return FileResult::Success(); // a new file
        return FailWithErrno("write", path);
    }
    if (S_ISREG(st.st_mode))
        return FileResult::Success();
    if (!S_ISLNK(st.st_mode))
        return NotRegular("write", path, st.st_mode);
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        const int error = errno;
        if (error == ENOENT)
            return FileResult::Refusal(ENOENT,
                                       "write " + path + ": a link to a file that does not exist");
        return FileResult::Failure(error, "write", path);
    }
    const std::string target = real;
    std::free(real);
    if (::stat(target.c_str(), &st) != 0)
        return FailWithErrno("write", target);
    if (!S_ISREG(st.st_mode))
        return NotRegular("write", path, st.st_mode, target);
    if (resolved)
        *resolved = target;
    return FileResult::Success();
}

FileResult WriteFileAtomic(const std::string& path, std::string_view bytes,
                           AtomicWriteOptions options) {
    std::string target;
    if (FileResult r = CheckWriteTarget(path, &target); !r)
        return r;
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    // A read-only file stays unwritten unless asked: a rename would get past it.
    if (exists && (st.st_mode & 0222) == 0 && !options.overReadOnly)
        return FileResult::Failure(EACCES, "write read-only file", target);
    mode_t mode = exists ? (st.st_mode & 07777) : DefaultFileMode();
    if (options.readOnly)
        mode &= ~mode_t{0222};

    const std::string folder = FolderOf(target);
    RemoveStaleTemporaries(folder, BaseName(target));
    std::string temp;
    int fd = -1;
    if (FileResult r = CreateTemporary(target, temp, fd); !r)
        return r;
    if (FileResult r = FillTemporary(fd, temp, bytes, mode, exists ? &st : nullptr); !r)
        return r;
    // Between the check and here something else may have taken the name;
    // rename() would replace a FIFO or device as readily as a file.
    if (FileResult r = CheckWriteTarget(target); !r) {
        ::unlink(temp.c_str());
        return r;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        FileResult r = FailWithErrno("rename to", target);
        ::unlink(temp.c_str());
        return r;
    }
    SyncFolder(folder);
    return FileResult::Success();
}

FileResult CreateFileExclusive(const std::string& path, std::string_view bytes, bool* created) {
    if (created)
        *created = false;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0)
        return FileResult::Success();
    const std::string folder = FolderOf(path);
    RemoveStaleTemporaries(folder, BaseName(path));
    std::string temp;
    int fd = -1;
    if (FileResult r = CreateTemporary(path, temp, fd); !r)
        return r;
    if (FileResult r = FillTemporary(fd, temp, bytes, DefaultFileMode(), nullptr); !r)
        return r;
    // link() fails when the name exists, so a file that appeared in the
    // meantime is never overwritten, and nobody sees a half-written one.
    FileResult result;
    if (::link(temp.c_str(), path.c_str()) == 0) {
        if (created)
            *created = true;
        SyncFolder(folder);
    } else if (errno != EEXIST) {
        result = FailWithErrno("create", path);
    }
    ::unlink(temp.c_str());
    return result;
}

bool IsStaleTemporary(std::string_view name, std::string_view targetBase) {
    if (name.size() < targetBase.size() + 2 || name[0] != '.' ||
        name.substr(1, targetBase.size()) != targetBase)
        return false;
    std::string_view rest = name.substr(1 + targetBase.size());
    std::string_view pid;
    if (rest.substr(0, kTempTag.size()) == kTempTag && rest.size() > kTempSuffix.size() &&
        rest.substr(rest.size() - kTempSuffix.size()) == kTempSuffix) {
        // ".tmx7-<pid>-<n>.tmp"
        rest = rest.substr(kTempTag.size(), rest.size() - kTempTag.size() - kTempSuffix.size());
        const std::size_t dash = rest.find('-');
        if (dash == std::string_view::npos || !AllDigits(rest.substr(dash + 1)))
            return false;
        pid = rest.substr(0, dash);
    } else if (rest.substr(0, 4) == ".tmp") {
        // ".tmp<pid>.<n>", as earlier versions named them
        rest = rest.substr(4);
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos || !AllDigits(rest.substr(dot + 1)))
            return false;
        pid = rest.substr(0, dot);
    } else {
        return false;
    }
    return AllDigits(pid) && !ProcessRuns(std::strtol(std::string(pid).c_str(), nullptr, 10));
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string AbsolutePath(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string base = BaseName(path);
    if (char* resolved = ::realpath(folder.c_str(), nullptr)) {
        std::string out = resolved;
        std::free(resolved);
        return out == "/" ? out + base : out + "/" + base;
    }
    if (!path.empty() && path.front() == '/')
        return path;
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        return path;
    return std::string(cwd) + "/" + path;
}

bool IsReadOnly(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

FileResult SetReadOnly(const std::string& path, bool readOnly) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return FailWithErrno("stat", path);
    if (!S_ISREG(st.st_mode))
        return NotRegular("chmod", path, st.st_mode);
    const mode_t mode = st.st_mode & 07777;
    const mode_t wanted = readOnly ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
    if (wanted != mode && ::chmod(path.c_str(), wanted) != 0)
        return FailWithErrno("chmod", path);
    return FileResult::Success();
}

} // namespace tmx7
