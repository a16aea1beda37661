#include "platform/LinkMemory.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace tmx7 {

namespace {

struct Line {
    std::string identity;
    RememberedLink link;
};

bool Plausible(const RememberedLink& link) {
    static constexpr int kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600};
    bool baud = false;
    for (int b : kBauds)
        baud = baud || b == link.baud;
    const std::string& f = link.lineFormat;
    return baud && f.size() == 5 && (f[0] == 'n' || f[0] == 'e' || f[0] == 'o') &&
           f.substr(1, 3) == ",8," && (f[4] == '1' || f[4] == '2');
}

std::vector<Line> Parse(const std::string& text) {
    std::vector<Line> out;
    std::istringstream in(text);
    std::string row;
    while (std::getline(in, row) && out.size() < LinkMemory::kMaxEntries) {
        const std::size_t a = row.find('\t');
        const std::size_t b = a == std::string::npos ? a : row.find('\t', a + 1);
        if (b == std::string::npos || a == 0)
            continue;
        Line line;
        line.identity = row.substr(0, a);
        line.link.baud = std::atoi(row.substr(a + 1, b - a - 1).c_str());
        line.link.lineFormat = row.substr(b + 1);
        if (Plausible(line.link))
            out.push_back(std::move(line));
    }
    return out;
}

} // namespace

LinkMemory::LinkMemory(std::string file) : m_file(std::move(file)) {}

std::string LinkMemory::DefaultFile(const Getenv& getenv) {
    auto env = [&](const char* name) -> std::optional<std::string> {
        if (getenv)
            return getenv(name);
        if (const char* v = std::getenv(name))
            return std::string(v);
        return std::nullopt;
    };
    // Relative values are to be ignored, as the XDG rules say.
    if (auto state = env("XDG_STATE_HOME"); state && !state->empty() && state->front() == '/')
        return *state + "/tmx7/links";
    if (auto home = env("HOME"); home && !home->empty())
        return *home + "/.local/state/tmx7/links";
    return {};
}

std::optional<RememberedLink> LinkMemory::Recall(const std::string& identity) const {
    if (m_file.empty())
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    std::string text;
    if (!ReadRegularFile(m_file, kMaxBytes, text))
        return std::nullopt;
    for (const Line& line : Parse(text))
        if (line.identity == identity)
            return line.link;
    return std::nullopt;
}

FileResult LinkMemory::Remember(const std::string& identity, const RememberedLink& link) {
    if (m_file.empty())
        return FileResult::Refusal(ENOENT, "no state folder (neither XDG_STATE_HOME nor HOME)");
    if (identity.empty() || identity.find_first_of("\t\n") != std::string::npos || !Plausible(link))
        return FileResult::Refusal(EINVAL, "not kept: " + identity);
    std::lock_guard lock(m_mutex);
    std::string text;
    const FileResult read = ReadRegularFile(m_file, kMaxBytes, text);
    // A file that is too large or no file at all is started afresh; anything
    // else at the name (a folder, a FIFO) is left alone by the write below.
    std::vector<Line> lines = read ? Parse(text) : std::vector<Line>{};
    std::string out = identity + "\t" + std::to_string(link.baud) + "\t" + link.lineFormat + "\n";
    std::size_t kept = 1;
    for (const Line& line : lines) {
        if (line.identity == identity || kept == kMaxEntries)
            continue;
        out += line.identity + "\t" + std::to_string(line.link.baud) + "\t" + line.link.lineFormat +
               "\n";
        ++kept;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_file).parent_path(), ec);
    return WriteFileAtomic(m_file, out);
}

} // namespace tmx7
