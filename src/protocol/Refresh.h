#pragma once
// The read-everything sequence: blank the display, drop stale packets, empty
// the receive area, then write the nine queries with their pauses. It never
// waits for answers itself; the decoder thread shows them as they come.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/DecoderShared.h"
#include "protocol/Events.h"

namespace tmx7 {

struct RefreshContext {
    CPortTable& table;
    DecoderShared& shared;
    EventSink& sink;
    Clock& clock;
    int comPort = 1;
    int baud = 9600;
    StopSignal* stop = nullptr; // ends the sequence early (port lost, program ending)
};

// Progress-bar positions after each of the nine queries, in query order.
struct RefreshStep {
    CommandCode code;
    int progressAfter;
};
extern const RefreshStep kRefreshSteps[9];

// Completed, or Stopped when the stop signal cut it short, or PortLost when a
// query found the port gone (the sequence ends there). A query the port
// refused is posted as WriteFailed; the refresh goes on and ends WriteRefused.
Outcome RefreshParameters(const RefreshContext& ctx);

} // namespace tmx7
