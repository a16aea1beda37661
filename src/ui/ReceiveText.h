#pragma once
// The receive area's text, bounded. A night-long data test would otherwise
// grow the text, and the cost of every redraw with it, without limit.

#include <cstddef>
#include <string>
#include <string_view>

namespace tmx7 {

// 256 K characters: about 87 000 received bytes as "XX " pairs.
inline constexpr std::size_t kReceiveTextLimit = 256 * 1024;

// Appends `text` and, when the buffer then holds more than `limit`
// characters, drops the oldest ones. The cut falls right after a blank or a
// line end, so no hex pair and no colon-form line is split; the buffer may
// end a little shorter than `limit`. Returns the number of characters dropped.
std::size_t AppendBounded(std::string& buffer, std::string_view text,
                          std::size_t limit = kReceiveTextLimit);

} // namespace tmx7
