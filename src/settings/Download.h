#pragma once
// Writing a whole parameter set into a module: the set frames in a fixed
// order, each followed by the pause the module needs to take it, with a
// progress bar (0..230) running along.
//
// The plan is built once from a copy of the set taken when the download
// starts, so answers that the decoder turns into new display values during
// the half minute of the download cannot change what is written.

#include "link/PortTable.h"
#include "platform/Clock.h"
#include "protocol/Events.h"
#include "protocol/Frames.h"
#include "protocol/ParamSet.h"

#include <string_view>
#include <vector>

namespace tmx7 {

inline constexpr int kProgressMax = 230;
inline constexpr std::string_view kDownloadDoneText = "下载参数完成.开始刷新参数......";

// One step: write `frame` (when not empty), sleep `pause`, then move the bar
// to `progress` (when not negative).
struct DownloadStep {
    Frame frame;
    Millis pause{0};
    int progress = -1;
    bool operator==(const DownloadStep&) const = default;
};

struct DownloadPlan {
    std::vector<DownloadStep> steps;
    bool operator==(const DownloadPlan&) const = default;
};

// Values that cannot be mapped to their frame (the "********" marker, a text
// outside the value list, a number out of range, a wrongly shaped address)
// skip their write and their pauses; the progress positions still follow.
// Never a frame of the wrong length.
DownloadPlan BuildDownload(const ParamSet& snapshot);

// The frames in order, without pauses.
std::vector<Frame> DownloadFrames(const DownloadPlan& plan);
Millis TotalPause(const DownloadPlan& plan);

// The wake-up delay count for a stored decimal text: floor(10 * v) / 3 on the
// digits, 0..65535 ("0.3" -> 1, "76.8" -> 256); nothing for other text.
std::optional<int> WakeDelayCountFromText(std::string_view decimal);

// Shows the bar, carries the steps out on `port`, hides the bar and puts the
// finished text into the activity pane; the caller refreshes afterwards.
// Stopped or PortLost when the sequence ended early (the bar is hidden then
// too and the pane is left alone); a frame the port refused is posted as
// WriteFailed, the download goes on and ends WriteRefused. `stepsDone` and
// `stepsTotal` of the outcome count the frames.
Outcome RunDownload(const DownloadPlan& plan, CPortTable& table, int port, Clock& clock,
                    EventSink& sink, StopSignal* stop = nullptr);

} // namespace tmx7
