#pragma once
// Private-profile key files ("[section]" and "key=value" lines) with the
// reading and writing rules of the Windows profile calls, which the files we
// share with Windows installations rely on:
//  - the file is GBK (code page 936) unless it starts with a UTF-8 BOM; the
//    caller always deals in UTF-8;
//  - section and key names are matched ASCII-case-insensitively after
//    trimming blanks; the first matching section and, in it, the first
//    matching key win;
//  - a value loses its surrounding blanks and then one pair of matching
//    surrounding quotes ('...' or "..."), and is cut to 259 bytes of file
//    text without splitting a character (the callers read into 260-byte buffers);
//  - integers read like GetPrivateProfileInt, with 32-bit saturation;
//  - a write replaces an existing key's line in place or appends the key at
//    the end of its section (a new section goes at the end of the file); every
//    other line is kept as it was; lines end in CR LF.
// Files are read through the bounded reader and replaced atomically (see
// FileAccess.h); a read-only file (no write bits) is written only when the
// caller asks for it.

#include "platform/Encoding.h"
#include "platform/FileAccess.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

inline constexpr std::size_t kProfileValueMaxBytes = 259;
// A profile file is a few hundred bytes; anything far larger is not one of ours.
inline constexpr std::size_t kProfileFileMaxBytes = 4u << 20;

// Integer reading of a profile value: leading blanks, one optional sign, the
// decimal digits up to the first other character, saturated to 32 bits.
struct ProfileInt {
    int value = 0;
    bool hasDigits = false; // false for "", "abc", "-", "********"
};
ProfileInt ParseProfileInt(std::string_view text);

// A profile file held in memory, parsed once and written back once.
class ProfileDocument {
public:
    ProfileDocument() = default;

    // Parses file bytes. Never fails: any byte sequence is some document.
    static ProfileDocument Parse(std::string_view bytes);

    // Reads `path` into `doc`. A missing file gives an empty GBK document and
    // success (the profile calls treat it as a file without keys); `existed`
    // tells the two apart. Other errors (not a regular file, more than
    // `maxBytes`, unreadable) leave `doc` empty and fail.
    static FileResult Load(const std::string& path, ProfileDocument& doc, bool* existed = nullptr,
                           std::size_t maxBytes = kProfileFileMaxBytes);

    bool HasSection(std::string_view section) const { return FindSection(section).has_value(); }
    // The value as the profile calls return it (trimmed, unquoted, cut), in UTF-8.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;
    // The default is returned for a missing key and for an empty value;
    // a value without digits reads as 0.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Sets a key (UTF-8). The value is cut at its first NUL and any other
    // control byte (CR, LF, tab, ...) becomes a blank, so a value can never
    // break the line structure. Fails (false) for an empty name, a section name
    // holding ']' or a control byte, or a key holding '=' or a control byte or
    // starting with '[' or ';'.
    bool SetString(std::string_view section, std::string_view key, std::string_view value);

    // The file bytes: every line ends in CR LF; a UTF-8 document keeps its BOM.
    std::string Serialize() const;
    // Writes Serialize() to `path` atomically (see WriteFileAtomic).
    FileResult Save(const std::string& path, AtomicWriteOptions options = {}) const;

    TextEncoding encoding() const { return m_encoding; }
    std::size_t lineCount() const { return m_lines.size(); }

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        Kind kind = Kind::Other;
        std::string raw;                             // file bytes without the line end
        std::string name;                            // section or key name, trimmed, UTF-8
        std::size_t valueStart = 0, valueLength = 0; // value in `raw`, trimmed
    };

    Line ParseLine(std::string raw) const;
    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::size_t SectionEnd(std::size_t header) const; // index after the section's last line
    std::optional<std::size_t> FindKey(std::string_view section, std::string_view key) const;
    std::string Encode(std::string_view utf8) const;

    TextEncoding m_encoding = TextEncoding::Gbk;
    std::vector<Line> m_lines;
};

// One-call forms in the manner of the Windows profile functions. Each loads
// the file; the write also saves it. For several keys use ProfileDocument so
// the file is written once.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view defaultValue);
int GetProfileInt(const std::string& path, std::string_view section, std::string_view key,
                  int defaultValue);
FileResult WriteProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view value);

} // namespace tmx7
