#pragma once
// Production mode: the 0101 test transmission, the signal-strength request
// and the frequency calibration value, behind the access code. The window
// keeps one CProductionMode and forwards its buttons to it.

#include "link/PortTable.h"
#include "protocol/Frames.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

inline constexpr std::string_view kCalibrationPrompt =
    "频率校准值须为两个1到2位的十六进制数(0-9, A-F)，未写入";

struct CalibrationOutcome {
    WriteStatus status = WriteStatus::Refused;
    bool written = false;
    std::optional<std::string> message; // tell the user when nothing was written
};

class CProductionMode {
public:
    bool On() const { return m_bProductionMode; }
    bool IndicatorShown() const { return m_bIndicatorShown; }

    // Switching off needs nothing; switching on needs the password dialog's
    // OK (`codeAccepted`). Returns whether the mode is now on; the indicator
    // keeps its own state either way.
    bool Toggle(bool codeAccepted);
    // True when switching now would ask for the code.
    bool NeedsCode() const { return !m_bProductionMode; }

    // The 0101 buttons. The indicator follows only a frame the port took: a
    // dead port must not show a transmission that never began.
    WriteStatus Transmit0101(CPortTable& table, int port);
    WriteStatus StopTransmit0101(CPortTable& table, int port);
    WriteStatus SignalStrength(CPortTable& table, int port);
    // Both texts are trimmed and must be one or two hex digits each;
    // otherwise nothing is written and the outcome carries the prompt.
    CalibrationOutcome Calibrate(CPortTable& table, int port, std::string_view first,
                                 std::string_view second);

private:
    WriteStatus WriteShort(CPortTable& table, int port, CommandCode code);

    bool m_bProductionMode = false;
    bool m_bIndicatorShown = false;
};

inline constexpr std::string_view kInitialCalibText = "00";

} // namespace tmx7
