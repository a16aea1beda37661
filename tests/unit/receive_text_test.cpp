// The bounded receive text: the newest characters stay, no pair is split.

#include "protocol/Frames.h"
#include "ui/ReceiveText.h"

#include <gtest/gtest.h>

#include <string>

using namespace tmx7;

namespace {

// Every piece of the kept text is a whole pair or a whole colon-form line.
void ExpectWholePieces(const std::string& s) {
    ASSERT_FALSE(s.empty());
    std::size_t start = 0;
    while (start < s.size()) {
        const std::size_t end = s.find_first_of(" \n", start);
        const std::string piece = s.substr(start, end == std::string::npos ? end : end - start);
        if (!piece.empty()) {
            EXPECT_TRUE(piece.size() == 2 || piece.size() % 3 == 2) << "split: " << piece;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}

TEST(AppendBounded, UnderTheLimitNothingIsDropped) {
    std::string buf;
    EXPECT_EQ(AppendBounded(buf, "00 01 ", 12), 0u);
    EXPECT_EQ(AppendBounded(buf, "02 03 ", 12), 0u);
    EXPECT_EQ(buf, "00 01 02 03 ");
}

TEST(AppendBounded, CutsAfterABlankOrLineEnd) {
    struct Row {
        std::string before, text;
        std::size_t limit;
        std::string after;
    };
    const Row rows[] = {
        {"00 01 02 ", "03 ", 9, "01 02 03 "},
        {"00 01 02 ", "03 ", 8, "02 03 "}, // never "1 02 03 "
        {"1F:2F:3F\n", "41 42 ", 10, "41 42 "},
        {"00 1F:2F:3F\n41 ", "42 ", 15, "1F:2F:3F\n41 42 "},
        {"", "00 01 02 03 04 ", 7, "03 04 "}, // one text longer than the limit
        {"AB", "CDEFGH", 4, "EFGH"},          // no separator at all
    };
    for (const Row& row : rows) {
        std::string buf = row.before;
        const std::size_t dropped = AppendBounded(buf, row.text, row.limit);
        EXPECT_EQ(buf, row.after) << row.before << "+" << row.text;
        EXPECT_EQ(dropped, row.before.size() + row.text.size() - buf.size());
        EXPECT_LE(buf.size(), row.limit);
    }
}

TEST(AppendBounded, NightLongStreamStaysBoundedAndNewestLast) {
    std::string buf;
    std::vector<std::uint8_t> packet(192);
    for (int round = 0; round < 3000; ++round) {
        for (std::size_t i = 0; i < packet.size(); ++i)
            packet[i] = static_cast<std::uint8_t>(round + i);
        AppendBounded(buf, BytesToHexText(packet));
        if (round % 7 == 0)
            AppendBounded(buf, "1F:2F:3F:4F:5F:6F:7F:8F:FC\n");
        ASSERT_LE(buf.size(), kReceiveTextLimit);
    }
    EXPECT_GT(buf.size(), kReceiveTextLimit - 30);
    ExpectWholePieces(buf);
    const std::string last = BytesToHexText(packet);
    EXPECT_EQ(buf.substr(buf.size() - last.size()), last);
}

TEST(AppendBounded, MultiByteTextIsNeverCutInsideACharacter) {
    std::string buf;
    AppendBounded(buf, "状态状态状态", 7);
    EXPECT_EQ(buf, "状态"); // 6 bytes: the next start of a character after the excess
}

} // namespace
