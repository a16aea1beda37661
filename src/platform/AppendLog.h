#pragma once
// A log file the program appends to, rotated by size: when the next write
// would take it past the limit, path.<keep-1> becomes path.<keep> (the
// oldest is dropped), ..., path becomes path.1, and a new path is started.
// Like every file the program writes, the log is a regular file: a folder,
// device, FIFO or socket at its name is refused, and a link is followed to a
// regular file only.

#include "platform/FileAccess.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tmx7 {

class AppendLog {
public:
    struct Options {
        std::size_t rotateBytes = 8 * 1024 * 1024;
        int keep = 3; // old files kept beside the current one
    };

    AppendLog() = default;
    ~AppendLog();
    AppendLog(const AppendLog&) = delete;
    AppendLog& operator=(const AppendLog&) = delete;

    // Opens `path` for appending, creating it when missing.
    FileResult Open(const std::string& path, Options options);
    // Appends `text` whole, rotating first when it would pass the limit
    // (a file that is still empty takes it whatever its size).
    FileResult Append(std::string_view text);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    std::size_t Size() const { return m_size; }

private:
    FileResult OpenCurrent();
    FileResult Rotate();

    std::string m_path;
    Options m_options;
    int m_fd = -1;
    std::size_t m_size = 0;
};

} // namespace tmx7
