#include "protocol/Settle.h"

#include "protocol/Frames.h"

namespace tmx7 {

Millis WaitForAnswersToSettle(Clock& clock, const DecoderShared& shared, int hostBaud,
                              StopSignal* stop, const SettleRule& rule, bool* complete) {
    const TimePoint start = clock.now();
    const Millis pause = PauseAfterQueryMs(hostBaud);
    for (;;) {
        const TimePoint now = clock.now();
        const auto waited = std::chrono::duration_cast<Millis>(now - start);
        const TimePoint last = std::max(shared.LastActivity(), start);
        const auto quiet = std::chrono::duration_cast<Millis>(now - last);
        const bool allIn = shared.AwaitedCount() == 0;
        if (waited >= rule.minimum) {
            if ((allIn && quiet >= pause) || quiet >= pause + rule.extraSilence ||
                waited >= rule.maximum) {
                if (complete)
                    *complete = allIn;
                return waited;
            }
        }
        if (!clock.sleepFor(rule.step, stop)) {
            if (complete)
                *complete = false;
            return waited;
        }
    }
}

} // namespace tmx7
