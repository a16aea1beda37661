#pragma once
// The hex key filter of the data entry fields: digits, upper-case A-F,
// backspace, and (in the main window) blank and full stop. Lower-case a-f are
// refused on purpose: the texts are sent as typed, and the module's answers
// are matched in upper case.

#include <string>
#include <string_view>

namespace tmx7::gui {

enum class HexKeys {
    WithBlank, // main window: send area, preset lines, calibration fields
    NoBlank,   // small parameter dialogs: address and group fields
};

constexpr bool HexFilterAccepts(char32_t c, HexKeys keys = HexKeys::WithBlank) {
    if ((c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'F'))
        return true;
    if (c == U'\b' || c == U'.')
        return true;
    return c == U' ' && keys == HexKeys::WithBlank;
}

// Pasted or dropped text: each character passes the same rule as if typed,
// so "1a 2B\n" becomes "1 2B". Backspace makes no sense inside text and goes.
inline std::u32string HexFilterText(std::u32string_view text, HexKeys keys = HexKeys::WithBlank) {
    std::u32string out;
    out.reserve(text.size());
    for (char32_t c : text)
        if (c != U'\b' && HexFilterAccepts(c, keys))
            out.push_back(c);
    return out;
}

} // namespace tmx7::gui
