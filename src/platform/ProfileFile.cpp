#include "platform/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>

namespace tmx7 {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are compared in UTF-8, where folding ASCII letters cannot touch the
// bytes of a multi-byte character (in GBK a trail byte may look like 'A').
bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool HasControl(std::string_view s) {
    for (char c : s) {
        if (IsControl(static_cast<unsigned char>(c)))
            return true;
    }
    return false;
}

std::string Decode(std::string_view bytes, TextEncoding encoding) {
    return encoding == TextEncoding::Gbk ? GbkToUtf8(bytes).text : SanitizeUtf8(bytes).text;
}

// Position of the first `c` that is a character of its own (in GBK the byte
// may also be the second half of a double-byte character).
std::size_t FindChar(std::string_view s, std::size_t from, char c, TextEncoding encoding) {
    for (std::size_t i = from; i < s.size(); i += CharLength(s, i, encoding)) {
        if (s[i] == c)
            return i;
    }
    return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view s, std::size_t from, char c, TextEncoding encoding) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = from; i < s.size(); i += CharLength(s, i, encoding)) {
        if (s[i] == c)
            found = i;
    }
    return found;
}

} // namespace

ProfileInt ParseProfileInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    ProfileInt result;
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        result.hasDigits = true;
        if (magnitude < limit)
            magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
    }
    result.value = static_cast<int>(negative ? -magnitude : magnitude);
    return result;
}

// ---------------------------------------------------------------------------
// ProfileDocument

ProfileDocument::Line ProfileDocument::ParseLine(std::string raw) const {
    Line line;
    line.raw = std::move(raw);
    const std::string_view s = line.raw;
    std::size_t start = 0;
    while (start < s.size() && IsBlank(s[start]))
        ++start;
    if (start == s.size() || s[start] == ';')
        return line;
    if (s[start] == '[') {
        const std::size_t close = FindLastChar(s, start + 1, ']', m_encoding);
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            line.name = Decode(Trim(s.substr(start + 1, close - start - 1)), m_encoding);
            return line;
        }
        // Without a closing bracket the line is read as an ordinary key line.
    }
    const std::size_t equals = FindChar(s, start, '=', m_encoding);
    if (equals == std::string_view::npos)
        return line;
    const std::string_view name = Trim(s.substr(start, equals - start));
    if (name.empty())
        return line;
    line.kind = Kind::Key;
    line.name = Decode(name, m_encoding);
    std::size_t vs = equals + 1, ve = s.size();
    while (vs < ve && IsBlank(s[vs]))
        ++vs;
    while (ve > vs && IsBlank(s[ve - 1]))
        --ve;
    line.valueStart = vs;
    line.valueLength = ve - vs;
    return line;
}

ProfileDocument ProfileDocument::Parse(std::string_view bytes) {
    ProfileDocument doc;
    if (StartsWithUtf8Bom(bytes)) {
        doc.m_encoding = TextEncoding::Utf8;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    // '\n' is never part of a double-byte GBK character, so splitting the raw
    // bytes is safe in both encodings.
    while (!bytes.empty()) {
        const std::size_t nl = bytes.find('\n');
        std::string_view raw = bytes.substr(0, nl);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        doc.m_lines.push_back(doc.ParseLine(std::string(raw)));
        if (nl == std::string_view::npos)
            break;
        bytes.remove_prefix(nl + 1);
    }
    return doc;
}

FileResult ProfileDocument::Load(const std::string& path, ProfileDocument& doc, bool* existed,
                                 std::size_t maxBytes) {
    doc = ProfileDocument();
    if (existed)
        *existed = false;
    std::string bytes;
    FileResult r = ReadRegularFile(path, maxBytes, bytes);
    if (!r) {
        if (r.error == ENOENT)
            return FileResult::Success();
        return r;
    }
    if (existed)
        *existed = true;
    doc = Parse(bytes);
    return r;
}

std::optional<std::size_t> ProfileDocument::FindSection(std::string_view section) const {
    section = Trim(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && EqualsNoCase(m_lines[i].name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t ProfileDocument::SectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    std::size_t next = end;
    while (next < m_lines.size() && m_lines[next].kind != Kind::Section) {
        if (!Trim(m_lines[next].raw).empty())
            end = next + 1; // blank lines before the next section stay after new keys
        ++next;
    }
    return end;
}

std::optional<std::size_t> ProfileDocument::FindKey(std::string_view section,
                                                    std::string_view key) const {
    const auto header = FindSection(section);
    if (!header)
        return std::nullopt;
    key = Trim(key);
    for (std::size_t i = *header + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i) {
        if (m_lines[i].kind == Kind::Key && EqualsNoCase(m_lines[i].name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileDocument::Find(std::string_view section,
                                                 std::string_view key) const {
    const auto index = FindKey(section, key);
    if (!index)
        return std::nullopt;
    const Line& line = m_lines[*index];
    std::string_view value = std::string_view(line.raw).substr(line.valueStart, line.valueLength);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    value = value.substr(0, value.find('\0'));
    return Decode(CutAtCharBoundary(value, kProfileValueMaxBytes, m_encoding), m_encoding);
}

std::string ProfileDocument::GetString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const {
    auto value = Find(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

int ProfileDocument::GetInt(std::string_view section, std::string_view key,
                            int defaultValue) const {
    const auto value = Find(section, key);
    if (!value || value->empty())
        return defaultValue;
    return ParseProfileInt(*value).value;
}

std::string ProfileDocument::Encode(std::string_view utf8) const {
    return m_encoding == TextEncoding::Gbk ? Utf8ToGbk(utf8).text : SanitizeUtf8(utf8).text;
}

bool ProfileDocument::SetString(std::string_view section, std::string_view key,
                                std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || HasControl(section) || section.find(']') != std::string_view::npos)
        return false;
    if (key.empty() || HasControl(key) || key.find('=') != std::string_view::npos ||
        key.front() == '[' || key.front() == ';')
        return false;

    std::string clean(value.substr(0, value.find('\0')));
    for (char& c : clean) {
        if (IsControl(static_cast<unsigned char>(c)))
            c = ' ';
    }
    const std::string encodedValue = Encode(clean);

    if (const auto index = FindKey(section, key)) {
        // Keep the key as the file spells it; only the value changes.
        const std::string& raw = m_lines[*index].raw;
        const std::size_t equals = FindChar(raw, 0, '=', m_encoding);
        m_lines[*index] = ParseLine(raw.substr(0, equals + 1) + encodedValue);
        return true;
    }
    Line keyLine = ParseLine(Encode(key) + "=" + encodedValue);
    if (const auto header = FindSection(section)) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(*header)),
                       std::move(keyLine));
        return true;
    }
    if (!m_lines.empty() && !Trim(m_lines.back().raw).empty())
        m_lines.push_back(ParseLine(std::string()));
    m_lines.push_back(ParseLine("[" + Encode(section) + "]"));
    m_lines.push_back(std::move(keyLine));
    return true;
}

std::string ProfileDocument::Serialize() const {
    std::string out;
    if (m_encoding == TextEncoding::Utf8)
        out += kUtf8Bom;
    for (const Line& line : m_lines) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

FileResult ProfileDocument::Save(const std::string& path, AtomicWriteOptions options) const {
    return WriteFileAtomic(path, Serialize(), options);
}

// ---------------------------------------------------------------------------
// One-call forms

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
    ProfileDocument doc;
    if (!ProfileDocument::Load(path, doc))
        return std::string(defaultValue);
    return doc.GetString(section, key, defaultValue);
}

int GetProfileInt(const std::string& path, std::string_view section, std::string_view key,
                  int defaultValue) {
    ProfileDocument doc;
    if (!ProfileDocument::Load(path, doc))
        return defaultValue;
    return doc.GetInt(section, key, defaultValue);
}

FileResult WriteProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view value) {
    ProfileDocument doc;
    if (FileResult r = ProfileDocument::Load(path, doc); !r)
        return r;
    if (!doc.SetString(section, key, value))
        return FileResult::Failure(EINVAL, "invalid section or key name for", path);
    return doc.Save(path);
}

} // namespace tmx7
