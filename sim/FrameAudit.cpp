#include "sim/FrameAudit.h"

namespace tmx7::sim {

void FrameAudit::AddChunk(TimePoint at, const std::uint8_t* data, std::size_t n) {
    if (n == 0)
        return;
    m_chunks.push_back({at, std::vector<std::uint8_t>(data, data + n)});
    if (m_chunks.size() > kMaxChunks)
        m_chunks.pop_front();
    m_totalBytes += n;
}

void FrameAudit::AddFrame(AuditedFrame frame) {
    if (frame.defect != Defect::None)
        ++m_malformed;
    ++m_totalFrames;
    m_frames.push_back(std::move(frame));
    if (m_frames.size() > kMaxFrames)
        m_frames.pop_front();
}

void FrameAudit::Clear() {
    m_frames.clear();
    m_chunks.clear();
    m_totalFrames = 0;
    m_malformed = 0;
    m_totalBytes = 0;
}

const char* DefectName(Defect d) {
    switch (d) {
    case Defect::None:
        return "none";
    case Defect::WrongLength:
        return "wrong length";
    case Defect::UnknownCode:
        return "unknown code";
    case Defect::BadAccessByte:
        return "bad access byte";
    case Defect::NotSettable:
        return "not settable";
    case Defect::NotQueryable:
        return "not queryable";
    case Defect::BadPassiveLength:
        return "bad passive length";
    }
    return "?";
}

} // namespace tmx7::sim
