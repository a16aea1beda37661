#include "settings/Production.h"

namespace tmx7 {

bool CProductionMode::Toggle(bool codeAccepted) {
    if (m_bProductionMode)
        m_bProductionMode = false;
    else if (codeAccepted)
        m_bProductionMode = true;
    return m_bProductionMode;
}

WriteStatus CProductionMode::WriteShort(CPortTable& table, int port, CommandCode code) {
    const auto frame = MakeShortFrame(code);
    if (!frame)
        return WriteStatus::Refused;
    return table.Write(port, *frame);
}

WriteStatus CProductionMode::Transmit0101(CPortTable& table, int port) {
    const WriteStatus status = WriteShort(table, port, CmdStart0101);
    if (status == WriteStatus::Queued)
        m_bIndicatorShown = true;
    return status;
}

WriteStatus CProductionMode::StopTransmit0101(CPortTable& table, int port) {
    const WriteStatus status = WriteShort(table, port, CmdStop0101);
    if (status == WriteStatus::Queued)
        m_bIndicatorShown = false;
    return status;
}

WriteStatus CProductionMode::SignalStrength(CPortTable& table, int port) {
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
    out.status = table.Write(port, *frame);
    out.written = out.status == WriteStatus::Queued;
    return out;
}

} // namespace tmx7
