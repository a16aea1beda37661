#include "platform/Encoding.h"

#include <cerrno>
#include <iconv.h>

namespace tmx7 {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view kReplacementGbk = "?";

unsigned char Byte(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut off).
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    const unsigned char b0 = Byte(s, i);
    if (b0 < 0x80)
        return 1;
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0)
            lo = 0xA0; // overlong
        if (b0 == 0xED)
            hi = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0)
            lo = 0x90; // overlong
        if (b0 == 0xF4)
            hi = 0x8F; // beyond U+10FFFF
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    const unsigned char b1 = Byte(s, i + 1);
    if (b1 < lo || b1 > hi)
        return 0;
    for (std::size_t k = 2; k < len; ++k) {
        const unsigned char b = Byte(s, i + k);
        if (b < 0x80 || b > 0xBF)
            return 0;
    }
    return len;
}

bool IsGbkLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
bool IsGbkTrail(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Code page 936 as Windows has it (0x80 is the euro sign); glibc knows it as CP936.
constexpr const char* kGbkName = "CP936";

Converted Convert(const char* to, const char* from, std::string_view in, bool fromGbk) {
    Converted result;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        result.ok = false;
        result.error = errno;
        return result;
    }
    result.text.reserve(in.size() + in.size() / 2);
    // iconv's interface is not const-correct; it never writes through the input pointer.
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        result.text.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (err == E2BIG)
            continue;
        // EILSEQ (bad or unmappable character), EINVAL (cut-off character at
        // the end) or anything unexpected: replace one character and go on.
        const std::size_t pos = in.size() - inLeft;
        std::size_t skip = 1;
        if (fromGbk) {
            skip = CharLength(in, pos, TextEncoding::Gbk);
        } else if (std::size_t len = Utf8SequenceLength(in, pos); len > 0) {
            skip = len; // valid UTF-8 that GBK has no code for
        }
        result.text += fromGbk ? kReplacementUtf8 : kReplacementGbk;
        ++result.replaced;
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    }
    iconv_close(cd);
    return result;
}

} // namespace

Converted GbkToUtf8(std::string_view gbk) {
    return Convert("UTF-8", kGbkName, gbk, true);
}

Converted Utf8ToGbk(std::string_view utf8) {
    return Convert(kGbkName, "UTF-8", utf8, false);
}

Converted SanitizeUtf8(std::string_view utf8) {
    Converted result;
    result.text.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t len = Utf8SequenceLength(utf8, i);
        if (len == 0) {
            result.text += kReplacementUtf8;
            ++result.replaced;
            ++i;
        } else {
            result.text.append(utf8.substr(i, len));
            i += len;
        }
    }
    return result;
}

bool StartsWithUtf8Bom(std::string_view bytes) {
    return bytes.substr(0, 3) == kUtf8Bom;
}

Converted DecodeFileText(std::string_view bytes, TextEncoding* encoding) {
    const bool utf8 = StartsWithUtf8Bom(bytes);
    if (encoding)
        *encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Gbk;
    return utf8 ? SanitizeUtf8(bytes.substr(kUtf8Bom.size())) : GbkToUtf8(bytes);
}

Converted EncodeFileText(std::string_view utf8, TextEncoding encoding) {
    if (encoding == TextEncoding::Gbk)
        return Utf8ToGbk(utf8);
    Converted result = SanitizeUtf8(utf8);
    result.text.insert(0, kUtf8Bom);
    return result;
}

std::size_t CharLength(std::string_view bytes, std::size_t i, TextEncoding encoding) {
    if (i >= bytes.size())
        return 0;
    if (encoding == TextEncoding::Utf8) {
        const std::size_t len = Utf8SequenceLength(bytes, i);
        return len == 0 ? 1 : len;
    }
    if (IsGbkLead(Byte(bytes, i)) && i + 1 < bytes.size() && IsGbkTrail(Byte(bytes, i + 1)))
        return 2;
    return 1;
}

std::string_view CutAtCharBoundary(std::string_view bytes, std::size_t maxBytes,
                                   TextEncoding encoding) {
    if (bytes.size() <= maxBytes)
        return bytes;
    std::size_t end = 0;
    while (end < bytes.size()) {
        const std::size_t len = CharLength(bytes, end, encoding);
        if (end + len > maxBytes)
            break;
        end += len;
    }
    return bytes.substr(0, end);
}

} // namespace tmx7
