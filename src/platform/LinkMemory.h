#pragma once
// The baud rate and line format that last reached a module, per adapter, so
// a detection can try them first: the same adapter nearly always has the same
// module at the same settings behind it. Kept in a small file under the XDG
// state folder ($XDG_STATE_HOME/tmx7/links, default ~/.local/state/tmx7/links),
// one "<identity>\t<baud>\t<format>" line per adapter, the most recent first.
// The file is read through the bounded reader and replaced atomically; a
// damaged or foreign line is skipped, never trusted.

#include "platform/FileAccess.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace tmx7 {

struct RememberedLink {
    int baud = 0;
    std::string lineFormat;
    bool operator==(const RememberedLink&) const = default;
};

class LinkMemory {
public:
    static constexpr std::size_t kMaxBytes = 64 * 1024;
    static constexpr std::size_t kMaxEntries = 64;

    using Getenv = std::function<std::optional<std::string>(const std::string&)>;

    explicit LinkMemory(std::string file);
    // The user's file; empty name (nothing is kept) when neither
    // XDG_STATE_HOME nor HOME is set. `getenv` empty: the process environment.
    static std::string DefaultFile(const Getenv& getenv = {});

    std::optional<RememberedLink> Recall(const std::string& identity) const;
    // Puts `identity` first with this pair; creates the folder when missing.
    FileResult Remember(const std::string& identity, const RememberedLink& link);
    const std::string& File() const { return m_file; }

private:
    std::string m_file;
    mutable std::mutex m_mutex; // one read-modify-write at a time in this process
};

} // namespace tmx7
