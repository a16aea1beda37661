#include "sim/ProtocolEngine.h"

#include <algorithm>
#include <cstring>

namespace tmx7::sim {

namespace {

// One row per command code: whether it can be queried, how many value bytes
// a set carries (-1: no set) and how many an answer carries.
struct CodeRow {
    std::uint8_t code;
    bool query;
    int setBytes;
    int answerBytes;
};
constexpr CodeRow kCodes[] = {
    {0xEC, true, -1, 6}, // version
    {0xFC, true, 1, 1},  // air rate
    {0xF2, true, 1, 1},  // serial baud
    {0xAB, true, 1, 1},  // serial format
    {0xFB, true, 1, 1},  // transmit power
    {0xFF, true, 6, 6},  // frequency
    {0xE7, true, 1, 1},  // group
    {0xF8, true, 1, 1},  // serial mode
    {0xE2, true, 2, 2},  // passive address
    {0xA5, true, 1, 1},  // power mode
    {0xA4, true, 1, 1},  // sleep period / 2
    {0xA3, true, 2, 2},  // power-saving address
    {0xA1, true, 2, 2},  // wake delay
    {0xE1, true, -1, 4}, // address parameters
    {0xFA, false, 2, 2}, // frequency calibration
};

constexpr std::uint8_t kProbe = 0xFE;
constexpr std::uint8_t kProbeAnswer = 0xFD;
constexpr std::uint8_t kSignalStrength = 0xF7;
constexpr std::uint8_t kStart0101 = 0xA9;
constexpr std::uint8_t kStop0101 = 0xA8;
constexpr std::uint8_t kAccessSet = 0x01;
constexpr std::uint8_t kAccessQuery = 0x03;
constexpr std::uint8_t kDollar = 0x24;
constexpr std::uint8_t kRead = 0x52;
constexpr std::uint8_t kWrite = 0x57;
constexpr std::uint8_t kCR = 0x0D;
// A run of this many preamble bytes at the end of a burst is a cut-off
// command, not test data that happens to start like one.
constexpr std::size_t kTruncatedPreamble = 4;

const CodeRow* FindCode(std::uint8_t code) {
    for (const auto& row : kCodes)
        if (row.code == code)
            return &row;
    return nullptr;
}

bool IsShort(std::uint8_t code) {
    return code == kSignalStrength || code == kStart0101 || code == kStop0101 || code == kProbe;
}

bool PreambleAt(const std::vector<std::uint8_t>& b, std::size_t i) {
    return i + 8 <= b.size() && std::memcmp(b.data() + i, ProtocolEngine::kPreamble, 8) == 0;
}

bool TruncatedPreambleAt(const std::vector<std::uint8_t>& b, std::size_t i) {
    const std::size_t rest = b.size() - i;
    return rest >= kTruncatedPreamble && rest < 8 &&
           std::memcmp(b.data() + i, ProtocolEngine::kPreamble, rest) == 0;
}

std::size_t NextPreamble(const std::vector<std::uint8_t>& b, std::size_t from) {
    for (std::size_t j = from; j < b.size(); ++j)
        if (PreambleAt(b, j) || TruncatedPreambleAt(b, j))
            return j;
    return b.size();
}

} // namespace

bool LineMatches(const LineSettings& module, const HostLine& host) {
    if (module.baud != host.baud || module.stopBits != host.stopBits)
        return false;
    if (host.parity)
        return *host.parity == module.parity;
    return host.parityOdd == (module.parity == Parity::Odd);
}

ProtocolEngine::ProtocolEngine(ModuleState state) : m_state(std::move(state)) {}

Millis ProtocolEngine::GapFor(const HostLine& host) const {
    // Four character times at the host's speed, as a UART's idle detection.
    const int baud = host.baud > 0 ? host.baud : 9600;
    const auto fourBytes = Millis((4 * 12 * 1000 + baud - 1) / baud);
    return std::max(m_minGap, fourBytes);
}

void ProtocolEngine::Feed(const std::uint8_t* data, std::size_t n, TimePoint at,
                          const HostLine& host) {
    if (n == 0)
        return;
    m_audit.AddChunk(at, data, n);
    if (m_burst) {
        const bool sameLine =
            m_burst->host.baud == host.baud && m_burst->host.stopBits == host.stopBits &&
            m_burst->host.parityOdd == host.parityOdd && m_burst->host.parity == host.parity;
        if (!sameLine || at - m_burst->last >= GapFor(m_burst->host))
            EndBurst(at);
    }
    if (!m_burst)
        m_burst = Burst{at, at, host, {}};
    m_burst->bytes.insert(m_burst->bytes.end(), data, data + n);
    m_burst->last = at;
    if (m_burst->bytes.size() >= kMaxBurst)
        EndBurst(at);
}

void ProtocolEngine::FlushInput(TimePoint now) {
    if (m_burst)
        EndBurst(now);
}

std::optional<TimePoint> ProtocolEngine::NextDeadline() const {
    std::optional<TimePoint> next;
    if (m_burst)
        next = m_burst->last + GapFor(m_burst->host);
    if (!m_out.empty()) {
        TimePoint due = m_out.front().due;
        if (m_faults.bundleWindow > Millis(0))
            due += m_faults.bundleWindow;
        if (!next || due < *next)
            next = due;
    }
    return next;
}

std::vector<OutPacket> ProtocolEngine::TakeDue(TimePoint now) {
    if (m_burst && now - m_burst->last >= GapFor(m_burst->host))
        EndBurst(now);
    std::vector<OutPacket> due;
    if (m_out.empty() || m_out.front().due > now)
        return due;
    if (m_faults.bundleWindow > Millis(0)) {
        const TimePoint release = m_out.front().due + m_faults.bundleWindow;
        if (now < release)
            return due;
        OutPacket merged = std::move(m_out.front());
        m_out.pop_front();
        while (!m_out.empty() && m_out.front().due <= release) {
            merged.bytes.insert(merged.bytes.end(), m_out.front().bytes.begin(),
                                m_out.front().bytes.end());
            m_out.pop_front();
        }
        due.push_back(std::move(merged));
        return due;
    }
    while (!m_out.empty() && m_out.front().due <= now) {
        due.push_back(std::move(m_out.front()));
        m_out.pop_front();
    }
    return due;
}

void ProtocolEngine::EndBurst(TimePoint) {
    Burst burst = std::move(*m_burst);
    m_burst.reset();
    HandleBurst(burst);
}

std::size_t ProtocolEngine::NextFrameStart(const std::vector<std::uint8_t>& b,
                                           std::size_t from) const {
    const bool passive = m_state.serialMode == 0x01;
    for (std::size_t j = from; j < b.size(); ++j)
        if (PreambleAt(b, j) || TruncatedPreambleAt(b, j) || (passive && b[j] == kDollar))
            return j;
    return b.size();
}

void ProtocolEngine::HandleBurst(const Burst& burst) {
    const bool matched = LineMatches(ModuleLine(m_state), burst.host);
    const auto& b = burst.bytes;
    std::size_t i = 0;
    while (i < b.size()) {
        std::size_t used;
        if (PreambleAt(b, i) || TruncatedPreambleAt(b, i))
            used = ParseCommand(burst, i, matched);
        else if (m_state.serialMode == 0x01 && b[i] == kDollar)
            used = ParsePassive(burst, i, matched);
        else
            used = ParseData(burst, i, matched);
        i += std::max<std::size_t>(used, 1);
    }
}

std::size_t ProtocolEngine::ParseCommand(const Burst& burst, std::size_t i, bool matched) {
    const auto& b = burst.bytes;
    const std::size_t n = b.size();
    AuditedFrame f;
    f.firstByte = burst.first;
    f.lastByte = burst.last;
    f.lineMatched = matched;
    f.kind = FrameKind::Short;
    std::size_t len = 0;

    if (i + 8 >= n) {
        f.defect = Defect::WrongLength;
        len = n - i;
    } else {
        f.code = b[i + 8];
        const CodeRow* row = FindCode(f.code);
        if (IsShort(f.code)) {
            f.kind = f.code == kProbe ? FrameKind::Probe : FrameKind::Short;
            len = 9;
        } else if (!row) {
            f.defect = Defect::UnknownCode;
            len = NextPreamble(b, i + 9) - i;
        } else if (i + 9 >= n) {
            f.kind = FrameKind::Query;
            f.defect = Defect::WrongLength;
            len = n - i;
        } else if (b[i + 9] == kAccessQuery) {
            f.kind = FrameKind::Query;
            if (!row->query)
                f.defect = Defect::NotQueryable;
            len = 10;
        } else if (b[i + 9] == kAccessSet) {
            f.kind = FrameKind::Set;
            if (row->setBytes < 0) {
                f.defect = Defect::NotSettable;
                len = NextPreamble(b, i + 10) - i;
            } else {
                len = 10 + static_cast<std::size_t>(row->setBytes);
            }
        } else {
            f.defect = Defect::BadAccessByte;
            len = NextPreamble(b, i + 10) - i;
        }
        if (f.defect == Defect::None || f.defect == Defect::NotQueryable) {
            if (i + len > n) {
                f.defect = Defect::WrongLength;
                len = n - i;
            } else if (const std::size_t next = NextFrameStart(b, i + len); next != i + len) {
                // Bytes that belong to no frame follow directly: the frame was
                // longer than its code allows.
                f.defect = Defect::WrongLength;
                len = NextPreamble(b, i + len) - i;
            }
        }
    }
    f.bytes.assign(b.begin() + static_cast<std::ptrdiff_t>(i),
                   b.begin() + static_cast<std::ptrdiff_t>(i + len));

    if (matched && f.defect == Defect::None) {
        switch (f.kind) {
        case FrameKind::Query:
            ActOnQuery(f.code, burst.last);
            break;
        case FrameKind::Set:
            ActOnSet(f);
            break;
        case FrameKind::Short:
        case FrameKind::Probe:
            ActOnShort(f.code, burst.last);
            break;
        default:
            break;
        }
    }
    m_audit.AddFrame(std::move(f));
    return len;
}

std::size_t ProtocolEngine::ParsePassive(const Burst& burst, std::size_t i, bool matched) {
    const auto& b = burst.bytes;
    const std::size_t n = b.size();
    AuditedFrame f;
    f.firstByte = burst.first;
    f.lastByte = burst.last;
    f.lineMatched = matched;
    f.kind = FrameKind::PassiveRead;
    std::size_t len = 0;
    const auto badLength = [&] {
        f.defect = Defect::BadPassiveLength;
        len = NextPreamble(b, i + 1) - i;
    };

    if (n - i < 5) {
        badLength();
    } else {
        f.code = b[i + 3];
        f.otherAddress = b[i + 1] != m_state.passiveAddr[0] || b[i + 2] != m_state.passiveAddr[1];
        if (f.code == kRead) {
            len = 5;
            if (b[i + 4] != kCR)
                badLength();
        } else if (f.code == kWrite) {
            if (n - i < 7) {
                f.kind = FrameKind::PassiveWrite;
                badLength();
            } else {
                const std::size_t hi = b[i + 4];
                const std::size_t lo = b[i + 5];
                const std::size_t count = hi * 255 + lo;
                f.kind = count == 0 ? FrameKind::PassiveCheck : FrameKind::PassiveWrite;
                len = 7 + count;
                // The low part counts 0..254; FF cannot occur in base 255.
                if (lo == 0xFF || i + len > n || b[i + len - 1] != kCR)
                    badLength();
            }
        } else {
            f.defect = Defect::UnknownCode;
            len = NextPreamble(b, i + 1) - i;
        }
    }
    f.bytes.assign(b.begin() + static_cast<std::ptrdiff_t>(i),
                   b.begin() + static_cast<std::ptrdiff_t>(i + len));
    if (matched && f.defect == Defect::None && !f.otherAddress)
        ActOnPassive(f);
    m_audit.AddFrame(std::move(f));
    return len;
}

std::size_t ProtocolEngine::ParseData(const Burst& burst, std::size_t i, bool matched) {
    const auto& b = burst.bytes;
    const std::size_t end = NextFrameStart(b, i + 1);
    AuditedFrame f;
    f.firstByte = burst.first;
    f.lastByte = burst.last;
    f.lineMatched = matched;
    f.kind = FrameKind::Data;
    f.bytes.assign(b.begin() + static_cast<std::ptrdiff_t>(i),
                   b.begin() + static_cast<std::ptrdiff_t>(end));
    // Active and MODBUS modules pass data through; the radio link is looped
    // back here, so the host sees its own data come back. A passive module
    // only listens to its "$" frames.
    if (matched && m_state.serialMode != 0x01)
        Send(f.bytes, burst.last);
    m_audit.AddFrame(std::move(f));
    return end - i;
}

std::vector<std::uint8_t> ProtocolEngine::AnswerFrame(std::uint8_t code) const {
    std::vector<std::uint8_t> out(std::begin(kPreamble), std::end(kPreamble));
    out.push_back(code);
    out.push_back(kAccessQuery);
    const auto& s = m_state;
    const auto append = [&out](const auto& bytes) {
        out.insert(out.end(), std::begin(bytes), std::end(bytes));
    };
    switch (code) {
    case 0xEC:
        append(s.version);
        break;
    case 0xFC:
        out.push_back(s.airRate);
        break;
    case 0xF2:
        out.push_back(s.serialBaud);
        break;
    case 0xAB:
        out.push_back(s.serialFormat);
        break;
    case 0xFB:
        out.push_back(s.txPower);
        break;
    case 0xFF:
        append(std::array<std::uint8_t, 6>{0x00, 0x00, s.channel, 0x00, 0x00, 0x00});
        break;
    case 0xE7:
        out.push_back(s.group);
        break;
    case 0xF8:
        out.push_back(s.serialMode);
        break;
    case 0xE2:
        append(s.passiveAddr);
        break;
    case 0xA5:
        out.push_back(s.powerMode);
        break;
    case 0xA4:
        out.push_back(s.sleepPeriodHalf);
        break;
    case 0xA3:
        append(s.saveAddr);
        break;
    case 0xA1:
        append(s.wakeDelay);
        break;
    case 0xE1:
        append(s.addrParams);
        break;
    case 0xFA:
        append(s.freqCalibration);
        break;
    case kSignalStrength:
        out.push_back(s.signalStrength);
        break;
    default:
        break;
    }
    return out;
}

void ProtocolEngine::ActOnQuery(std::uint8_t code, TimePoint at) {
    Send(AnswerFrame(code), at);
}

void ProtocolEngine::ActOnSet(AuditedFrame& f) {
    const std::uint8_t* v = f.bytes.data() + 10;
    // A dropped setting changes a copy that is thrown away.
    ModuleState ignored = m_state;
    auto& s = m_faults.ignoreSetOf == f.code ? ignored : m_state;
    bool ok = true;
    switch (f.code) {
    case 0xFC:
        ok = BaudForRateCode(v[0]) != 0;
        if (ok)
            s.airRate = v[0];
        break;
    case 0xF2:
        // The new line applies from the next exchange on: the answer below
        // still goes out at the old speed, as a module that acknowledges and
        // then restarts its UART.
        ok = BaudForRateCode(v[0]) != 0;
        if (ok)
            s.serialBaud = v[0];
        break;
    case 0xAB:
        ok = FormatForCode(v[0]).has_value();
        if (ok)
            s.serialFormat = v[0];
        break;
    case 0xFB:
        ok = v[0] <= 0x07;
        if (ok)
            s.txPower = v[0];
        break;
    case 0xFF:
        ok = v[0] == 0 && v[1] == 0 && v[2] <= 0x10 && v[3] == 0 && v[4] == 0 && v[5] == 0;
        if (ok)
            s.channel = v[2];
        break;
    case 0xE7:
        s.group = v[0];
        break;
    case 0xF8:
        ok = v[0] <= 0x02;
        if (ok)
            s.serialMode = v[0];
        break;
    case 0xE2:
        s.passiveAddr = {v[0], v[1]};
        break;
    case 0xA5:
        ok = v[0] <= 0x01;
        if (ok)
            s.powerMode = v[0];
        break;
    case 0xA4:
        s.sleepPeriodHalf = v[0];
        break;
    case 0xA3:
        s.saveAddr = {v[0], v[1]};
        break;
    case 0xA1:
        s.wakeDelay = {v[0], v[1]};
        break;
    case 0xFA:
        s.freqCalibration = {v[0], v[1]};
        break;
    default:
        ok = false;
        break;
    }
    f.valueRejected = !ok;
    // A rejected value leaves the module as it was; its answer says so.
    switch (m_faults.setReply) {
    case SetReply::Answer:
        Send(AnswerFrame(f.code), f.lastByte);
        break;
    case SetReply::Garbage:
        Send(Garbage(AnswerFrame(f.code).size()), f.lastByte);
        break;
    case SetReply::Silent:
        break;
    }
}

void ProtocolEngine::ActOnShort(std::uint8_t code, TimePoint at) {
    switch (code) {
    case kProbe: {
        std::vector<std::uint8_t> out(std::begin(kPreamble), std::end(kPreamble));
        const std::uint8_t format = m_faults.probeFormatCode.value_or(m_state.serialFormat);
        out.insert(out.end(), {kProbeAnswer, kAccessQuery, 0x00, 0x00, format});
        Send(std::move(out), at);
        break;
    }
    case kStart0101:
        m_state.transmitting0101 = true;
        break;
    case kStop0101:
        m_state.transmitting0101 = false;
        break;
    case kSignalStrength:
        Send(AnswerFrame(kSignalStrength), at);
        break;
    default:
        break;
    }
}

void ProtocolEngine::ActOnPassive(const AuditedFrame& f) {
    const auto& mem = m_state.passiveMemory;
    const auto lengthField = [](std::size_t count) {
        return std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(count / 255),
                                           static_cast<std::uint8_t>(count % 255)};
    };
    std::vector<std::uint8_t> out{kDollar, f.bytes[1], f.bytes[2]};
    switch (f.kind) {
    case FrameKind::PassiveRead: {
        // The memory comes back in the write frame's own layout, with "R".
        const auto len = lengthField(mem.size());
        out.insert(out.end(), {kRead, len[0], len[1]});
        out.insert(out.end(), mem.begin(), mem.end());
        out.push_back(kCR);
        Send(std::move(out), f.lastByte);
        break;
    }
    case FrameKind::PassiveCheck: {
        const auto len = lengthField(mem.size());
        out.insert(out.end(), {kWrite, len[0], len[1], kCR});
        Send(std::move(out), f.lastByte);
        break;
    }
    case FrameKind::PassiveWrite: {
        const std::size_t count = f.bytes.size() - 7;
        m_state.passiveMemory.assign(f.bytes.begin() + 6,
                                     f.bytes.begin() + 6 + static_cast<std::ptrdiff_t>(count));
        break;
    }
    default:
        break;
    }
}

std::vector<std::uint8_t> ProtocolEngine::Garbage(std::size_t n) {
    std::vector<std::uint8_t> out(n);
    for (auto& byte : out) {
        // xorshift32: deterministic, so a failing test replays the same bytes.
        m_noise ^= m_noise << 13;
        m_noise ^= m_noise >> 17;
        m_noise ^= m_noise << 5;
        byte = static_cast<std::uint8_t>(m_noise >> 24);
        if (byte == kPreamble[0])
            byte = 0x1E; // never start something that reads as a preamble
    }
    return out;
}

void ProtocolEngine::Send(std::vector<std::uint8_t> bytes, TimePoint at) {
    if (m_faults.silence || bytes.empty())
        return;
    if (m_faults.garbage)
        bytes = Garbage(bytes.size());
    const LineSettings line = ModuleLine(m_state);
    const TimePoint due = at + m_faults.lateBy;
    const auto enqueue = [this, &line](TimePoint when, std::vector<std::uint8_t> part) {
        auto pos = std::upper_bound(m_out.begin(), m_out.end(), when,
                                    [](TimePoint t, const OutPacket& p) { return t < p.due; });
        m_out.insert(pos, OutPacket{when, std::move(part), line});
    };
    if (m_faults.split && bytes.size() >= 2) {
        const auto half = static_cast<std::ptrdiff_t>(bytes.size() / 2);
        enqueue(due, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + half));
        enqueue(due + m_faults.splitGap,
                std::vector<std::uint8_t>(bytes.begin() + half, bytes.end()));
        return;
    }
    enqueue(due, std::move(bytes));
}

} // namespace tmx7::sim
