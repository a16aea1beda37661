#include "gui/DialogUnits.h"
#include "gui/HexFilter.h"

#include <gtest/gtest.h>

using namespace tmx7::gui;

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {529, 6, 4, 794},  // 793.5 rounds up
        {318, 12, 8, 477}, // exact
        {183, 6, 4, 275},  // 274.5: the send area's width in the original face
        {1, 6, 4, 2},      // 1.5
        {-1, 6, 4, -2},    // symmetric for negatives
        {5, 7, 8, 4},      // 4.375
        {7, 1, 0, -1},     // division by zero reports -1 instead of trapping
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(DialogUnits, AverageWidthFromTheFiftyTwoLetters) {
    EXPECT_EQ(AverageCharWidth(312), 6); // 312/26 = 12 -> (12+1)/2
    EXPECT_EQ(AverageCharWidth(338), 7); // 13 -> 7: odd halves round up
    EXPECT_EQ(AverageCharWidth(337), 6); // 12.96 truncates to 12 first
}

TEST(DialogUnits, RectanglesConvertByEdgesSoNeighboursStayAdjacent) {
    const DialogBase base{7, 17};
    // Two controls that touch in dialog units: 10..15 and 15..20.
    const PixelRect a = DluToPixels(10, 3, 5, 5, base);
    const PixelRect b = DluToPixels(15, 8, 5, 5, base);
    EXPECT_EQ(a.x + a.width, b.x);
    EXPECT_EQ(a.y + a.height, b.y);
    // The main window at the original 6 x 12 measure.
    EXPECT_EQ(DluToPixels(0, 0, 529, 318, {6, 12}), (PixelRect{0, 0, 794, 477}));
    EXPECT_EQ(DluToPixels(269, 307, 189, 10, {6, 12}), (PixelRect{404, 461, 283, 15}));
    // Back and forth.
    EXPECT_EQ(PixelsToDluX(DluToPixelsX(432, base), base), 432);
    EXPECT_EQ(PixelsToDluY(DluToPixelsY(97, base), base), 97);
}

TEST(HexFilter, AcceptsExactlyTheKeysOfTheDataFields) {
    for (char32_t c : std::u32string(U"0123456789ABCDEF. \b"))
        EXPECT_TRUE(HexFilterAccepts(c)) << static_cast<int>(c);
    for (char32_t c : std::u32string(U"abcdefGgxX:-,\r\n\t/"))
        EXPECT_FALSE(HexFilterAccepts(c)) << static_cast<int>(c);
    EXPECT_FALSE(HexFilterAccepts(U'中'));
    // The small dialogs take no blank.
    EXPECT_FALSE(HexFilterAccepts(U' ', HexKeys::NoBlank));
    EXPECT_TRUE(HexFilterAccepts(U'.', HexKeys::NoBlank));
}

TEST(HexFilter, PastedTextKeepsOnlyWhatCouldBeTyped) {
    EXPECT_EQ(HexFilterText(U"1a 2B\r\n3c.F\b"), U"1 2B3.F");
    EXPECT_EQ(HexFilterText(U"1a 2B", HexKeys::NoBlank), U"12B");
    EXPECT_EQ(HexFilterText(U"abc"), U"");
}
