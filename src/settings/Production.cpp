#include "settings/Production.h"

namespace tmx7 {

std::vector<ViewUpdate> CProductionMode::Toggle(bool codeAccepted) {
    std::vector<ViewUpdate> out;
    bool show;
    if (m_bProductionMode)
        show = false;
    else if (codeAccepted)
        show = true;
    else
        return out;
    for (int id : production::kControls)
        out.emplace_back(std::in_place_type<ShowControl>, ShowControl{id, show});
    m_bProductionMode = show;
    return out;
}

bool CProductionMode::WriteShort(CPortTable& table, int port, CommandCode code) {
    const auto frame = MakeShortFrame(code);
    if (!frame || !table.IsOpen(port))
        return false;
    return table.Write(port, *frame) == WriteStatus::Queued;
}

bool CProductionMode::Transmit0101(CPortTable& table, int port, ViewSink& sink) {
    if (!WriteShort(table, port, CmdStart0101))
        return false;
    m_bIndicatorShown = true;
    sink.Apply({ShowControl{production::kIndicator, true}});
    return true;
}

bool CProductionMode::StopTransmit0101(CPortTable& table, int port, ViewSink& sink) {
    if (!WriteShort(table, port, CmdStop0101))
        return false;
    m_bIndicatorShown = false;
    sink.Apply({ShowControl{production::kIndicator, false}});
    return true;
}

bool CProductionMode::SignalStrength(CPortTable& table, int port) {
    return WriteShort(table, port, CmdSignalStrength);
}

CalibrationOutcome CProductionMode::Calibrate(CPortTable& table, int port, std::string_view first,
                                              std::string_view second) {
    CalibrationOutcome out;
    const auto frame = MakeCalibrationSet(first, second);
    if (!frame) {
        out.message = std::string(kCalibrationPrompt);
        return out;
    }
    out.written = table.Write(port, *frame) == WriteStatus::Queued;
    return out;
}

} // namespace tmx7
