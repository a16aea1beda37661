#include "protocol/Fields.h"

#include <algorithm>

namespace tmx7 {

std::optional<Field> FieldForKey(std::string_view key) {
    for (const auto& row : kFields)
        if (row.key == key)
            return row.field;
    return std::nullopt;
}

std::vector<Field> FieldsAnsweredBy(CommandCode code) {
    // The baud half of the serial format comes with its own answer.
    if (code == CmdSerialBaud)
        code = CmdSerialFormat;
    std::vector<Field> out;
    for (const auto& row : kFields)
        if (row.code == code)
            out.push_back(row.field);
    return out;
}

std::array<Field, kFieldCount> BlankOrder() {
    std::array<Field, kFieldCount> out{};
    for (const auto& row : kFields)
        out[static_cast<std::size_t>(row.blankOrder)] = row.field;
    return out;
}

std::optional<Command> CommandOf(EditAction action) {
    switch (action) {
    case EditAction::None:
        return std::nullopt;
    case EditAction::SetFrequency:
        return Command::SetFrequency;
    case EditAction::SetSerialFormat:
        return Command::SetSerialFormat;
    case EditAction::SerialModeChoice:
        return Command::ActiveMode;
    case EditAction::PowerModeChoice:
        return Command::NormalMode;
    case EditAction::SetWireless:
        return Command::SetWireless;
    case EditAction::SetGroup:
        return Command::SetGroup;
    case EditAction::SetSleepPeriod:
        return Command::SetSleepPeriod;
    case EditAction::SetWakeDelay:
        return Command::SetWakeDelay;
    case EditAction::SetSaveAddress:
        return Command::SetSaveAddress;
    case EditAction::SetPassiveAddress:
        return Command::SetPassiveAddress;
    }
    return std::nullopt;
}

} // namespace tmx7
