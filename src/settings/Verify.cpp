#include "settings/Verify.h"

#include "protocol/Decoder.h"

#include <algorithm>

namespace tmx7 {

std::vector<Expectation> ExpectedAfter(std::span<const Frame> frames) {
    std::array<std::optional<std::string>, kFieldCount> wanted;
    for (const Frame& frame : frames) {
        if (frame.size() < kPreamble.size() + 2 || frame[kPreamble.size() + 1] != kAccessSet)
            continue;
        const auto code = static_cast<CommandCode>(frame[kPreamble.size()]);
        if (code == CmdSerialFormat || code == CmdSerialBaud)
            continue;
        // The module answers a set with the value it now holds, in the
        // answer's layout: the set frame with the query's access byte.
        Frame answer = frame;
        answer[kPreamble.size() + 1] = kAccessQuery;
        const DecodeResult decoded = DecodePacket(answer.data(), answer.size(), DecoderState{});
        for (const Event& event : decoded.events) {
            const auto* shown = std::get_if<ValueShown>(&event);
            if (shown && InfoOf(shown->field).code == code)
                wanted[static_cast<std::size_t>(shown->field)] = shown->text;
        }
    }
    std::vector<Expectation> out;
    for (const auto& row : kFields)
        if (const auto& w = wanted[static_cast<std::size_t>(row.field)])
            out.push_back({row.field, *w});
    return out;
}

Verification Verify(const std::vector<Expectation>& wanted,
                    const std::array<std::string, kFieldCount>& shown,
                    const std::array<bool, 3>& pages) {
    Verification v;
    for (const Expectation& e : wanted) {
        if (!pages[static_cast<std::size_t>(InfoOf(e.field).page)]) {
            v.unchecked.push_back(e.field);
            continue;
        }
        const std::string& has = shown[static_cast<std::size_t>(e.field)];
        if (has == e.wanted)
            v.confirmed.push_back(e);
        else
            v.differences.push_back({e.field, e.wanted, has});
    }
    return v;
}

Verification Verify(const std::vector<Expectation>& wanted, const ShownValues& shown) {
    return Verify(wanted, shown.Values(),
                  {true, shown.PageThere(Page::PowerSaving), shown.PageThere(Page::Passive)});
}

std::string DifferenceText(const Difference& d) {
    return std::string(KeyOf(d.field)) + ": wanted " + d.wanted + ", module has " + d.has;
}

} // namespace tmx7
