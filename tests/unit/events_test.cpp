// What the display shows, kept from the engine's events.

#include "protocol/Events.h"

#include <gtest/gtest.h>

using namespace tmx7;

TEST(ShownValues, AClearKeepsTextOfItsOwnEpochWhateverTheOrder) {
    ShownValues shown;
    // The decoder took the new epoch and posted before the clear arrived.
    shown.Post({Received{"AA ", 0}, Received{"BB ", 1}, Received{"CC ", 0}});
    shown.Post({ReceiveCleared{1}});
    shown.Post({Received{"DD ", 0}, Received{"EE ", 1}});
    EXPECT_EQ(shown.ReceivedText(), "BB EE ");
}

TEST(ShownValues, ReceivedTextStaysBounded) {
    ShownValues shown;
    const std::string packet(1500, 'A');
    for (int i = 0; i < 1000; ++i)
        shown.Post({Received{packet, 0}});
    const std::string text = shown.ReceivedText();
    EXPECT_LE(text.size(), 256u * 1024u);
    EXPECT_GT(text.size(), 250u * 1024u);
}
