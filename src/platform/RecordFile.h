#pragma once
// A file that only ever grows by whole lines: the record a production line
// keeps of every unit. Each line goes out with one write() of the whole line
// on an O_APPEND descriptor under an exclusive lock (threads of this process
// and other processes may append to the same file), and is on the disk
// before Append returns. A line cut short (disk full, or the program killed
// between the pages of one write) is cut off again: at once when the write
// comes back short, at the next Open when the program did not live to do it.

#include <optional>
#include <string>
#include <string_view>

namespace tmx7 {

class RecordFile {
public:
    // Creates the file when absent. Anything but a regular file (a FIFO, a
    // device, a directory) is refused, with the reason in `error`.
    static std::optional<RecordFile> Open(const std::string& path, std::string& error);

    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;
    RecordFile(const RecordFile&) = delete;
    ~RecordFile();

    // Appends `line` (one line, ending in '\n'); when the file is still
    // empty, `header` (also ending in '\n', or empty) goes first in the same
    // write. False with `error` set when the line could not be written whole;
    // the file is then as it was.
    bool Append(std::string_view line, std::string_view header, std::string& error);

    const std::string& Path() const { return m_path; }

private:
    RecordFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    int m_fd = -1;
    std::string m_path;
};

} // namespace tmx7
