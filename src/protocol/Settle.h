#pragma once
// Waiting until a module has answered what it was asked. A module in power-
// saving mode at 1200 baud answers its last follow-up queries several seconds
// after a refresh, so a fixed wait either cuts them off or wastes time.

#include "platform/Clock.h"
#include "protocol/DecoderShared.h"

namespace tmx7 {

struct SettleRule {
    Millis minimum{2000};  // never decide earlier than this
    Millis maximum{10000}; // give up waiting for silent modules after this
    Millis extraSilence{1000};
    Millis step{20};
};

// Waits from now until every awaited answer has arrived (and the line has
// been quiet for one query pause), or until the line has been silent for one
// query pause plus the extra silence; bounded by the rule's minimum and maximum.
// Returns the time waited; false in `complete` when answers were still missing.
Millis WaitForAnswersToSettle(Clock& clock, const DecoderShared& shared, int hostBaud,
                              StopSignal* stop = nullptr, const SettleRule& rule = {},
                              bool* complete = nullptr);

} // namespace tmx7
