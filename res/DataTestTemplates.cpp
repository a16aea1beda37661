// Templates of the continuous-send and send-count dialogs.

#include "res/ResourceIds.h"
#include "res/Templates.h"

namespace tmx7::res {
namespace {

// 142 "连续发送数据": payload on the left, how often on the right, the period
// below, OK and cancel at the bottom. OK is the default button so that Enter
// goes through the same range checks as a click.
constexpr Control kContinuousSendControls[] = {
    {IDC_STATIC, Kind::GroupBox, "数据形式", {7, 6, 78, 48}},
    {IDC_CONTSEND_USER_DATA, Kind::Radio, "用户数据", {16, 20, 62, 10}, kGroupStart},
    {IDC_CONTSEND_STD_DATA, Kind::Radio, "标准形式", {16, 36, 62, 10}},
    {IDC_STATIC, Kind::GroupBox, "传输次数", {91, 6, 84, 48}},
    {IDC_CONTSEND_UNTIL_STOPPED, Kind::Radio, "直到被用户中断", {98, 20, 74, 10}, kGroupStart},
    {IDC_CONTSEND_COUNTED, Kind::Radio, "发射次数", {98, 36, 44, 10}},
    {IDC_CONTSEND_COUNT, Kind::Edit, "", {143, 34, 27, 13}, kRight},
    {IDC_STATIC, Kind::Static, "时间间隔", {12, 63, 36, 10}},
    {IDC_CONTSEND_INTERVAL, Kind::Edit, "", {50, 61, 56, 13}, kRight},
    {IDC_STATIC, Kind::Static, "毫秒", {110, 63, 22, 10}},
    {IDC_CONTSEND_OK, Kind::DefaultButton, "确定", {32, 79, 50, 14}},
    {IDC_CONTSEND_CANCEL, Kind::Button, "取消", {100, 79, 50, 14}},
};

// 148 "发送次数显示": the running count, centred, and the one way to stop.
constexpr Control kSendCountControls[] = {
    {IDC_STATIC, Kind::Static, "发送次数", {24, 28, 38, 10}},
    {IDC_SENDCOUNT_VALUE, Kind::Edit, "0", {66, 25, 92, 14}, kCentre | kReadOnly | kNumber},
    {IDC_SENDCOUNT_OK, Kind::DefaultButton, "确定", {68, 62, 50, 14}},
};

constexpr Dialog kDataTestDialogs[] = {
    {IDD_CONTINUOUS_SEND, "连续发送数据", 182, 98, "宋体", 12, 0, kContinuousSendControls},
    {IDD_SEND_COUNT, "发送次数显示", 187, 94, "宋体", 12, 0, kSendCountControls},
};

} // namespace

std::span<const Dialog> DataTestDialogs() {
    return kDataTestDialogs;
}

} // namespace tmx7::res
