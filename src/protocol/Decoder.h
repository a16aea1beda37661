#pragma once
// Turns one received packet into what the display must show: the decoded
// parameters, the side effects some answers carry (pages, commands enabled
// or greyed), the follow-up queries those answers call for, and the packet's
// text for the receive area. A pure function of the packet and the decoder
// state, so every case is testable without a thread or a port.
//
// An answer is recognised only by its whole header, preamble, code and 03,
// and only when every value byte the step reads is inside the packet. Test
// data that merely contains "8F E7 03 05" is test data.

#include "protocol/Events.h"
#include "protocol/Frames.h"
#include "protocol/ParamSet.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

// Marks a half of the serial-format display that no answer has filled.
inline constexpr std::string_view kUnknownHalf = "****";

struct DecoderState {
    // Last decoded halves of the serial-format display.
    std::string baudText{kUnknownHalf};
    std::string formatText{kUnknownHalf};
    ParamSet params;
    std::string passiveAddr; // second copy used by the passive-mode data frames
    int serialMode = -1;     // -1 unknown, 0 active, 1 passive, 2 MODBUS
    bool saveTab = false;    // power-saving page present
    bool passiveTab = false; // passive page present

    bool operator==(const DecoderState&) const = default;
};

// A refresh forgets the halves, so a stray packet after it cannot show the
// previous settings as if they had just been read.
void ResetSerialHalves(DecoderState& state);

struct DecodeResult {
    DecoderState state;
    std::vector<Event> events;          // in the order they must take effect
    std::vector<CommandCode> followUps; // queries to write, each followed by its pause
};

DecodeResult DecodePacket(const std::uint8_t* bytes, std::size_t n, const DecoderState& in);
// The same, updating `state` in place and appending to the two lists.
void DecodePacketInto(const std::uint8_t* bytes, std::size_t n, DecoderState& state,
                      std::vector<Event>& events, std::vector<CommandCode>& followUps);

// True when the packet holds the whole answer header of `code`.
bool ContainsAnswerHeader(const std::uint8_t* bytes, std::size_t n, CommandCode code);

// ---- receive-area text --------------------------------------------------------

// A recognised answer header is shown in its colon form; `cut` is the number
// of characters after the header's blank that go with it (three per value byte).
struct RewriteRow {
    std::string_view pattern;
    std::string_view replacement;
    int cut;
};

// clang-format off
inline constexpr std::array<RewriteRow, 15> kRewriteRows = {{
    {"1F 2F 3F 4F 5F 6F 7F 8F EC 03", "1F:2F:3F:4F:5F:6F:7F:8F:EC\n",  18},
    {"1F 2F 3F 4F 5F 6F 7F 8F F2 03", "1F:2F:3F:4F:5F:6F:7F:8F:F2\n",   3},
    {"1F 2F 3F 4F 5F 6F 7F 8F FB 03", "1F:2F:3F:4F:5F:6F:7F:8F:FB\n",   3},
    {"1F 2F 3F 4F 5F 6F 7F 8F FC 03", "1F:2F:3F:4F:5F:6F:7F:8F:FC\n",   3},
    {"1F 2F 3F 4F 5F 6F 7F 8F F8 03", "1F:2F:3F:4F:5F:6F:7F:8F:F8\n",   3},
    {"1F 2F 3F 4F 5F 6F 7F 8F AB 03", "1F:2F:3F:4F:5F:6F:7F:8F:AB\n",   3},
    {"1F 2F 3F 4F 5F 6F 7F 8F E2 03", "1F:2F:3F:4F:5F:6F:7F:8F:E2\n",   6},
    {"1F 2F 3F 4F 5F 6F 7F 8F FF 03", "1F:2F:3F:4F:5F:6F:7F:8F:FF\n",  18},
    {"1F 2F 3F 4F 5F 6F 7F 8F E7 03", "1F:2F:3F:4F:5F:6F:7F:8F:E7\n",   3},
    {"1F 2F 3F 4F 5F 6F 7F 8F F7 03", "1F:2F:3F:4F:5F:6F:7F:8F:F7:\n",  0},
    {"1F 2F 3F 4F 5F 6F 7F 8F A5 03", "1F:2F:3F:4F:5F:6F:7F:8F:A5:\n",  3},
    {"1F 2F 3F 4F 5F 6F 7F 8F A3 03", "1F:2F:3F:4F:5F:6F:7F:8F:A3:\n",  3},
    {"1F 2F 3F 4F 5F 6F 7F 8F A1 03", "1F:2F:3F:4F:5F:6F:7F:8F:A1:\n",  3},
    {"1F 2F 3F 4F 5F 6F 7F 8F A4 03", "1F:2F:3F:4F:5F:6F:7F:8F:A4:\n",  3},
    {"1F 2F 3F 4F 5F 6F 7F 8F FA 03", "1F:2F:3F:4F:5F:6F:7F:8F:FA:\n",  3},
}};
// clang-format on

// Rewrites the first occurrence of `pattern` in `text`: the text before it,
// the replacement, then the rest after the pattern, its blank and `cut` more
// characters. When the next frame follows directly ("1F" right after the
// pattern's blank) only the pattern and its blank go, so that frame is shown
// whole. Returns the text unchanged when the pattern is absent.
std::string RewriteAnswerHeader(std::string_view text, std::string_view pattern,
                                std::string_view replacement, int cut);

// The receive-area form of a rendered packet: the first row once, every other
// row for as long as its pattern occurs.
std::string RewriteForDisplay(std::string text);

} // namespace tmx7
