#pragma once
// Text conversion at the file boundary. In memory every string is UTF-8; the
// files the tool shares with older installations are code page 936 (GBK),
// unless they start with a UTF-8 byte-order mark.
//
// Bad input never stops a conversion: a byte that does not start a valid
// character becomes U+FFFD (towards UTF-8) or '?' (towards GBK), and the
// conversion goes on with the next byte. `replaced` counts those places, so a
// caller that cares can tell a clean conversion from a lossy one.

#include <cstddef>
#include <string>
#include <string_view>

namespace tmx7 {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class TextEncoding { Gbk, Utf8 };

struct Converted {
    std::string text;
    std::size_t replaced = 0; // characters that could not be converted
    bool ok = true;           // false only when the system has no converter
    int error = 0;            // errno of iconv_open when !ok
};

Converted GbkToUtf8(std::string_view gbk);
Converted Utf8ToGbk(std::string_view utf8);

// Copies valid UTF-8 and replaces each invalid byte with U+FFFD.
Converted SanitizeUtf8(std::string_view utf8);

bool StartsWithUtf8Bom(std::string_view bytes);

// File text -> UTF-8: a BOM file is UTF-8 (BOM dropped), anything else GBK.
// `encoding` receives what the file was, so a rewrite can keep it.
Converted DecodeFileText(std::string_view bytes, TextEncoding* encoding = nullptr);
// UTF-8 -> file text in `encoding` (a UTF-8 file gets its BOM back).
Converted EncodeFileText(std::string_view utf8, TextEncoding encoding);

// Length of the character starting at bytes[i] in the given encoding; 1 for a
// byte that starts no valid character. Never runs past the end.
std::size_t CharLength(std::string_view bytes, std::size_t i, TextEncoding encoding);

// Longest prefix of `bytes` of at most `maxBytes` that does not split a character.
std::string_view CutAtCharBoundary(std::string_view bytes, std::size_t maxBytes,
                                   TextEncoding encoding);

} // namespace tmx7
