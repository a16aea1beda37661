// Every packet the module (or the far end of the radio link) sends goes
// through the decoder. Whatever arrives, decoding must stay in bounds, end,
// and leave the receive text as the last update.
#include "protocol/Decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tmx7::DecoderState state;
    if (size > 0 && (data[0] & 1)) {
        state.passiveTab = true;
        state.saveTab = true;
        state.serialMode = 1;
    }
    const tmx7::DecodeResult r = tmx7::DecodePacket(data, size, state);
    if (r.events.empty() || !std::holds_alternative<tmx7::Received>(r.events.back()))
        std::abort();
    // Two passes over the same state give the same result.
    const tmx7::DecodeResult again = tmx7::DecodePacket(data, size, state);
    if (!(again.state == r.state) || again.events != r.events || again.followUps != r.followUps)
        std::abort();
    // Follow-ups are only ever queries the module answers.
    for (tmx7::CommandCode code : r.followUps)
        if (!tmx7::IsQueryable(code))
            std::abort();
    // The rewrite never grows the text by more than a colon line per header.
    const auto& text = std::get<tmx7::Received>(r.events.back()).text;
    if (text.size() > size * 3 + 1)
        std::abort();
    return 0;
}
