#include "protocol/DecoderThread.h"

#include "protocol/Frames.h"

namespace tmx7 {

DecoderThread::DecoderThread(CPortTable& table, DecoderShared& shared, const LinkSettings& link,
                             EventSink& sink, Clock& clock)
    : m_table(table), m_shared(shared), m_link(link), m_sink(sink), m_clock(clock) {}

DecoderThread::~DecoderThread() {
    Stop();
}

bool DecoderThread::Start() {
    if (m_thread.joinable() || m_stop.requested())
        return false;
    m_thread = std::thread([this] { Loop(); });
    return true;
}

void DecoderThread::Stop() {
    m_stop.request();
    m_table.WakeWaiters();
    if (m_thread.joinable())
        m_thread.join();
}

bool DecoderThread::RunOnce() {
    const int port = m_link.comPort.load();
    // Read before the packet is taken: a clear of the receive area that comes
    // after this point drops the packet's text rather than showing text taken
    // before the clear.
    const std::uint64_t epoch = m_shared.ReceiveEpoch();
    auto packet = m_table.TakeOldest(port);
    if (!packet || packet->empty())
        return packet.has_value();

    m_shared.NoteReceived(packet->data(), packet->size(), m_clock.now());
    DecodeResult result = m_shared.With([&](DecoderState& state) {
        DecodeResult r = DecodePacket(packet->data(), packet->size(), state);
        state = r.state;
        return r;
    });
    for (auto& event : result.events) {
        if (auto* received = std::get_if<Received>(&event))
            received->epoch = epoch;
    }
    if (m_stop.requested())
        return true;
    m_sink.Post(std::move(result.events));

    for (CommandCode code : result.followUps) {
        if (m_stop.requested())
            break;
        m_shared.Await(code);
        const WriteStatus status = m_table.Write(port, MakeQueryFrame(code));
        if (status != WriteStatus::Queued)
            m_sink.Post({WriteFailed{port, status, code}});
        PauseAfterQuery(m_clock, m_link.baud.load(), &m_stop);
    }
    return true;
}

void DecoderThread::Loop() {
    // Asleep until the table posts a packet (or opens or stops a port): a
    // silent line costs this thread nothing. The count is read before the
    // look, so a packet posted in between ends the wait at once.
    while (!m_stop.requested()) {
        const std::uint64_t seen = m_table.PostCount();
        if (!RunOnce())
            m_table.WaitForPost(seen, m_stop);
    }
}

} // namespace tmx7
