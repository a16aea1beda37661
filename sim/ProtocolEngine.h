#pragma once
// The module's side of the wire, without any device: bytes in (with the time
// they arrived and the host's line settings), packets out (with the time they
// are due). The Simulator drives it from a pty; unit tests drive it directly.
//
// Input is cut into bursts at silence gaps, as a module's UART does: a burst
// ends when no byte has arrived for max(minGap, 4 byte times). Each burst is
// then split into frames, audited and acted upon.

#include "platform/Clock.h"
#include "sim/FrameAudit.h"
#include "sim/ModuleState.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace tmx7::sim {

// The host's line as the module can observe it. On a pty the parity enable
// bit is cleared by the driver, so unless the caller knows the parity, only
// "odd or not" is reliable.
struct HostLine {
    int baud = 9600;
    int stopBits = 1;
    bool parityOdd = false;
    std::optional<Parity> parity; // set when the parity is known exactly
};

bool LineMatches(const LineSettings& module, const HostLine& host);

// What the module sends after a well-formed set.
enum class SetReply {
    Answer,  // the answer frame (code 03 value) with the value now held
    Silent,  // nothing
    Garbage, // bytes of the answer's length that are no answer
};

struct FaultConfig {
    bool silence = false; // answer nothing, echo nothing
    bool garbage = false; // every packet replaced by garbage of the same length
    // Every packet sent in two halves, the second `splitGap` after the first.
    bool split = false;
    Millis splitGap{300};
    Millis lateBy{0}; // every packet held back this long
    // Probe answers carry this format code instead of the module's own.
    std::optional<std::uint8_t> probeFormatCode{};
    SetReply setReply = SetReply::Answer;
    // Packets are held and sent together: everything due within this window
    // after the first held packet goes out as one packet.
    Millis bundleWindow{0};
    // The Simulator hangs up after this many audited frames (0: never).
    std::size_t hangUpAfterFrames = 0;
    // The Simulator stops reading its line: the host's bytes pile up in the
    // pty until its buffers are full and the host can write no more, as on
    // a line held by flow control. Lifting it reads everything that waited.
    bool stall = false;
    // Sets of this command code are answered as usual but not kept: a module
    // that silently drops one setting.
    std::optional<std::uint8_t> ignoreSetOf{};

    bool operator==(const FaultConfig&) const = default;
};

struct OutPacket {
    TimePoint due;
    std::vector<std::uint8_t> bytes;
    LineSettings line; // the line the bytes go out on, for pacing
};

class ProtocolEngine {
public:
    static constexpr std::uint8_t kPreamble[8] = {0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x7F, 0x8F};
    static constexpr std::size_t kMaxBurst = 70000; // largest passive write frame and some
    static constexpr std::size_t kMaxPassiveMemory = 254 * 255 + 254;

    explicit ProtocolEngine(ModuleState state = {});

    // Bytes as they came off the line.
    void Feed(const std::uint8_t* data, std::size_t n, TimePoint at, const HostLine& host);
    // Ends the bursts whose silence gap has passed, acts on their frames and
    // returns the packets due by `now`, in order.
    std::vector<OutPacket> TakeDue(TimePoint now);
    // When TakeDue next has something to do (a burst to end or a packet due).
    std::optional<TimePoint> NextDeadline() const;
    // Ends the open burst at once (the line went away).
    void FlushInput(TimePoint now);
    // Drops every packet not yet taken.
    void DropOutput() { m_out.clear(); }

    ModuleState& State() { return m_state; }
    const ModuleState& State() const { return m_state; }
    FaultConfig& Faults() { return m_faults; }
    const FaultConfig& Faults() const { return m_faults; }
    FrameAudit& Audit() { return m_audit; }
    const FrameAudit& Audit() const { return m_audit; }

    void SetMinGap(Millis gap) { m_minGap = gap; }
    Millis GapFor(const HostLine& host) const;

private:
    struct Burst {
        TimePoint first;
        TimePoint last;
        HostLine host;
        std::vector<std::uint8_t> bytes;
    };

    void EndBurst(TimePoint now);
    void HandleBurst(const Burst& burst);
    std::size_t ParseCommand(const Burst& b, std::size_t i, bool matched);
    std::size_t ParsePassive(const Burst& b, std::size_t i, bool matched);
    std::size_t ParseData(const Burst& b, std::size_t i, bool matched);
    std::size_t NextFrameStart(const std::vector<std::uint8_t>& b, std::size_t from) const;

    void ActOnQuery(std::uint8_t code, TimePoint at);
    void ActOnSet(AuditedFrame& frame);
    void ActOnShort(std::uint8_t code, TimePoint at);
    void ActOnPassive(const AuditedFrame& frame);

    std::vector<std::uint8_t> AnswerFrame(std::uint8_t code) const;
    void Send(std::vector<std::uint8_t> bytes, TimePoint at);
    std::vector<std::uint8_t> Garbage(std::size_t n);

    ModuleState m_state;
    FaultConfig m_faults;
    FrameAudit m_audit;
    Millis m_minGap{15};
    std::optional<Burst> m_burst;
    std::deque<OutPacket> m_out;
    std::uint32_t m_noise = 0x2545F491u;
};

} // namespace tmx7::sim
