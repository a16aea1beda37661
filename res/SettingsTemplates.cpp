// Templates of the parameter dialogs and the access-code dialog. All of them
// use a 12-point face, so a dialog unit is larger here than in the main
// window; a CJK character is about 8 units wide.

#include "res/ResourceIds.h"
#include "res/Templates.h"

namespace tmx7::res {
namespace {

// 149: serial mode, one column of buttons; none of them answers Enter.
constexpr Control kSerialModeControls[] = {
    {IDC_SERMODE_ACTIVE, Kind::Button, "主动模式", {30, 10, 64, 16}},
    {IDC_SERMODE_PASSIVE, Kind::Button, "被动模式", {30, 32, 64, 16}},
    {IDC_SERMODE_MODBUS, Kind::Button, "MODBUS", {30, 54, 64, 16}},
    {IDC_SERMODE_CANCEL, Kind::Button, "取消", {30, 80, 64, 16}},
};

// 150: power mode.
constexpr Control kPowerModeControls[] = {
    {IDC_POWERMODE_NORMAL, Kind::Button, "普通模式", {30, 10, 64, 16}},
    {IDC_POWERMODE_SAVING, Kind::Button, "省电模式", {30, 32, 64, 16}},
    {IDC_POWERMODE_CANCEL, Kind::Button, "取消", {30, 58, 64, 16}},
};

// 135: the seventeen channels top to bottom, cancel set apart below them;
// kept short enough for a 768-pixel screen.
constexpr Control kFrequencyControls[] = {
    {1021, Kind::Button, "431.000MHz", {20, 5, 76, 11}},
    {1022, Kind::Button, "431.250MHz", {20, 17, 76, 11}},
    {1023, Kind::Button, "431.500MHz", {20, 29, 76, 11}},
    {1024, Kind::Button, "431.750MHz", {20, 41, 76, 11}},
    {1025, Kind::Button, "432.000MHz", {20, 53, 76, 11}},
    {1040, Kind::Button, "432.250MHz", {20, 65, 76, 11}},
    {1041, Kind::Button, "432.500MHz", {20, 77, 76, 11}},
    {1042, Kind::Button, "432.750MHz", {20, 89, 76, 11}},
    {1043, Kind::Button, "433.000MHz", {20, 101, 76, 11}},
    {1044, Kind::Button, "433.250MHz", {20, 113, 76, 11}},
    {1045, Kind::Button, "433.500MHz", {20, 125, 76, 11}},
    {1046, Kind::Button, "433.750MHz", {20, 137, 76, 11}},
    {1047, Kind::Button, "434.000MHz", {20, 149, 76, 11}},
    {1048, Kind::Button, "434.250MHz", {20, 161, 76, 11}},
    {1049, Kind::Button, "434.500MHz", {20, 173, 76, 11}},
    {1050, Kind::Button, "434.750MHz", {20, 185, 76, 11}},
    {1051, Kind::Button, "435.000MHz", {20, 197, 76, 11}},
    {IDC_FREQ_CANCEL, Kind::Button, "取消", {20, 214, 76, 12}},
};

// 132: data format on the left, baud rate on the right, each in its frame
// with its own confirm and cancel. The lists are filled by the dialog.
constexpr Control kSerialFormatControls[] = {
    {IDC_STATIC, Kind::GroupBox, "数据位数设置", {7, 5, 104, 134}},
    {IDC_STATIC, Kind::GroupBox, "波特率设置", {119, 5, 104, 134}},
    {IDC_SERFMT_FORMAT_LIST, Kind::ListBox, "", {15, 22, 88, 88}, kSingleSel},
    {IDC_SERFMT_FORMAT_OK, Kind::Button, "确定", {15, 116, 40, 16}},
    {IDC_SERFMT_FORMAT_CANCEL, Kind::Button, "取消", {63, 116, 40, 16}},
    {IDC_SERFMT_BAUD_LIST, Kind::ListBox, "", {127, 22, 88, 88}, kSingleSel},
    {IDC_SERFMT_BAUD_OK, Kind::Button, "确定", {127, 116, 40, 16}},
    {IDC_SERFMT_BAUD_CANCEL, Kind::Button, "取消", {175, 116, 40, 16}},
};

// 133: transmit power on the left, air rate on the right; each "设置" under
// its list. The combo heights are those of the open lists.
constexpr Control kWirelessControls[] = {
    {IDC_STATIC, Kind::Static, "发射功率", {12, 8, 70, 10}},
    {IDC_WIRELESS_POWER_LIST, Kind::Combo, "", {12, 20, 70, 100}},
    {IDC_WIRELESS_SET_POWER, Kind::Button, "设置", {12, 40, 70, 16}},
    {IDC_STATIC, Kind::Static, "无线速率", {98, 8, 70, 10}},
    {IDC_WIRELESS_RATE_LIST, Kind::Combo, "", {98, 20, 70, 100}},
    {IDC_WIRELESS_SET_RATE, Kind::Button, "设置", {98, 40, 70, 16}},
    {IDC_WIRELESS_CANCEL, Kind::Button, "取消", {55, 66, 70, 16}},
};

// 134: sleep period. The value field is read-only; only the arrows move it.
constexpr Control kSleepPeriodControls[] = {
    {IDC_STATIC, Kind::Static, "睡眠周期", {10, 15, 36, 10}},
    {IDC_SLEEP_VALUE, Kind::Edit, "", {50, 12, 50, 14}, kDisabled},
    {IDC_SLEEP_SCROLL, Kind::VScroll, "", {102, 10, 10, 18}},
    {IDC_SLEEP_OK, Kind::Button, "确定", {16, 40, 44, 16}},
    {IDC_SLEEP_CANCEL, Kind::Button, "取消", {68, 40, 44, 16}},
};

// 139: wake-up delay.
constexpr Control kWakeDelayControls[] = {
    {IDC_STATIC, Kind::Static, "睡眠模式下，从机醒后的延时时间", {10, 8, 150, 10}},
    {IDC_WAKE_VALUE, Kind::Edit, "", {40, 26, 66, 14}, kDisabled},
    {IDC_WAKE_SCROLL, Kind::VScroll, "", {108, 24, 10, 18}},
    {IDC_WAKE_OK, Kind::Button, "确定", {34, 52, 44, 16}},
    {IDC_WAKE_CANCEL, Kind::Button, "取消", {86, 52, 44, 16}},
};

// 140: passive address.
constexpr Control kPassiveAddrControls[] = {
    {IDC_STATIC, Kind::Static, "被动地址", {10, 15, 36, 10}},
    {IDC_PASSIVE_VALUE, Kind::Edit, "", {50, 12, 40, 14}, kDisabled},
    {IDC_PASSIVE_SCROLL, Kind::VScroll, "", {92, 10, 10, 18}},
    {IDC_PASSIVE_OK, Kind::Button, "确定", {10, 40, 44, 16}},
    {IDC_PASSIVE_CANCEL, Kind::Button, "取消", {62, 40, 44, 16}},
};

// 138: power-saving address, typed under the hex key filter.
constexpr Control kSaveAddrControls[] = {
    {IDC_STATIC, Kind::Static, "省电模式地址设置", {12, 8, 96, 10}},
    {IDC_SAVEADDR_VALUE, Kind::Edit, "", {12, 22, 96, 14}},
    {IDC_SAVEADDR_OK, Kind::Button, "确定", {12, 44, 44, 16}},
    {IDC_SAVEADDR_CANCEL, Kind::Button, "取消", {64, 44, 44, 16}},
};

// 141: group number, typed under the hex key filter.
constexpr Control kGroupControls[] = {
    {IDC_STATIC, Kind::Static, "组号", {12, 15, 20, 10}},
    {IDC_GROUP_VALUE, Kind::Edit, "", {36, 12, 72, 14}},
    {IDC_GROUP_OK, Kind::Button, "确定", {12, 36, 44, 16}},
    {IDC_GROUP_CANCEL, Kind::Button, "取消", {64, 36, 44, 16}},
};

// 174: access code; "确认" is the one button Enter presses.
constexpr Control kPasswordControls[] = {
    {IDC_STATIC, Kind::Static, "请您输入正确密码", {12, 8, 110, 10}},
    {IDC_PASSWORD_VALUE, Kind::Edit, "", {12, 22, 110, 14}, kPassword | kNumber},
    {IDOK, Kind::DefaultButton, "确认", {12, 44, 50, 16}},
    {IDCANCEL, Kind::Button, "取消", {72, 44, 50, 16}},
};

constexpr Dialog kSettingsDialogs[] = {
    {IDD_SERIAL_MODE, "串口模式", 124, 104, "宋体", 12, 0, kSerialModeControls},
    {IDD_POWER_MODE, "省电模式", 124, 82, "宋体", 12, 0, kPowerModeControls},
    {IDD_FREQUENCY, "频率设置", 116, 232, "宋体", 12, 0, kFrequencyControls},
    {IDD_SERIAL_FORMAT, "串口格式设置", 230, 146, "宋体", 12, 0, kSerialFormatControls},
    {IDD_WIRELESS, "无线参数设置", 180, 90, "宋体", 12, 0, kWirelessControls},
    {IDD_SLEEP_PERIOD, "睡眠周期设置", 128, 64, "宋体", 12, 0, kSleepPeriodControls},
    {IDD_WAKE_DELAY, "唤醒延时设置", 170, 76, "宋体", 12, 0, kWakeDelayControls},
    {IDD_PASSIVE_ADDR, "被动地址设置", 116, 64, "宋体", 12, 0, kPassiveAddrControls},
    {IDD_SAVE_ADDR, "省电地址设置", 120, 68, "宋体", 12, 0, kSaveAddrControls},
    {IDD_GROUP, "组号设置", 120, 60, "宋体", 12, 0, kGroupControls},
    {IDD_PASSWORD, "请输入密码", 134, 68, "宋体", 12, 0, kPasswordControls},
};

} // namespace

std::span<const Dialog> SettingsDialogs() {
    return kSettingsDialogs;
}

} // namespace tmx7::res
