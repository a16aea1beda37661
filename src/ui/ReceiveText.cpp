#include "ui/ReceiveText.h"

namespace tmx7 {

namespace {

// The smallest cut >= `least` that falls right after a blank or a line end.
// Without a separator in the rest, the first byte that starts a character,
// so the kept text stays valid UTF-8.
std::size_t CutAfterSeparator(std::string_view s, std::size_t least) {
    if (least == 0)
        return 0;
    const std::size_t sep = s.find_first_of(" \n", least - 1);
    if (sep != std::string_view::npos)
        return sep + 1;
    std::size_t cut = least;
    while (cut < s.size() && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
        ++cut;
    return cut;
}

} // namespace

std::size_t AppendBounded(std::string& buffer, std::string_view text, std::size_t limit) {
    if (text.size() > limit) {
        // Only the tail of this text survives; skip copying the rest.
        const std::size_t cut = CutAfterSeparator(text, text.size() - limit);
        const std::size_t dropped = buffer.size() + cut;
        buffer.assign(text.substr(cut));
        return dropped;
    }
    buffer.append(text);
    if (buffer.size() <= limit)
        return 0;
    const std::size_t cut = CutAfterSeparator(buffer, buffer.size() - limit);
    buffer.erase(0, cut);
    return cut;
}

} // namespace tmx7
