#pragma once
// The read-everything sequence: blank the display, drop stale packets, empty
// the receive area, then write the nine queries with their pauses. It never
// waits for answers itself; the decoder thread shows them as they come.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/DecoderShared.h"
#include "protocol/ViewUpdate.h"

namespace tmx7 {

struct RefreshContext {
    CPortTable& table;
    DecoderShared& shared;
    ViewSink& sink;
    Clock& clock;
    int comPort = 1;
    int baud = 9600;
    StopSignal* stop = nullptr; // ends the sequence early (window closing)
};

// Progress-bar positions after each of the nine queries, in query order.
struct RefreshStep {
    CommandCode code;
    int progressAfter;
};
extern const RefreshStep kRefreshSteps[9];

// Returns false when the sequence was cut short by the stop signal.
bool RefreshParameters(const RefreshContext& ctx);

// Sum of all waits of one refresh at the given host baud rate.
Millis RefreshDuration(int hostBaud);

} // namespace tmx7
