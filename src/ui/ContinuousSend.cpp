#include "ui/ContinuousSend.h"

#include <algorithm>
#include <cctype>

namespace tmx7 {

namespace {

// A whole number of at most nine digits (the interval's range needs six), so
// the value never overflows; blanks, signs, full stops make it invalid.
std::optional<unsigned> ParseWhole(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return v;
}

std::string RangeMessage(unsigned lo, unsigned hi) {
    return "请输入一个介于 " + std::to_string(lo) + " 和 " + std::to_string(hi) + " 之间的整数。";
}

std::size_t TimerIndex(int timerId) {
    return static_cast<std::size_t>(timerId - kTimerUserUntilStopped);
}

} // namespace

// ---- dialog 142 -----------------------------------------------------------------

int ContinuousSendForm::CheckedFormRadio() const {
    return m_dataForm == 0 ? kIdcUserData : m_dataForm == 1 ? kIdcStandardForm : 0;
}

int ContinuousSendForm::CheckedCountRadio() const {
    return m_countMode == 0 ? kIdcUntilStopped : m_countMode == 1 ? kIdcCounted : 0;
}

void ContinuousSendForm::Initialise() {
    m_dataForm = 0;
    m_countMode = 0;
}

void ContinuousSendForm::Click(SendRadio radio) {
    switch (radio) {
    case SendRadio::UserData:
        m_dataForm = 0;
        break;
    case SendRadio::StandardForm:
        m_dataForm = 1;
        break;
    case SendRadio::UntilStopped:
        m_countMode = 0;
        break;
    case SendRadio::Counted:
        m_countMode = 1;
        break;
    }
}

void ContinuousSendForm::ClickRadio(int controlId) {
    switch (controlId) {
    case kIdcUserData:
        Click(SendRadio::UserData);
        break;
    case kIdcStandardForm:
        Click(SendRadio::StandardForm);
        break;
    case kIdcUntilStopped:
        Click(SendRadio::UntilStopped);
        break;
    case kIdcCounted:
        Click(SendRadio::Counted);
        break;
    default:
        break;
    }
}

FormCheck ContinuousSendForm::Ok(std::string_view countText, std::string_view intervalText) {
    FormCheck r;
    const auto count = ParseWhole(countText);
    if (!count || *count < kCountMin || *count > kCountMax) {
        r.field = SendField::Count;
        r.focusControl = kIdcCount;
        r.message = RangeMessage(kCountMin, kCountMax);
        return r;
    }
    const auto interval = ParseWhole(intervalText);
    if (!interval || *interval < kIntervalMin || *interval > kIntervalMax) {
        r.field = SendField::Interval;
        r.focusControl = kIdcInterval;
        r.message = RangeMessage(kIntervalMin, kIntervalMax);
        return r;
    }
    m_count = *count;
    m_intervalMs = *interval;
    r.choice = ContinuousSendChoice{std::max(m_dataForm, 0), std::max(m_countMode, 0), m_count,
                                    m_intervalMs};
    return r;
}

bool ContinuousSendForm::AcceptsChar(char32_t c) {
    return (c >= U'0' && c <= U'9') || c == U'\b' || c == U'.';
}

// ---- the four send timers ----------------------------------------------------------

namespace {

std::size_t Index(SendTimer timer) {
    return static_cast<std::size_t>(timer);
}

bool Counted(SendTimer timer) {
    return timer == SendTimer::UserCounted || timer == SendTimer::StdCounted;
}

SendTimer TimerOfId(int timerId) {
    return static_cast<SendTimer>(TimerIndex(timerId));
}

int IdOf(SendTimer timer) {
    return kTimerUserUntilStopped + static_cast<int>(timer);
}

} // namespace

SendTimer ContinuousSendTimers::TimerOf(const ContinuousSendChoice& choice) {
    const bool standard = choice.dataForm == 1;
    if (choice.countMode == 1)
        return standard ? SendTimer::StdCounted : SendTimer::UserCounted;
    return standard ? SendTimer::StdUntilStopped : SendTimer::UserUntilStopped;
}

int ContinuousSendTimers::TimerFor(int dataForm, int countMode) {
    return IdOf(TimerOf({dataForm, countMode}));
}

TimerStart ContinuousSendTimers::Start(const ContinuousSendChoice& choice) {
    const SendTimer timer = TimerOf(choice);
    m_running[Index(timer)] = true;
    if (choice.countMode == 1)
        m_sendsLeft = static_cast<int>(std::min(choice.count, kCountMax));
    return {IdOf(timer), choice.intervalMs, timer};
}

TimerTick ContinuousSendTimers::OnTimer(SendTimer timer) {
    TimerTick t;
    t.ours = true;
    if (!IsRunning(timer)) {
        // A tick already queued when the run ended.
        t.stopTimer = true;
        return t;
    }
    if (Counted(timer) && m_sendsLeft <= 0) {
        m_running[Index(timer)] = false;
        t.stopTimer = true;
        return t;
    }
    t.send = true;
    t.payload = (timer == SendTimer::StdUntilStopped || timer == SendTimer::StdCounted)
                    ? Payload::StandardData
                    : Payload::UserData;
    ++m_sendCount;
    if (Counted(timer) && --m_sendsLeft <= 0) {
        m_running[Index(timer)] = false;
        t.stopTimer = true;
    }
    return t;
}

TimerTick ContinuousSendTimers::OnTimer(int timerId) {
    if (!IsSendTimer(timerId))
        return {};
    return OnTimer(TimerOfId(timerId));
}

void ContinuousSendTimers::Halt(SendTimer timer) {
    m_running[Index(timer)] = false;
}

std::array<int, 4> ContinuousSendTimers::Leave() {
    m_running.fill(false);
    m_sendsLeft = 0;
    m_sendCount = 0;
    return {kTimerUserUntilStopped, kTimerStdUntilStopped, kTimerUserCounted, kTimerStdCounted};
}

bool ContinuousSendTimers::IsRunning(SendTimer timer) const {
    return m_running[Index(timer)];
}

bool ContinuousSendTimers::IsRunning(int timerId) const {
    return IsSendTimer(timerId) && IsRunning(TimerOfId(timerId));
}

bool ContinuousSendTimers::AnyRunning() const {
    return std::any_of(m_running.begin(), m_running.end(), [](bool b) { return b; });
}

// ---- bounded send ---------------------------------------------------------------

bool PortSink::Write(std::span<const std::uint8_t> bytes) {
    return m_table.Write(m_port, bytes) == WriteStatus::Queued;
}

BoundedSender::BoundedSender(Clock& clock, int baud, int bitsPerByte, std::size_t limit)
    : m_clock(clock), m_byteTime(std::chrono::nanoseconds(
                          1'000'000'000LL * std::clamp(bitsPerByte, 10, 12) / std::max(baud, 1))),
      m_limit(limit) {}

std::size_t BoundedSender::Estimated() const {
    const TimePoint now = m_clock.now();
    if (m_lineFreeAt <= now)
        return 0;
    const auto left = m_lineFreeAt - now;
    return static_cast<std::size_t>((left + m_byteTime - std::chrono::nanoseconds(1)) / m_byteTime);
}

std::size_t BoundedSender::Backlog(const DataSink& sink) const {
    return std::max(Estimated(), sink.Backlog().value_or(0));
}

SendOutcome BoundedSender::Send(DataSink& sink, std::span<const std::uint8_t> frame) {
    if (Backlog(sink) + frame.size() > m_limit)
        return SendOutcome::Skipped;
    if (!sink.Write(frame))
        return SendOutcome::NoPort;
    const TimePoint now = m_clock.now();
    m_lineFreeAt =
        std::max(now, m_lineFreeAt) + m_byteTime * static_cast<std::int64_t>(frame.size());
    return SendOutcome::Written;
}

std::string BoundedSender::SkipStatus() {
    return "串口发送跟不上，本次数据未发送";
}

int BitsPerByte(std::string_view lineFormat) {
    if (lineFormat.size() != 5 || lineFormat[1] != ',' || lineFormat[2] != '8' ||
        lineFormat[3] != ',')
        return 10;
    const char parity = static_cast<char>(std::tolower(static_cast<unsigned char>(lineFormat[0])));
    const int stop = lineFormat[4] == '2' ? 2 : 1;
    return 1 + 8 + (parity == 'o' || parity == 'e' ? 1 : 0) + stop;
}

TickPlan PlanContinuousTick(ContinuousSendTimers& timers, SendTimer timer,
                            const SendContext& context) {
    TickPlan plan;
    const TimerTick tick = timers.OnTimer(timer);
    plan.stopTimer = tick.stopTimer;
    if (!tick.send)
        return plan;
    const bool standard = tick.payload == Payload::StandardData;
    plan.send = true;
    plan.data = BuildDataSend(standard ? context.stdData : context.userData,
                              standard ? kStdDataBuffer : kSendAreaBuffer, context.serialMode,
                              context.passiveAddr);
    return plan;
}

TickOutcome RunContinuousTick(ContinuousSendTimers& timers, int timerId, const SendContext& context,
                              BoundedSender& sender, DataSink& sink) {
    TickOutcome out;
    if (!ContinuousSendTimers::IsSendTimer(timerId))
        return out;
    out.ours = true;
    const TickPlan plan = PlanContinuousTick(timers, TimerOfId(timerId), context);
    out.stopTimer = plan.stopTimer;
    if (!plan.send)
        return out;
    if (!plan.data.ok()) {
        out.status = plan.data.status;
        return out;
    }
    const SendOutcome sent = sender.Send(sink, plan.data.bytes);
    out.written = sent == SendOutcome::Written;
    if (sent == SendOutcome::Skipped)
        out.status = BoundedSender::SkipStatus();
    return out;
}

} // namespace tmx7
