#pragma once
// Record of everything the host sent to the simulated module, cut into
// frames. Tests use it to prove that the tool never puts a malformed frame
// on the line.

#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace tmx7::sim {

enum class FrameKind {
    Query,        // preamble, code, 03
    Set,          // preamble, code, 01, value bytes
    Short,        // preamble, A9 / A8 / F7
    Probe,        // preamble, FE
    PassiveRead,  // 24 A1 A2 52 0D
    PassiveCheck, // 24 A1 A2 57 00 00 0D
    PassiveWrite, // 24 A1 A2 57 L1 L2 data 0D
    Data,         // anything else: test data
};

enum class Defect {
    None,
    WrongLength,      // too few or too many bytes for the code
    UnknownCode,      // code after the preamble (or after "$" A1 A2) not known
    BadAccessByte,    // neither 01 nor 03
    NotSettable,      // set of a read-only code (EC, E1)
    NotQueryable,     // query of a code without one (FA)
    BadPassiveLength, // length field disagrees with the frame, or no 0D where it belongs
};

struct AuditedFrame {
    TimePoint firstByte;
    TimePoint lastByte;
    std::vector<std::uint8_t> bytes;
    FrameKind kind = FrameKind::Data;
    Defect defect = Defect::None;
    std::uint8_t code = 0;      // command code, or the passive operation byte
    bool lineMatched = true;    // host's line settings agreed with the module's
    bool otherAddress = false;  // passive frame for another module's address
    bool valueRejected = false; // well-formed set whose value is outside the tables
};

struct ReceivedChunk {
    TimePoint at;
    std::vector<std::uint8_t> bytes;
};

// Bounded: a night-long data test must not grow memory without limit, so the
// oldest entries go first; the totals keep counting.
class FrameAudit {
public:
    static constexpr std::size_t kMaxFrames = 20000;
    static constexpr std::size_t kMaxChunks = 20000;

    void AddChunk(TimePoint at, const std::uint8_t* data, std::size_t n);
    void AddFrame(AuditedFrame frame);
    void Clear();

    std::vector<AuditedFrame> Frames() const { return {m_frames.begin(), m_frames.end()}; }
    std::vector<ReceivedChunk> Chunks() const { return {m_chunks.begin(), m_chunks.end()}; }
    std::size_t FrameCount() const { return m_totalFrames; }
    std::size_t MalformedCount() const { return m_malformed; }
    std::size_t ByteCount() const { return m_totalBytes; }

private:
    std::deque<AuditedFrame> m_frames;
    std::deque<ReceivedChunk> m_chunks;
    std::size_t m_totalFrames = 0;
    std::size_t m_malformed = 0;
    std::size_t m_totalBytes = 0;
};

const char* DefectName(Defect d);

} // namespace tmx7::sim
