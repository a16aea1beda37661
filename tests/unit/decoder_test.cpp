#include "protocol/Decoder.h"

#include "protocol/Catalogue.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace tmx7 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Answer(CommandCode code, std::initializer_list<std::uint8_t> value) {
    const auto header = AnswerHeader(code);
    Bytes out(header.begin(), header.end());
    out.reserve(out.size() + value.size());
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

Bytes Query(CommandCode code) {
    const auto q = MakeQueryFrame(code);
    return Bytes(q.begin(), q.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

DecodeResult Decode(const Bytes& packet, const DecoderState& state = {}) {
    return DecodePacket(packet.data(), packet.size(), state);
}

// The last text a batch shows for a field, if any.
std::optional<std::string> TextOf(const std::vector<Event>& events, Field field) {
    std::optional<std::string> text;
    for (const auto& e : events)
        if (const auto* s = std::get_if<ValueShown>(&e); s && s->field == field)
            text = s->text;
    return text;
}

std::string Appended(const std::vector<Event>& events) {
    EXPECT_FALSE(events.empty());
    const auto* a = std::get_if<Received>(&events.back());
    EXPECT_NE(a, nullptr) << "the receive text must come last";
    return a ? a->text : std::string();
}

template <typename T> std::size_t CountOf(const std::vector<Event>& events) {
    std::size_t n = 0;
    for (const auto& e : events)
        n += std::holds_alternative<T>(e) ? 1 : 0;
    return n;
}

// What a packet without any decodable answer does: only the serial-format
// halves and the receive text (headers still in colon form), nothing else.
void ExpectNoAnswer(const Bytes& packet, const DecoderState& before, const char* what) {
    const DecodeResult r = Decode(packet, before);
    DecoderState expected = before;
    expected.params.serialFormat = before.formatText;
    expected.params.serialBaud = before.baudText;
    EXPECT_EQ(r.state, expected) << what;
    EXPECT_TRUE(r.followUps.empty()) << what;
    ASSERT_EQ(r.events.size(), 2u) << what;
    EXPECT_EQ(r.events[0],
              Event(ValueShown{Field::SerialFormat, before.baudText + before.formatText}))
        << what;
    EXPECT_TRUE(std::holds_alternative<Received>(r.events[1])) << what;
}

// The ends of the tables; every other value comes in SeveralAnswersInOnePacket.
TEST(Decoder, TableAnswersShowTheirStrings) {
    const std::tuple<Bytes, Field, const char*> cases[] = {
        {Answer(CmdAirRate, {0x03}), Field::AirRate, "1200bps"},
        {Answer(CmdTxPower, {0x00}), Field::TxPower, "0"},
        {Answer(CmdFrequency, {0, 0, 0x10, 0, 0, 0}), Field::TxFrequency, "435.000MHz"},
        {Answer(CmdFrequency, {0, 0, 0x00, 0, 0, 0}), Field::RxFrequency, "431.000MHz"},
        {Answer(CmdSerialMode, {0x02}), Field::SerialMode, "MODBUS"},
        {Answer(CmdGroup, {0x1F}), Field::Group, "1F"}, // a preamble byte, at the very end
        {Answer(CmdSleepPeriod, {0xFA}), Field::SleepPeriod, "500"},
        {Answer(CmdWakeDelay, {0x01, 0x00}), Field::WakeDelay, "76.8"},
    };
    for (const auto& [packet, field, text] : cases)
        EXPECT_EQ(TextOf(Decode(packet).events, field), text) << text;
    // The passive data frames use a copy of their own.
    EXPECT_EQ(Decode(Answer(CmdPassiveAddr, {0x31, 0x41})).state.passiveAddr, "31 41");
}

TEST(Decoder, TableOrderWinsOverPacketOrder) {
    const DecodeResult r = Decode(Cat({Answer(CmdAirRate, {0x07}), Answer(CmdAirRate, {0x04})}));
    EXPECT_EQ(TextOf(r.events, Field::AirRate), "2400bps");
    const DecodeResult f = Decode(Cat({Answer(CmdFrequency, {0, 0, 0x09, 0, 0, 0}),
                                       Answer(CmdFrequency, {0, 0, 0x02, 0, 0, 0})}));
    EXPECT_EQ(f.state.params.frequency, "431.500MHz");
}

TEST(Decoder, SerialFormatHalvesAreRememberedAndShownForEveryPacket) {
    DecodeResult r = Decode(Answer(CmdSerialBaud, {0x06}));
    EXPECT_EQ(TextOf(r.events, Field::SerialFormat), "9600,****");
    EXPECT_EQ(r.state.params.serialBaud, "9600,");
    EXPECT_EQ(r.state.params.serialFormat, "****");

    r = Decode(Answer(CmdSerialFormat, {0x00}), r.state);
    EXPECT_EQ(TextOf(r.events, Field::SerialFormat), "9600,n.8.1");
    EXPECT_EQ(r.state.params.serialFormat, "n.8.1");

    const Bytes testData = {0x01, 0x02, 0x03};
    ExpectNoAnswer(testData, r.state, "test data after both halves");
    r = Decode(testData, r.state);
    EXPECT_EQ(TextOf(r.events, Field::SerialFormat), "9600,n.8.1");

    ResetSerialHalves(r.state);
    r = Decode(testData, r.state);
    EXPECT_EQ(TextOf(r.events, Field::SerialFormat), "********");
    EXPECT_EQ(r.state.params.serialBaud, "****");
}

TEST(Decoder, PacketWithoutAnswerIsPlainText) {
    ExpectNoAnswer({0x01, 0x02, 0x03}, {}, "three bytes");
    ExpectNoAnswer({}, {}, "empty packet");
    const DecodeResult r = DecodePacket(nullptr, 5, {});
    EXPECT_EQ(Appended(r.events), "");
}

TEST(Decoder, ValuesOutsideTheTablesChangeNothing) {
    DecoderState before;
    before.params.airRate = "9600bps";
    before.formatText = "n.8.1";
    for (const Bytes& packet :
         {Answer(CmdAirRate, {0x0A}), Answer(CmdSerialFormat, {0x01}), Answer(CmdTxPower, {0x08}),
          Answer(CmdSerialBaud, {0x02}), Answer(CmdFrequency, {0, 0, 0x11, 0, 0, 0}),
          Answer(CmdFrequency, {1, 0, 0x05, 0, 0, 0}), Answer(CmdSerialMode, {0x03}),
          Answer(CmdPowerMode, {0x02})}) {
        const DecodeResult r = Decode(packet, before);
        EXPECT_EQ(r.state.params.airRate, "9600bps");
        EXPECT_EQ(r.state.formatText, "n.8.1");
        EXPECT_EQ(r.events.size(), 2u) << BytesToHexText(packet);
        EXPECT_TRUE(r.followUps.empty());
    }
}

TEST(Decoder, VersionLooksAheadForTheNextPreamble) {
    // First value byte 1F: the next frame follows; no version from it.
    Bytes echoed = Cat({Query(CmdVersion), Query(CmdAirRate)});
    DecodeResult r = Decode(echoed);
    EXPECT_EQ(TextOf(r.events, Field::Version), std::nullopt);
    EXPECT_EQ(r.state.params.version, "");

    r = Decode(Answer(CmdVersion, {0x31, 0x2E, 0x30, 0x41, 0x42, 0x43}));
    EXPECT_EQ(r.state.params.version, "1.0ABC");

    // The echo, then the real answer in the same packet: the answer counts.
    r = Decode(Cat({Query(CmdVersion), Answer(CmdVersion, {'V', '2', '.', '0', '1', 'X'})}));
    EXPECT_EQ(r.state.params.version, "V2.01X");
}

TEST(Decoder, TruncatedAnswersChangeNothing) {
    DecoderState before;
    before.params.version = "OLDVER";
    before.params.sleepPeriod = "10";
    const Bytes cases[] = {
        Answer(CmdVersion, {'A', 'B', 'C'}),
        Answer(CmdVersion, {'A', 'B', 'C', 'D', 'E'}),
        Answer(CmdGroup, {}),
        Answer(CmdPassiveAddr, {0x30}),
        Answer(CmdSleepPeriod, {}),
        Answer(CmdSaveAddr, {0x00}),
        Answer(CmdWakeDelay, {0x01}),
        Answer(CmdAddrParams, {0x01, 0x02, 0x03}),
        Answer(CmdAirRate, {}),
        Answer(CmdFrequency, {0x00, 0x00}),
        Answer(CmdSerialMode, {}),
        Answer(CmdPowerMode, {}),
        Bytes{0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xE7},
    };
    for (const Bytes& packet : cases)
        ExpectNoAnswer(packet, before, BytesToHexText(packet).c_str());
}

TEST(Decoder, QueryEchoesAreNotAnswers) {
    for (const auto& row : kCommands) {
        if (!IsQueryable(row.code))
            continue;
        ExpectNoAnswer(Query(row.code), {}, std::string(row.name).c_str());
        // Echoed queries back to back: each header is followed by a preamble.
        const Bytes burst = Cat({Query(row.code), Query(row.code), Query(row.code)});
        const DecodeResult r = Decode(burst);
        EXPECT_EQ(r.events.size(), 2u) << row.name;
        EXPECT_TRUE(r.followUps.empty()) << row.name;
    }
    // An echo followed by the answer: the answer, not the preamble, is read.
    const DecodeResult g = Decode(Cat({Query(CmdGroup), Answer(CmdGroup, {0x05})}));
    EXPECT_EQ(g.state.params.group, "05");
    const DecodeResult w = Decode(Cat({Query(CmdWakeDelay), Answer(CmdWakeDelay, {0x00, 0x02})}));
    EXPECT_EQ(w.state.params.wakeDelay, "0.6");
    // A group 1F directly followed by another frame is still group 1F.
    const DecodeResult v = Decode(Cat({Answer(CmdGroup, {0x1F}), Answer(CmdAirRate, {0x06})}));
    EXPECT_EQ(v.state.params.group, "1F");
    EXPECT_EQ(v.state.params.airRate, "9600bps");
}

TEST(Decoder, AnswerLikeUserDataIsOnlyShown) {
    DecoderState before;
    before.serialMode = 0;
    const Bytes cases[] = {
        {0x8F, 0xE7, 0x03, 0x05},
        {0x11, 0x8F, 0xE7, 0x03, 0x05, 0x22},
        {0x7F, 0x8F, 0xF8, 0x03, 0x01},
        {0x8F, 0xA5, 0x03, 0x01},
        {0x8F, 0xEC, 0x03, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36},
        {0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFC, 0x03, 0x06},
        {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F, 0xFC, 0x01, 0x06}, // a set, not an answer
        {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7E, 0x8F, 0xE7, 0x03, 0x05},
    };
    for (const Bytes& packet : cases) {
        ExpectNoAnswer(packet, before, BytesToHexText(packet).c_str());
        EXPECT_EQ(Appended(Decode(packet, before).events), BytesToHexText(packet));
    }
}

TEST(Decoder, PassiveAnswerQueriesTheAddressAndInsertsThePageOnce) {
    DecodeResult r = Decode(Answer(CmdSerialMode, {0x01}));
    const std::vector<Event> expected = {
        ValueShown{Field::SerialFormat, "********"},
        CommandEnabled{Command::ContinuousSend, true},
        CommandEnabled{Command::Send, true},
        CommandEnabled{Command::ReadData, true},
        CommandEnabled{Command::CheckMemory, true},
        ValueShown{Field::SerialMode, "被动模式"},
        PageShown{Page::Passive, true},
        CommandEnabled{Command::SetPassiveAddress, true},
        Received{"1F:2F:3F:4F:5F:6F:7F:8F:F8\n"},
    };
    EXPECT_EQ(r.events, expected);
    EXPECT_EQ(r.followUps, std::vector<CommandCode>{CmdPassiveAddr});
    EXPECT_EQ(r.state.serialMode, 1);
    EXPECT_TRUE(r.state.passiveTab);
    EXPECT_EQ(r.state.params.serialMode, "被动模式");

    r = Decode(Answer(CmdSerialMode, {0x01}), r.state);
    EXPECT_EQ(CountOf<PageShown>(r.events), 0u);
    EXPECT_EQ(CountOf<CommandEnabled>(r.events), 4u) << "the four buttons only";
    EXPECT_EQ(r.followUps, std::vector<CommandCode>{CmdPassiveAddr});

    // Back to active: buttons off, menu greyed, flag cleared, page left alone.
    r = Decode(Answer(CmdSerialMode, {0x00}), r.state);
    const std::vector<Event> active = {
        ValueShown{Field::SerialFormat, "********"},
        ValueShown{Field::SerialMode, "主动模式"},
        CommandEnabled{Command::ReadData, false},
        CommandEnabled{Command::CheckMemory, false},
        CommandEnabled{Command::SetPassiveAddress, false},
        Received{"1F:2F:3F:4F:5F:6F:7F:8F:F8\n"},
    };
    EXPECT_EQ(r.events, active);
    EXPECT_EQ(r.state.serialMode, 0);
    EXPECT_FALSE(r.state.passiveTab);

    r = Decode(Answer(CmdSerialMode, {0x02}), r.state);
    EXPECT_EQ(r.state.serialMode, 2);
    EXPECT_EQ(r.state.params.serialMode, "MODBUS");
    EXPECT_EQ(CountOf<PageShown>(r.events), 0u);
}

TEST(Decoder, PowerSavingAnswerQueriesItsParametersInOrder) {
    DecodeResult r = Decode(Answer(CmdPowerMode, {0x01}));
    const std::vector<Event> expected = {
        ValueShown{Field::SerialFormat, "********"},
        ValueShown{Field::PowerMode, "省电模式"},
        PageShown{Page::PowerSaving, true},
        CommandEnabled{Command::SetWakeDelay, true},
        CommandEnabled{Command::SetSaveAddress, true},
        CommandEnabled{Command::SetSleepPeriod, true},
        Received{"1F:2F:3F:4F:5F:6F:7F:8F:A5:\n"},
    };
    EXPECT_EQ(r.events, expected);
    EXPECT_EQ(r.followUps,
              (std::vector<CommandCode>{CmdWakeDelay, CmdSaveAddr, CmdSleepPeriod, CmdAddrParams}));
    EXPECT_TRUE(r.state.saveTab);

    r = Decode(Answer(CmdPowerMode, {0x01}), r.state);
    EXPECT_EQ(CountOf<PageShown>(r.events), 0u);
    EXPECT_EQ(r.followUps.size(), 4u);

    r = Decode(Answer(CmdPowerMode, {0x00}), r.state);
    const std::vector<Event> normal = {
        ValueShown{Field::SerialFormat, "********"},
        ValueShown{Field::PowerMode, "普通模式"},
        CommandEnabled{Command::SetWakeDelay, false},
        CommandEnabled{Command::SetSaveAddress, false},
        CommandEnabled{Command::SetSleepPeriod, false},
        Received{"1F:2F:3F:4F:5F:6F:7F:8F:A5:\n"},
    };
    EXPECT_EQ(r.events, normal);
    EXPECT_FALSE(r.state.saveTab);
    EXPECT_TRUE(r.followUps.empty());
}

TEST(Decoder, AddressParametersAreShownOnly) {
    for (const auto& [type, text] : {std::pair{0x01, "ASC"}, {0x02, "HEX"}, {0x03, "ASC"}}) {
        const DecodeResult r =
            Decode(Answer(CmdAddrParams, {0x01, 0x0A, 0xFF, static_cast<std::uint8_t>(type)}));
        EXPECT_EQ(TextOf(r.events, Field::AddrStart), "01");
        EXPECT_EQ(TextOf(r.events, Field::AddrLength), "0A");
        EXPECT_EQ(TextOf(r.events, Field::GroupMax), "FF");
        EXPECT_EQ(TextOf(r.events, Field::AddrType), text);
        EXPECT_EQ(r.state.params.addrType, "") << "not a parameter of the set";
    }
    // No rewrite row: the answer stays plain hex text.
    EXPECT_EQ(Appended(Decode(Answer(CmdAddrParams, {0x01, 0x0A, 0xFF, 0x00})).events),
              "1F 2F 3F 4F 5F 6F 7F 8F E1 03 01 0A FF 00 ");
}

TEST(Decoder, SeveralAnswersInOnePacketAreAllDecoded) {
    const Bytes packet = Cat({
        Answer(CmdVersion, {'T', 'M', 'X', '7', '0', '1'}),
        Answer(CmdAirRate, {0x06}),
        Answer(CmdSerialBaud, {0x06}),
        Answer(CmdSerialFormat, {0x05}),
        Answer(CmdTxPower, {0x07}),
        Answer(CmdFrequency, {0, 0, 0x08, 0, 0, 0}),
        Answer(CmdGroup, {0x12}),
        Answer(CmdSerialMode, {0x01}),
        Answer(CmdPowerMode, {0x01}),
        Answer(CmdPassiveAddr, {0x30, 0x31}),
        Answer(CmdSleepPeriod, {0x05}),
        Answer(CmdSaveAddr, {0xAB, 0xCD}),
        Answer(CmdWakeDelay, {0x00, 0x0A}),
        Answer(CmdAddrParams, {0x01, 0x02, 0x03, 0x02}),
    });
    const DecodeResult r = Decode(packet);
    ParamSet expected;
    expected.version = "TMX701";
    expected.airRate = "9600bps";
    expected.serialBaud = "9600,";
    expected.serialFormat = "e.8.1";
    expected.power = "7";
    expected.frequency = "433.000MHz";
    expected.group = "12";
    expected.serialMode = "被动模式";
    expected.powerMode = "省电模式";
    expected.passiveAddr = "30 31";
    expected.sleepPeriod = "10";
    expected.saveAddr = "AB CD";
    expected.wakeDelay = "3.0";
    EXPECT_EQ(r.state.params, expected);
    EXPECT_EQ(TextOf(r.events, Field::SerialFormat), "9600,e.8.1");
    EXPECT_EQ(TextOf(r.events, Field::AddrType), "HEX");
    EXPECT_EQ(r.followUps, (std::vector<CommandCode>{CmdPassiveAddr, CmdWakeDelay, CmdSaveAddr,
                                                     CmdSleepPeriod, CmdAddrParams}));
    EXPECT_EQ(CountOf<PageShown>(r.events), 2u);
    EXPECT_EQ(Appended(r.events), "1F:2F:3F:4F:5F:6F:7F:8F:EC\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:FC\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:F2\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:AB\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:FB\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:FF\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:E7\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:F8\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:A5:\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:E2\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:A4:\n"
                                  "1F:2F:3F:4F:5F:6F:7F:8F:A3:\nCD "
                                  "1F:2F:3F:4F:5F:6F:7F:8F:A1:\n0A "
                                  "1F 2F 3F 4F 5F 6F 7F 8F E1 03 01 02 03 02 ");
}

TEST(ComputedDisplays, EndsOfTheRangesAndTheVersionBytes) {
    EXPECT_EQ(FormatSleepPeriod(0x00), "0");
    EXPECT_EQ(FormatSleepPeriod(0xFF), "510");
    EXPECT_EQ(FormatWakeDelay(0x00, 0x00), "0.0");
    EXPECT_EQ(FormatWakeDelay(0xFF, 0xFF), "19660.5");
    const std::uint8_t withNul[] = {'V', '1', 0x00, 'X', 'Y', 'Z'};
    EXPECT_EQ(FormatVersion(withNul), "V1");
    // Code page 936 on the wire, UTF-8 in memory; a character cut in half by
    // the field's end is replaced, never passed on as a stray byte.
    const std::uint8_t gbk[] = {'V', '2', 0xB0, 0xE6, 0xB1, 0x00};
    EXPECT_EQ(FormatVersion(gbk), "V2\xE7\x89\x88\xEF\xBF\xBD");
    for (int c = 0; c <= 0xFFFF; c += 7) {
        char text[32];
        std::snprintf(text, sizeof text, "%0.1f", c * 0.3);
        ASSERT_EQ(FormatWakeDelay(static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)),
                  text)
            << c;
    }
    // A decimal comma in the process locale changes nothing.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
        const std::string text = FormatWakeDelay(0, 1);
        std::setlocale(LC_NUMERIC, "C");
        EXPECT_EQ(text, "0.3");
    }
}

// ---- receive-area rewrite ---------------------------------------------------------

TEST(Rewrite, SingleRewriteCases) {
    const std::string fc = "1F 2F 3F 4F 5F 6F 7F 8F FC 03";
    const std::string fcColon = "1F:2F:3F:4F:5F:6F:7F:8F:FC\n";
    struct Case {
        const char* what;
        std::string text;
        int cut;
        std::string result;
    };
    const Case cases[] = {
        {"absent", "01 02 03 ", 3, "01 02 03 "},
        {"value removed", fc + " 06 ", 3, fcColon},
        {"data before and after", "AA " + fc + " 06 BB ", 3, "AA " + fcColon + "BB "},
        {"pattern at the very end", "AA " + fc, 3, "AA " + fcColon},
        {"cut beyond the end", fc + " 06 ", 18, fcColon},
        {"next frame follows: only the header goes", fc + " " + fc + " 06 ", 18,
         fcColon + fc + " 06 "},
        {"first occurrence only", fc + " 06 " + fc + " 07 ", 3, fcColon + fc + " 07 "},
        {"no cut", fc + " 12 34 ", 0, fcColon + "12 34 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RewriteAnswerHeader(c.text, fc, fcColon, c.cut), c.result) << c.what;
}

TEST(Rewrite, SignalStrengthKeepsItsValueBytes) {
    const Bytes packet = Answer(CmdSignalStrength, {0x12, 0x34, 0x56});
    EXPECT_EQ(Appended(Decode(packet).events), "1F:2F:3F:4F:5F:6F:7F:8F:F7:\n12 34 56 ");
}

TEST(Rewrite, DisplayFormRewritesRepeatedHeadersAndEnds) {
    // Many echoes in a row: every one is rewritten, the loop ends.
    Bytes packet;
    for (int i = 0; i < 40; ++i)
        packet = Cat({packet, Query(CmdAirRate)});
    std::string expected;
    for (int i = 0; i < 40; ++i)
        expected += "1F:2F:3F:4F:5F:6F:7F:8F:FC\n";
    EXPECT_EQ(RewriteForDisplay(BytesToHexText(packet)), expected);

    // The version row is applied once only; a second version header stays.
    const Bytes two = Cat({Answer(CmdVersion, {'1', '2', '3', '4', '5', '6'}),
                           Answer(CmdVersion, {'1', '2', '3', '4', '5', '6'})});
    EXPECT_EQ(RewriteForDisplay(BytesToHexText(two)),
              "1F:2F:3F:4F:5F:6F:7F:8F:EC\n" +
                  BytesToHexText(Answer(CmdVersion, {'1', '2', '3', '4', '5', '6'})));
}

} // namespace
} // namespace tmx7
