#include "settings/DoubleClick.h"

#include "settings/SetCommands.h"

#include <array>
#include <span>

namespace tmx7 {

namespace {

struct FieldAction {
    int controlId;
    EditAction action;
};

// clang-format off
constexpr std::array<FieldAction, 8> kGeneralPage = {{
    {1038, EditAction::SetFrequency},     // transmit frequency
    {1050, EditAction::SetFrequency},     // receive frequency: the same channel
    {1039, EditAction::SetSerialFormat},
    {1043, EditAction::SerialModeChoice},
    {1044, EditAction::PowerModeChoice},
    {1049, EditAction::SetWireless},      // air rate
    {1080, EditAction::SetGroup},
    {1058, EditAction::SetWireless},      // transmit power
}};

constexpr std::array<FieldAction, 3> kPowerSavingPage = {{
    {1045, EditAction::SetSleepPeriod},
    {1046, EditAction::SetWakeDelay},
    {1053, EditAction::SetSaveAddress},
}};

constexpr std::array<FieldAction, 1> kPassivePage = {{
    {1052, EditAction::SetPassiveAddress},
}};
// clang-format on

std::span<const FieldAction> FieldsOf(std::string_view caption) {
    if (caption == "一般参数")
        return kGeneralPage;
    if (caption == "省电参数")
        return kPowerSavingPage;
    if (caption == "被动参数")
        return kPassivePage;
    return {};
}

} // namespace

int MenuIdOf(EditAction action) {
    switch (action) {
    case EditAction::SetFrequency:
        return Id(MenuCommand::SetFrequency);
    case EditAction::SetSerialFormat:
        return Id(MenuCommand::SetSerialFormat);
    case EditAction::SerialModeChoice:
        return Id(MenuCommand::ActiveMode);
    case EditAction::PowerModeChoice:
        return Id(MenuCommand::NormalMode);
    case EditAction::SetWireless:
        return Id(MenuCommand::SetWireless);
    case EditAction::SetGroup:
        return Id(MenuCommand::SetGroup);
    case EditAction::SetSleepPeriod:
        return Id(MenuCommand::SetSleepPeriod);
    case EditAction::SetWakeDelay:
        return Id(MenuCommand::SetWakeDelay);
    case EditAction::SetSaveAddress:
        return Id(MenuCommand::SetSaveAddress);
    case EditAction::SetPassiveAddress:
        return Id(MenuCommand::SetPassiveAddress);
    }
    return 0;
}

std::vector<EditAction>
DoubleClickActions(std::string_view selectedTabCaption, int x, int y,
                   const std::function<std::optional<Rect>(int controlId)>& valueRect,
                   const std::function<bool(int menuId)>& isMenuEnabled) {
    std::vector<EditAction> out;
    for (const auto& f : FieldsOf(selectedTabCaption)) {
        const auto rect = valueRect(f.controlId);
        if (!rect || !rect->Contains(x, y))
            continue;
        if (isMenuEnabled && !isMenuEnabled(MenuIdOf(f.action)))
            continue;
        out.push_back(f.action);
    }
    return out;
}

} // namespace tmx7
