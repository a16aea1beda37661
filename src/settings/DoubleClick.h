#pragma once
// Double-click editing on the parameter pages: from the page caption and the
// point that was double-clicked to the set operations to start. Only value
// fields respond; their labels, the borders of a field and the other pages
// do nothing. An operation whose menu entry is greyed is not started.

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace tmx7 {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    // Strictly inside: a point on the border line is outside.
    constexpr bool Contains(int x, int y) const {
        return left < x && x < right && top < y && y < bottom;
    }
};

// What a double-click starts. The two mode choices run their dialog
// (CSerialModeDlg, CPowerModeDlg) and then PlanSerialMode / PlanPowerMode;
// the others are the menu operations of the same name.
enum class EditAction {
    SetFrequency,
    SetSerialFormat,
    SerialModeChoice,
    PowerModeChoice,
    SetWireless,
    SetGroup,
    SetSleepPeriod,
    SetWakeDelay,
    SetSaveAddress,
    SetPassiveAddress,
};

// The menu entry whose greying governs the action (the active-mode entry
// stands for the serial-mode submenu, the normal-mode entry for the power one).
int MenuIdOf(EditAction action);

// The page is taken from the selected tab's caption ("一般参数", "省电参数",
// "被动参数"), so it does not matter at which position a page sits. On the
// general page every field the point is in counts, in the fixed order; the
// window runs them one after another.
std::vector<EditAction>
DoubleClickActions(std::string_view selectedTabCaption, int x, int y,
                   const std::function<std::optional<Rect>(int controlId)>& valueRect,
                   const std::function<bool(int menuId)>& isMenuEnabled);

} // namespace tmx7
