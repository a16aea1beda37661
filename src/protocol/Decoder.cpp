#include "protocol/Decoder.h"

#include "protocol/Catalogue.h"
#include "protocol/Fields.h"

#include <algorithm>

namespace tmx7 {

namespace {

struct PacketView {
    const std::uint8_t* bytes;
    std::size_t n;
};

constexpr std::size_t kHeaderLength = 10;

// Position of the first whole header of `code` at or after `from`.
std::size_t FindHeader(PacketView p, CommandCode code, std::size_t from) {
    if (from >= p.n)
        return p.n;
    const QueryFrame header = AnswerHeader(code);
    const std::uint8_t* end = p.bytes + p.n;
    return static_cast<std::size_t>(std::search(p.bytes + from, end, header.begin(), header.end()) -
                                    p.bytes);
}

// Whether the full preamble starts at `pos`.
bool PreambleAt(PacketView p, std::size_t pos) {
    return pos + kPreamble.size() <= p.n &&
           std::equal(kPreamble.begin(), kPreamble.end(), p.bytes + pos);
}

// The value bytes of the first answer of `code` that carries all `length` of
// them. A header followed directly by the next preamble is the module's echo
// of our own query, not an answer: it is passed over.
const std::uint8_t* FindAnswerValue(PacketView p, CommandCode code, std::size_t length) {
    std::size_t pos = FindHeader(p, code, 0);
    while (pos < p.n) {
        const std::size_t value = pos + kHeaderLength;
        if (value + length > p.n)
            return nullptr; // truncated; nothing can follow it
        if (!PreambleAt(p, value))
            return p.bytes + value;
        pos = FindHeader(p, code, pos + 1);
    }
    return nullptr;
}

// The table steps: the rows are tried in table order and the first row found
// anywhere in the packet wins, whatever the order in the packet. `prefix`
// value bytes (all zero) stand before the table code, as in the frequency
// answer "00 00 channel".
std::optional<std::string_view> FindTableAnswer(PacketView p, CommandCode code,
                                                std::span<const CodeText> table,
                                                std::size_t prefix = 0) {
    const QueryFrame header = AnswerHeader(code);
    std::array<std::uint8_t, kHeaderLength + 3> pattern{};
    std::copy(header.begin(), header.end(), pattern.begin());
    const std::size_t length = kHeaderLength + prefix + 1;
    for (const auto& row : table) {
        pattern[kHeaderLength + prefix] = row.code;
        const std::uint8_t* end = p.bytes + p.n;
        if (std::search(p.bytes, end, pattern.begin(), pattern.begin() + length) != end)
            return row.text;
    }
    return std::nullopt;
}

bool HasAnswer(PacketView p, CommandCode code, std::uint8_t value) {
    const std::array<CodeText, 1> one{{{value, {}}}};
    return FindTableAnswer(p, code, one).has_value();
}

class Step {
public:
    Step(DecoderState& s, std::vector<Event>& e, std::vector<CommandCode>& f)
        : state(s), events(e), followUps(f) {}

    // Built in place: GCC 12 reports a spurious maybe-uninitialized string
    // when a string-free alternative is moved into the variant.
    void Show(Field field, std::string text) {
        events.emplace_back(std::in_place_type<ValueShown>, ValueShown{field, std::move(text)});
    }
    void Enable(Command command, bool on) {
        events.emplace_back(std::in_place_type<CommandEnabled>, CommandEnabled{command, on});
    }
    void ShowPage(Page page) {
        events.emplace_back(std::in_place_type<PageShown>, PageShown{page, true});
    }

    DecoderState& state;
    std::vector<Event>& events;
    std::vector<CommandCode>& followUps;
};

void DecodeVersion(PacketView p, Step& s) {
    std::size_t pos = FindHeader(p, CmdVersion, 0);
    while (pos < p.n) {
        const std::size_t value = pos + kHeaderLength;
        if (value + 6 > p.n)
            return;
        // A 1F where the text should start is the next frame's preamble: the
        // module echoed our query and the answer (if any) comes after it.
        if (p.bytes[value] != 0x1F) {
            std::string v = FormatVersion({p.bytes + value, 6});
            s.Show(Field::Version, v);
            s.state.params.version = std::move(v);
            return;
        }
        pos = FindHeader(p, CmdVersion, pos + 1);
    }
}

void DecodeSerialMode(PacketView p, Step& s) {
    DecoderState& st = s.state;
    if (HasAnswer(p, CmdSerialMode, 0x00)) {
        s.Show(Field::SerialMode, "主动模式");
        st.params.serialMode = "主动模式";
        s.Enable(Command::ReadData, false);
        s.Enable(Command::CheckMemory, false);
        st.serialMode = 0;
        st.passiveTab = false;
        s.Enable(Command::SetPassiveAddress, false);
    } else if (HasAnswer(p, CmdSerialMode, 0x01)) {
        s.followUps.push_back(CmdPassiveAddr);
        s.Enable(Command::ContinuousSend, true);
        s.Enable(Command::Send, true);
        s.Enable(Command::ReadData, true);
        s.Enable(Command::CheckMemory, true);
        st.serialMode = 1;
        s.Show(Field::SerialMode, "被动模式");
        st.params.serialMode = "被动模式";
        if (!st.passiveTab) {
            s.ShowPage(Page::Passive);
            s.Enable(Command::SetPassiveAddress, true);
        }
        st.passiveTab = true;
    } else if (HasAnswer(p, CmdSerialMode, 0x02)) {
        s.Show(Field::SerialMode, "MODBUS");
        s.Enable(Command::ReadData, false);
        s.Enable(Command::CheckMemory, false);
        st.serialMode = 2;
        s.Enable(Command::SetPassiveAddress, false);
        st.params.serialMode = "MODBUS";
        st.passiveTab = false;
    }
}

void DecodePowerSaving(PacketView p, Step& s) {
    if (!HasAnswer(p, CmdPowerMode, 0x01))
        return;
    DecoderState& st = s.state;
    s.Show(Field::PowerMode, "省电模式");
    st.params.powerMode = "省电模式";
    if (!st.saveTab)
        s.ShowPage(Page::PowerSaving);
    st.saveTab = true;
    s.Enable(Command::SetWakeDelay, true);
    s.Enable(Command::SetSaveAddress, true);
    s.Enable(Command::SetSleepPeriod, true);
    for (CommandCode c : {CmdWakeDelay, CmdSaveAddr, CmdSleepPeriod, CmdAddrParams})
        s.followUps.push_back(c);
}

void DecodeNormalPower(PacketView p, Step& s) {
    if (!HasAnswer(p, CmdPowerMode, 0x00))
        return;
    s.Show(Field::PowerMode, "普通模式");
    s.state.params.powerMode = "普通模式";
    s.state.saveTab = false;
    s.Enable(Command::SetWakeDelay, false);
    s.Enable(Command::SetSaveAddress, false);
    s.Enable(Command::SetSleepPeriod, false);
}

} // namespace

void ResetSerialHalves(DecoderState& state) {
    state.baudText = kUnknownHalf;
    state.formatText = kUnknownHalf;
}

bool ContainsAnswerHeader(const std::uint8_t* bytes, std::size_t n, CommandCode code) {
    return bytes != nullptr && FindHeader({bytes, n}, code, 0) < n;
}

void DecodePacketInto(const std::uint8_t* bytes, std::size_t n, DecoderState& state,
                      std::vector<Event>& events, std::vector<CommandCode>& followUps) {
    if (bytes == nullptr)
        n = 0;
    const PacketView p{bytes, n};
    Step s(state, events, followUps);
    ParamSet& params = state.params;

    DecodeVersion(p, s); // D1

    if (auto t = FindTableAnswer(p, CmdAirRate, kAirRateTexts)) { // D2
        s.Show(Field::AirRate, std::string(*t));
        params.airRate = *t;
    }
    if (auto t = FindTableAnswer(p, CmdSerialBaud, kSerialBaudTexts)) // D3
        state.baudText = *t;
    if (auto t = FindTableAnswer(p, CmdSerialFormat, kSerialFormatTexts)) // D4
        state.formatText = *t;
    // D5: every packet, answer or not, puts the remembered halves back.
    s.Show(Field::SerialFormat, state.baudText + state.formatText);
    params.serialFormat = state.formatText;
    params.serialBaud = state.baudText;

    if (auto t = FindTableAnswer(p, CmdTxPower, kTxPowerTexts)) { // D6
        s.Show(Field::TxPower, std::string(*t));
        params.power = *t;
    }
    if (auto t = FindTableAnswer(p, CmdFrequency, kFrequencyTexts, 2)) { // D7
        s.Show(Field::TxFrequency, std::string(*t));
        s.Show(Field::RxFrequency, std::string(*t));
        params.frequency = *t;
    }
    if (const auto* v = FindAnswerValue(p, CmdGroup, 1)) { // D8
        params.group = FormatHexByte(v[0]);
        s.Show(Field::Group, params.group);
    }
    DecodeSerialMode(p, s);                                      // D9
    if (const auto* v = FindAnswerValue(p, CmdPassiveAddr, 2)) { // D10
        std::string text = FormatHexPairs(v[0], v[1]);
        s.Show(Field::PassiveAddr, text);
        state.passiveAddr = text;
        params.passiveAddr = std::move(text);
    }
    DecodePowerSaving(p, s);                                     // D11
    if (const auto* v = FindAnswerValue(p, CmdSleepPeriod, 1)) { // D12
        params.sleepPeriod = FormatSleepPeriod(v[0]);
        s.Show(Field::SleepPeriod, params.sleepPeriod);
    }
    if (const auto* v = FindAnswerValue(p, CmdSaveAddr, 2)) { // D13
        params.saveAddr = FormatHexPairs(v[0], v[1]);
        s.Show(Field::SaveAddr, params.saveAddr);
    }
    if (const auto* v = FindAnswerValue(p, CmdWakeDelay, 2)) { // D14
        params.wakeDelay = FormatWakeDelay(v[0], v[1]);
        s.Show(Field::WakeDelay, params.wakeDelay);
    }
    if (const auto* v = FindAnswerValue(p, CmdAddrParams, 4)) { // D15: shown only
        s.Show(Field::AddrStart, FormatHexByte(v[0]));
        s.Show(Field::AddrLength, FormatHexByte(v[1]));
        s.Show(Field::GroupMax, FormatHexByte(v[2]));
        s.Show(Field::AddrType,
               std::string(TextForCode(kAddrTypeTexts, v[3]).value_or(kAddrTypeFallback)));
    }
    DecodeNormalPower(p, s); // D16

    events.push_back(Received{RewriteForDisplay(BytesToHexText(bytes, n))});
}

DecodeResult DecodePacket(const std::uint8_t* bytes, std::size_t n, const DecoderState& in) {
    DecodeResult r{in, {}, {}};
    DecodePacketInto(bytes, n, r.state, r.events, r.followUps);
    return r;
}

std::string RewriteAnswerHeader(std::string_view text, std::string_view pattern,
                                std::string_view replacement, int cut) {
    const std::size_t p = text.find(pattern);
    if (p == std::string_view::npos || pattern.empty())
        return std::string(text);
    const std::size_t afterBlank = p + pattern.size() + 1;
    std::size_t resume = afterBlank;
    // With the next frame right behind the header, only the header and its
    // blank go; the cut would otherwise eat into that frame's preamble.
    if (text.substr(std::min(afterBlank, text.size()), 2) != "1F")
        resume += static_cast<std::size_t>(std::max(cut, 0));
    std::string out;
    out.reserve(text.size() + replacement.size());
    out.append(text.substr(0, p));
    out.append(replacement);
    if (resume < text.size())
        out.append(text.substr(resume));
    return out;
}

std::string RewriteForDisplay(std::string text) {
    const RewriteRow& first = kRewriteRows[0];
    text = RewriteAnswerHeader(text, first.pattern, first.replacement, first.cut);
    for (std::size_t i = 1; i < kRewriteRows.size(); ++i) {
        const RewriteRow& row = kRewriteRows[i];
        // Each pass removes the occurrence it found and the replacement holds
        // no blank, so the pattern count falls by one per pass.
        while (text.find(row.pattern) != std::string::npos)
            text = RewriteAnswerHeader(text, row.pattern, row.replacement, row.cut);
    }
    return text;
}

} // namespace tmx7
