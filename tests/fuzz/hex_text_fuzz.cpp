// Hex text comes from the user's keyboard, the user data file and the
// parameter file: any bytes at all. The conversion must stay inside its
// destination and agree with its own vector form and token count.
#include "protocol/Frames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // First byte picks the capacity, the rest is the text.
    const std::size_t capacity = data[0] % 40;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    // Exactly `capacity` bytes on the heap so ASan sees any write past it.
    std::vector<std::uint8_t> dest(capacity);
    const std::size_t n = tmx7::HexTextToBytes(text, dest.data(), capacity);
    const std::vector<std::uint8_t> all = tmx7::HexTextToBytes(text);
    const std::size_t tokens = tmx7::CountHexTokens(text);

    if (n > capacity || all.size() != tokens || n != (tokens < capacity ? tokens : capacity))
        std::abort();
    for (std::size_t i = 0; i < n; ++i)
        if (dest[i] != all[i])
            std::abort();

    // Rendering and reading back is lossless.
    if (tmx7::HexTextToBytes(tmx7::BytesToHexText(all)) != all)
        std::abort();
    return 0;
}
