#pragma once
// Production mode: the 0101 test transmission, the signal-strength request
// and the frequency calibration value, behind the access code. The window
// keeps one CProductionMode and forwards its buttons to it.

#include "link/PortTable.h"
#include "protocol/Frames.h"
#include "protocol/ViewUpdate.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

namespace production {
inline constexpr int kTransmit0101 = 1040;
inline constexpr int kStop0101 = 1041;
inline constexpr int kSignalStrength = 1042;
inline constexpr int kCalibrate = 1028;
inline constexpr int kCalibA = 1133;
inline constexpr int kCalibB = 1134;
inline constexpr int kCalibLabel = 1135;
inline constexpr int kIndicator = 1137;
// Shown and hidden together when the mode is switched.
inline constexpr std::array<int, 7> kControls = {
    kTransmit0101, kStop0101, kSignalStrength, kCalibrate, kCalibB, kCalibA, kCalibLabel};
} // namespace production

inline constexpr std::string_view kCalibrationPrompt =
    "频率校准值须为两个1到2位的十六进制数(0-9, A-F)，未写入";

struct CalibrationOutcome {
    bool written = false;
    std::optional<std::string> message; // tell the user when nothing was written
};

class CProductionMode {
public:
    bool On() const { return m_bProductionMode; }
    bool IndicatorShown() const { return m_bIndicatorShown; }

    // Switching off needs nothing; switching on needs the password dialog's
    // OK (`codeAccepted`). Returns the control changes; the indicator keeps
    // its own state either way.
    std::vector<ViewUpdate> Toggle(bool codeAccepted);
    // True when switching now would ask for the code.
    bool NeedsCode() const { return !m_bProductionMode; }

    // The 0101 buttons. The indicator follows only a write that reached an
    // open port: a dead port must not show a transmission that never began.
    bool Transmit0101(CPortTable& table, int port, ViewSink& sink);
    bool StopTransmit0101(CPortTable& table, int port, ViewSink& sink);
    bool SignalStrength(CPortTable& table, int port);
    // Both texts are trimmed and must be one or two hex digits each;
    // otherwise nothing is written and the outcome carries the prompt.
    CalibrationOutcome Calibrate(CPortTable& table, int port, std::string_view first,
                                 std::string_view second);

private:
    bool WriteShort(CPortTable& table, int port, CommandCode code);

    bool m_bProductionMode = false;
    bool m_bIndicatorShown = false;
};

inline constexpr std::string_view kInitialCalibText = "00";

} // namespace tmx7
