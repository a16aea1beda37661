// The parameter dialogs and the password dialog without windows.

#include "settings/DialogModels.h"
#include "settings/Download.h"
#include "settings/SetCommands.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace tmx7;

namespace {

TEST(SerialFormatDialog, ConfirmWithAndWithoutRow) {
    using enum SerialFormatResult;
    EXPECT_EQ(SerialFormatConfirm(BaudRate, 3), (SerialFormatChoice{3, 3}));
    EXPECT_EQ(SerialFormatConfirm(BaudRate, 6), (SerialFormatChoice{3, 6}));
    EXPECT_EQ(SerialFormatConfirm(DataFormat, 1), (SerialFormatChoice{2, 1}));
    EXPECT_EQ(SerialFormatConfirm(DataFormat, -1), SerialFormatChoice{});
    EXPECT_EQ(SerialFormatConfirm(BaudRate, -1), SerialFormatChoice{});
    EXPECT_EQ(SerialFormatConfirm(DataFormat, 6), SerialFormatChoice{});
    EXPECT_EQ(SerialFormatConfirm(BaudRate, 7), SerialFormatChoice{});
    EXPECT_EQ(SerialFormatConfirm(Cancelled, 0), SerialFormatChoice{});
}

TEST(WirelessDialog, UntouchedListsGiveLevelZeroAndFirstRate) {
    WirelessModel m;
    EXPECT_EQ(m.txPowerIndex, 0);
    EXPECT_EQ(m.airRateIndex, 0);
    m.SelectTxPower(3);
    m.SelectAirRate(6);
    m.SelectTxPower(8); // no such row
    EXPECT_EQ(m.txPowerIndex, 3);
    EXPECT_EQ(m.airRateIndex, 6);
}

TEST(ScrollModel, OnlyArrowsMoveAndEndsHold) {
    ScrollModel s{2, 510, 2, 2};
    for (auto r : {ScrollRequest::PageUp, ScrollRequest::PageDown, ScrollRequest::Track,
                   ScrollRequest::Top, ScrollRequest::Bottom, ScrollRequest::End})
        EXPECT_FALSE(s.Apply(r));
    EXPECT_EQ(s.position, 2);
    EXPECT_FALSE(s.Apply(ScrollRequest::LineDown));
    EXPECT_TRUE(s.Apply(ScrollRequest::LineUp));
    EXPECT_EQ(s.position, 4);
    for (int i = 0; i < 300; ++i)
        s.Apply(ScrollRequest::LineUp);
    EXPECT_EQ(s.position, 510);
}

TEST(SleepPeriodDialog, ValueShownRefusalAndChoice) {
    SleepPeriodModel m;
    EXPECT_EQ(m.Text(), "2");
    m.Scroll().Apply(ScrollRequest::LineUp);
    EXPECT_EQ(m.Text(), "4");
    while (m.Scroll().Apply(ScrollRequest::LineUp)) {
    }
    EXPECT_EQ(m.Value(), 510);
    const auto prompt = m.Ok();
    ASSERT_TRUE(prompt);
    EXPECT_EQ(*prompt, kSleepPeriodPrompt);
    EXPECT_EQ(m.Choice(), 0); // refused: Escape now returns nothing to send
    for (int i = 0; i < 5; ++i)
        m.Scroll().Apply(ScrollRequest::LineDown);
    EXPECT_EQ(m.Value(), 500);
    EXPECT_FALSE(m.Ok());
    EXPECT_EQ(m.Choice(), 1);

    SleepPeriodModel cancelled;
    cancelled.Cancel();
    EXPECT_EQ(cancelled.Choice(), 2);
}

TEST(WakeDelayDialog, ExactCountAndLocaleFreeText) {
    WakeDelayModel m;
    EXPECT_EQ(m.Text(), "0.3");
    m.Scroll().Apply(ScrollRequest::LineDown);
    EXPECT_EQ(m.Text(), "0.3");
    m.Scroll().Apply(ScrollRequest::LineUp);
    EXPECT_EQ(m.Text(), "0.6");
    EXPECT_EQ(m.Count(), 2);
    m.Scroll().position = 10;
    EXPECT_EQ(m.Text(), "3");
    m.Scroll().position = 65535;
    EXPECT_EQ(m.Text(), "19660.5");
    EXPECT_EQ(m.Count(), 65535);

    // The float route (position * 0.3 * 3.3333333333333335, truncated) comes
    // out one low for thousands of positions. At every position the count
    // sent, and the count a download reads back from the shown text, must be
    // the position itself.
    int floatLow = 0;
    for (int pos = 1; pos <= 65535; ++pos) {
        floatLow += static_cast<long long>(pos * 0.3 * 3.3333333333333335) != pos;
        m.Scroll().position = pos;
        const int tenths = pos * 3;
        const std::string text =
            std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "");
        ASSERT_EQ(m.Text(), text) << pos;
        const auto plan = PlanSetWakeDelay(m.Count());
        ASSERT_TRUE(plan.frame) << pos;
        ASSERT_EQ((*plan.frame)[10], pos >> 8) << pos;
        ASSERT_EQ((*plan.frame)[11], pos & 0xFF) << pos;
        ASSERT_EQ(WakeDelayCountFromText(m.Text()), pos) << pos;
    }
    EXPECT_GT(floatLow, 1000);

    // A decimal comma locale must not change the text.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
        m.Scroll().position = 1;
        EXPECT_EQ(m.Text(), "0.3");
        std::setlocale(LC_NUMERIC, "C");
    }
    EXPECT_EQ(TenthsText(0), "0");
    EXPECT_EQ(TenthsText(768), "76.8");
}

TEST(PassiveAddrDialog, HexOfPosition) {
    PassiveAddrModel m;
    EXPECT_EQ(m.Text(), "00");
    m.Scroll().Apply(ScrollRequest::LineUp);
    EXPECT_EQ(m.Text(), "01");
    for (int i = 0; i < 300; ++i)
        m.Scroll().Apply(ScrollRequest::LineUp);
    EXPECT_EQ(m.Text(), "FF");
}

TEST(KeyFilter, HexAndDigitKeys) {
    struct Case {
        char32_t key;
        bool hex;
        bool digit;
    };
    const Case cases[] = {{U'0', true, true},   {U'9', true, true},   {U'A', true, false},
                          {U'F', true, false},  {U'G', false, false}, {U'a', false, false},
                          {U'.', true, false},  {U' ', false, false}, {kBackspace, true, true},
                          {U'-', false, false}, {U'中', false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(HexKeyAccepted(c.key), c.hex) << static_cast<int>(c.key);
        EXPECT_EQ(DigitKeyAccepted(c.key), c.digit) << static_cast<int>(c.key);
    }
}

TEST(TypedDialogs, TypingIsFilteredAndCapped) {
    SaveAddrModel save;
    save.Edit().text.clear();
    for (char32_t k : {U'1', U'a', U'2', U'b'})
        save.Edit().Key(k);
    EXPECT_EQ(save.Edit().text, "12");
    for (char32_t k : {U'3', U'4', U'5'})
        save.Edit().Key(k);
    EXPECT_EQ(save.Edit().text, "1234"); // a fifth character is not taken
    EXPECT_TRUE(save.Edit().Key(kBackspace));
    EXPECT_EQ(save.Edit().text, "123");

    GroupModel group;
    group.Edit().text.clear();
    EXPECT_FALSE(group.Edit().Key(U'G'));
    EXPECT_TRUE(group.Edit().Key(U'.'));
    EXPECT_EQ(group.Edit().text, ".");
    EXPECT_FALSE(group.Ok().ok());
}

TEST(TypedDialogs, SaveAddrAndGroupChecks) {
    struct Case {
        const char* text;
        const char* saveAddr; // nullptr = refused
        const char* group;
    };
    const Case cases[] = {
        {"5", "0005", "05"},     {"123", "0123", nullptr},  {"1234", "1234", nullptr},
        {"7", "0007", "07"},     {"FF", "00FF", "FF"},      {"", nullptr, nullptr},
        {".", nullptr, nullptr}, {"1.2", nullptr, nullptr}, {"12345", nullptr, nullptr},
        {" 12 ", "0012", "12"},  {"1 2", nullptr, nullptr}, {"ab", "00AB", "AB"},
    };
    for (const auto& c : cases) {
        const TextCheck s = CheckSaveAddr(c.text);
        const TextCheck g = CheckGroup(c.text);
        if (c.saveAddr) {
            ASSERT_TRUE(s.ok()) << c.text;
            EXPECT_EQ(*s.value, c.saveAddr);
        } else {
            EXPECT_FALSE(s.ok()) << c.text;
            EXPECT_EQ(s.prompt, kSaveAddrPrompt);
        }
        if (c.group) {
            ASSERT_TRUE(g.ok()) << c.text;
            EXPECT_EQ(*g.value, c.group);
        } else {
            EXPECT_FALSE(g.ok()) << c.text;
            EXPECT_EQ(g.prompt, kGroupPrompt);
        }
    }
    SaveAddrModel fresh;
    EXPECT_EQ(*fresh.Ok().value, "0000");
    GroupModel freshGroup;
    EXPECT_EQ(*freshGroup.Ok().value, "00");
}

TEST(PasswordDialog, ParseIsStrictAndNeverWraps) {
    EXPECT_EQ(ParseAccessCode("517204"), 517204u);
    EXPECT_EQ(ParseAccessCode("0517204"), 517204u);
    EXPECT_EQ(ParseAccessCode("9999999"), 9999999u);
    // 4295484500 = 2^32 + 517204: a 32-bit wrap would land on the code.
    for (const char* bad :
         {"4295484500", "10000000", "", "-517204", "+517204", "51 7204", "517204x", "0x7E454"})
        EXPECT_FALSE(ParseAccessCode(bad)) << bad;
}

TEST(PasswordDialog, Verdicts) {
    EXPECT_TRUE(CheckPassword("517204").accepted);
    EXPECT_TRUE(CheckPassword("517204").messages.empty());

    const auto wrong = CheckPassword("123456");
    EXPECT_FALSE(wrong.accepted);
    EXPECT_EQ(wrong.messages, std::vector<std::string_view>{kWrongPasswordText});

    const auto eight = CheckPassword("12345678");
    EXPECT_FALSE(eight.accepted);
    EXPECT_EQ(eight.messages,
              (std::vector<std::string_view>{kPasswordRangePrompt, kWrongPasswordText}));
    EXPECT_FALSE(CheckPassword("4295484500").accepted);
}

} // namespace
