#pragma once
// Reading and replacing the program's own small files (parameter file, user
// data file, ports file, links file) so that nothing in the user's way is
// damaged and nothing odd at a file's name can stall the program:
//  - every read goes through one bounded reader: the file is opened without
//    blocking (a FIFO never waits for a writer), must be a regular file after
//    following links, and is read up to a limit that the caller names;
//  - every write replaces a regular file or creates one, never a folder,
//    device, FIFO or socket, and touches no permission bits but those of the
//    file it writes;
//  - a write appears complete or not at all, with its final permission bits
//    already in place when it appears (see WriteFileAtomic).

#include <cstddef>
#include <string>
#include <string_view>

namespace tmx7 {

// Outcome of a file operation. `error` is an errno value, `message` one line
// naming the step, the path and what was wrong.
//  ENOENT  nothing at the path (or a link that leads nowhere)
//  EISDIR  a folder where a file was expected
//  EINVAL  a FIFO, device or socket where a file was expected
//  EFBIG   more bytes than the caller's limit
struct FileResult {
    bool ok = true;
    int error = 0;
    std::string message;

    explicit operator bool() const { return ok; }
    static FileResult Success() { return {}; }
    // "<step> <path>: <system text for error>"
    static FileResult Failure(int error, std::string_view step, std::string_view path);
    // A refusal with its own words.
    static FileResult Refusal(int error, std::string message);
};

// --- reading ---

// The whole file, at most `maxBytes` of it; a larger file is refused with
// EFBIG before anything is read.
FileResult ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& out);
// The start of the file up to and including its first LF, at most `maxBytes`
// bytes; what follows is not read.
FileResult ReadRegularFileHead(const std::string& path, std::size_t maxBytes, std::string& out);

// --- writing ---

// What the program may replace at `path`: nothing at all, a regular file, or
// a symbolic link (also a chain of them) to a regular file, which is written
// through so the link stays a link. `resolved` receives the file to replace.
// Anything else is refused and left as it is.
FileResult CheckWriteTarget(const std::string& path, std::string* resolved = nullptr);

struct AtomicWriteOptions {
    // Replace a file that has no write bits. Without it such a file is refused
    // with EACCES (the profile calls never write a read-only file).
    bool overReadOnly = false;
    // The new file has no write bits. Without it an existing file keeps its
    // permission bits and a new one gets the process's default.
    bool readOnly = false;
};

// Replaces `path` with `bytes`. The bytes go into a temporary file next to
// the target, which is given its final permission bits and owner, fsynced and
// renamed over the target; then the folder is fsynced. A kill at any moment
// leaves the old file or the new one, never a part and never a writable
// file where a read-only one was asked for. On failure the old file is
// untouched and the temporary file removed. Temporary files that a killed
// run left next to the target are removed first (see IsStaleTemporary).
FileResult WriteFileAtomic(const std::string& path, std::string_view bytes,
                           AtomicWriteOptions options = {});

// Creates `path` with `bytes` only when nothing of that name exists; an
// existing file is never touched. The file appears complete or not at all.
// `created` tells whether this call made it.
FileResult CreateFileExclusive(const std::string& path, std::string_view bytes,
                               bool* created = nullptr);

// True for a name that one of our writes to `targetBase` in the same folder
// gave its temporary file ("." + targetBase + ".tmx7-<pid>-<n>.tmp", and the
// ".tmp<pid>.<n>" form of earlier versions), made by a process that no
// longer runs.
bool IsStaleTemporary(std::string_view name, std::string_view targetBase);

// --- small helpers ---

bool FileExists(const std::string& path);
// `path` made absolute against the current folder, with the folder part
// resolved when it exists (the file itself need not exist). For messages.
std::string AbsolutePath(const std::string& path);
// Read-only means no write bit at all. Setting it clears every write bit;
// clearing it gives the owner write permission back.
bool IsReadOnly(const std::string& path);
FileResult SetReadOnly(const std::string& path, bool readOnly);

} // namespace tmx7
