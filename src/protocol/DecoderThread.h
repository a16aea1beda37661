#pragma once
// The worker that turns received packets into events: it takes every packet
// of the current port as soon as it can be taken, decodes it, posts the
// events in order and writes the follow-up queries that some answers call
// for, each with its pause.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/DecoderShared.h"
#include "protocol/Events.h"

#include <atomic>
#include <thread>

namespace tmx7 {

class DecoderThread {
public:
    DecoderThread(CPortTable& table, DecoderShared& shared, const LinkSettings& link,
                  EventSink& sink, Clock& clock = RealClock());
    ~DecoderThread();
    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    bool Start(); // false if already running
    // Asks the thread to stop, interrupts any wait and joins it. After Stop
    // returns, nothing more is written to the port or handed to the sink.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

    // One pass: take and decode at most one packet. Returns false when there
    // was no packet. Public so tests can drive the loop step by step.
    bool RunOnce();

private:
    void Loop();

    CPortTable& m_table;
    DecoderShared& m_shared;
    const LinkSettings& m_link;
    EventSink& m_sink;
    Clock& m_clock;
    StopSignal m_stop;
    std::thread m_thread;
};

} // namespace tmx7
