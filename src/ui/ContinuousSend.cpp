#include "ui/ContinuousSend.h"

#include <algorithm>

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

} // namespace

// ---- dialog 142 -----------------------------------------------------------------

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

FormCheck ContinuousSendForm::Ok(std::string_view countText, std::string_view intervalText) {
    FormCheck r;
    const auto count = ParseWhole(countText);
    if (!count || *count < kCountMin || *count > kCountMax) {
        r.field = SendField::Count;
        r.message = RangeMessage(kCountMin, kCountMax);
        return r;
    }
    const auto interval = ParseWhole(intervalText);
    if (!interval || *interval < kIntervalMin || *interval > kIntervalMax) {
        r.field = SendField::Interval;
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

} // namespace

SendTimer ContinuousSendTimers::TimerOf(const ContinuousSendChoice& choice) {
    const bool standard = choice.dataForm == 1;
    if (choice.countMode == 1)
        return standard ? SendTimer::StdCounted : SendTimer::UserCounted;
    return standard ? SendTimer::StdUntilStopped : SendTimer::UserUntilStopped;
}

TimerStart ContinuousSendTimers::Start(const ContinuousSendChoice& choice) {
    const SendTimer timer = TimerOf(choice);
    m_running[Index(timer)] = true;
    if (choice.countMode == 1)
        m_sendsLeft = static_cast<int>(std::min(choice.count, kCountMax));
    return {choice.intervalMs, timer};
}

TimerTick ContinuousSendTimers::OnTimer(SendTimer timer) {
    TimerTick t;
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

void ContinuousSendTimers::Halt(SendTimer timer) {
    m_running[Index(timer)] = false;
}

void ContinuousSendTimers::Leave() {
    m_running.fill(false);
    m_sendsLeft = 0;
    m_sendCount = 0;
}

bool ContinuousSendTimers::IsRunning(SendTimer timer) const {
    return m_running[Index(timer)];
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

} // namespace tmx7
