#include "res/Templates.h"

#include <vector>

#include "res/ResourceIds.h"

#include <array>

namespace tmx7::res {
namespace {

// ---------------------------------------------------------------------------
// 102: main window, 529 x 318, menu 129. Frames come first so that everything
// inside them lies above them; the tab control comes before the label/value
// pairs that sit on its page area.
constexpr std::uint32_t kValue = kCentre | kSunken;
constexpr std::uint32_t kLabel = kNotify;
constexpr std::uint32_t kHiddenLabel = kNotify | kHidden;
constexpr std::uint32_t kHiddenValue = kValue | kHidden;

// Page columns: labels at 111 / 245 / 382, values at 149 / 289 / 434;
// rows at 218 / 245 / 270.
constexpr Control kMainControls[] = {
    {IDC_STATIC, Kind::GroupBox, "接收区", {86, 6, 193, 167}},
    {IDC_STATIC, Kind::GroupBox, "发送区", {315, 6, 203, 167}},
    {IDC_PRODUCT_GROUP, Kind::GroupBox, "公司产品", {10, 6, 58, 288}},
    {IDC_RECEIVE_AREA, Kind::Edit, "", {94, 22, 175, 127}, kMultiLine | kReadOnly | kVScroll},
    {IDC_SEND_AREA,
     Kind::Edit,
     "",
     {325, 22, 183, 127},
     kMultiLine | kReadOnly | kVScroll | kWantReturn},
    {IDC_READ_DATA, Kind::Button, "读数据", {114, 155, 50, 14}},
    {IDC_CHECK_MEMORY, Kind::Button, "判断内存", {194, 156, 50, 14}},
    {IDC_CONTINUOUS_SEND, Kind::Button, "连续发送", {362, 155, 50, 14}},
    {IDC_SEND, Kind::Button, "发送", {440, 155, 50, 14}},
    // preset panel (hidden until the send area is double-clicked)
    {1070, Kind::Edit, "", {362, 22, 124, 12}},
    {1071, Kind::Edit, "", {362, 36, 124, 12}},
    {1072, Kind::Edit, "", {362, 50, 124, 12}},
    {1073, Kind::Edit, "", {362, 64, 124, 12}},
    {1074, Kind::Edit, "", {362, 78, 124, 12}},
    {1075, Kind::Edit, "", {362, 92, 124, 12}},
    {1076, Kind::Edit, "", {362, 106, 124, 12}},
    {1077, Kind::Edit, "", {362, 120, 124, 12}},
    {1078, Kind::Edit, "", {362, 134, 124, 12}},
    {1061, Kind::Button, "1", {490, 22, 22, 11}},
    {1062, Kind::Button, "2", {490, 36, 22, 11}},
    {1063, Kind::Button, "3", {490, 50, 22, 11}},
    {1064, Kind::Button, "4", {490, 64, 22, 11}},
    {1065, Kind::Button, "5", {490, 78, 22, 11}},
    {1066, Kind::Button, "6", {490, 92, 22, 11}},
    {1067, Kind::Button, "7", {490, 106, 22, 11}},
    {1068, Kind::Button, "8", {490, 120, 22, 11}},
    {1069, Kind::Button, "9", {490, 134, 22, 11}},
    // production controls, between the data areas and the parameter pages
    {IDC_TRANSMIT_0101, Kind::Button, "发射0101", {86, 177, 48, 14}},
    {IDC_STOP_0101, Kind::Button, "停发0101", {138, 177, 48, 14}},
    {IDC_SIGNAL_STRENGTH, Kind::Button, "信号强度", {190, 177, 48, 14}},
    {IDC_CALIBRATION_LABEL, Kind::Static, "频率校准值", {248, 179, 44, 10}},
    {IDC_CALIBRATION_A, Kind::Edit, "00", {294, 177, 20, 13}},
    {IDC_CALIBRATION_B, Kind::Edit, "00", {318, 177, 20, 13}},
    {IDC_SEND_CALIBRATION, Kind::Button, "设置", {342, 177, 36, 14}},
    {IDC_TX_INDICATOR, Kind::Picture, "", {384, 176, 16, 16}, kNoStyle, IDB_TX_INDICATOR},
    // parameter pages
    {IDC_PARAM_TABS, Kind::Tab, "一般参数", {86, 196, 432, 97}},
    // "一般参数"
    {IDC_LABEL_TX_FREQUENCY, Kind::Static, "发射频率", {111, 219, 36, 10}, kLabel},
    {IDC_VALUE_TX_FREQUENCY, Kind::Static, "********", {149, 218, 84, 12}, kValue},
    {IDC_LABEL_RX_FREQUENCY, Kind::Static, "接收频率", {111, 246, 36, 10}, kLabel},
    {IDC_VALUE_RX_FREQUENCY, Kind::Static, "********", {149, 245, 84, 12}, kValue},
    {IDC_LABEL_AIR_RATE, Kind::Static, "无线速率", {111, 271, 36, 10}, kLabel},
    {IDC_VALUE_AIR_RATE, Kind::Static, "********", {149, 270, 84, 12}, kValue},
    {IDC_LABEL_SERIAL_FORMAT, Kind::Static, "串口格式", {245, 219, 42, 10}, kLabel},
    {IDC_VALUE_SERIAL_FORMAT, Kind::Static, "********", {289, 218, 84, 12}, kValue},
    {IDC_LABEL_VERSION, Kind::Static, "模块版本", {245, 246, 42, 10}, kLabel},
    {IDC_VALUE_VERSION, Kind::Static, "********", {289, 245, 84, 12}, kValue},
    {IDC_LABEL_TX_POWER, Kind::Static, "发射功率", {245, 271, 42, 10}, kLabel},
    {IDC_VALUE_TX_POWER, Kind::Static, "********", {289, 270, 84, 12}, kValue},
    {IDC_LABEL_GROUP, Kind::Static, "组    号", {382, 219, 50, 10}, kLabel},
    {IDC_VALUE_GROUP, Kind::Static, "********", {434, 218, 78, 12}, kValue},
    {IDC_LABEL_POWER_MODE, Kind::Static, "省电模式", {382, 246, 50, 10}, kLabel},
    {IDC_VALUE_POWER_MODE, Kind::Static, "********", {434, 245, 78, 12}, kValue},
    {IDC_LABEL_SERIAL_MODE, Kind::Static, "串口模式", {382, 271, 50, 10}, kLabel},
    {IDC_VALUE_SERIAL_MODE, Kind::Static, "********", {434, 270, 78, 12}, kValue},
    // "省电参数" (same positions; shown instead of the general pairs)
    {IDC_LABEL_SLEEP_PERIOD, Kind::Static, "省电周期", {111, 219, 36, 10}, kHiddenLabel},
    {IDC_VALUE_SLEEP_PERIOD, Kind::Static, "********", {149, 218, 84, 12}, kHiddenValue},
    {IDC_LABEL_ADDR_TYPE, Kind::Static, "地址类型", {111, 246, 36, 10}, kHiddenLabel},
    {IDC_VALUE_ADDR_TYPE, Kind::Static, "********", {149, 245, 84, 12}, kHiddenValue},
    {IDC_LABEL_SAVE_ADDR, Kind::Static, "省电地址", {111, 271, 36, 10}, kHiddenLabel},
    {IDC_VALUE_SAVE_ADDR, Kind::Static, "********", {149, 270, 84, 12}, kHiddenValue},
    {IDC_LABEL_GROUP_MAX, Kind::Static, "组内最大数", {245, 219, 42, 10}, kHiddenLabel},
    {IDC_VALUE_GROUP_MAX, Kind::Static, "********", {289, 218, 84, 12}, kHiddenValue},
    {IDC_LABEL_WAKE_DELAY, Kind::Static, "唤醒延时", {245, 246, 42, 10}, kHiddenLabel},
    {IDC_VALUE_WAKE_DELAY, Kind::Static, "********", {289, 245, 84, 12}, kHiddenValue},
    {IDC_LABEL_ADDR_LENGTH, Kind::Static, "地址长度", {245, 271, 42, 10}, kHiddenLabel},
    {IDC_VALUE_ADDR_LENGTH, Kind::Static, "********", {289, 270, 84, 12}, kHiddenValue},
    {IDC_LABEL_ADDR_START, Kind::Static, "地址开始位置", {382, 219, 50, 10}, kHiddenLabel},
    {IDC_VALUE_ADDR_START, Kind::Static, "********", {434, 218, 78, 12}, kHiddenValue},
    // "被动参数"
    {IDC_LABEL_PASSIVE_ADDR, Kind::Static, "被动地址", {111, 219, 36, 10}, kHiddenLabel},
    {IDC_VALUE_PASSIVE_ADDR, Kind::Static, "********", {149, 218, 84, 12}, kHiddenValue},
    // product column
    {IDC_PRODUCT_PICTURE_GPRS, Kind::Picture, "", {11, 19, 56, 47}, kNoStyle, IDB_PRODUCT_GPRS},
    {IDC_PRODUCT_LABEL_GPRS, Kind::Static, "GPRS模块", {11, 68, 56, 10}, kCentre},
    {IDC_PRODUCT_PICTURE_RADIO, Kind::Picture, "", {11, 83, 56, 45}, kNoStyle, IDB_PRODUCT_RADIO},
    {IDC_PRODUCT_LABEL_RADIO, Kind::Static, "无线数传模块", {11, 130, 56, 10}, kCentre},
    {IDC_PRODUCT_PICTURE_ALARM, Kind::Picture, "", {11, 150, 56, 42}, kNoStyle, IDB_PRODUCT_ALARM},
    {IDC_PRODUCT_LABEL_ALARM, Kind::Static, "报警模块", {11, 194, 56, 10}, kCentre},
    {IDC_PRODUCT_PICTURE_TERMINAL,
     Kind::Picture,
     "",
     {11, 217, 56, 45},
     kNoStyle,
     IDB_PRODUCT_TERMINAL},
    {IDC_PRODUCT_LABEL_TERMINAL, Kind::Static, "测控终端", {11, 264, 56, 10}, kCentre},
    // refresh progress; it lies over the status bar's middle pane
    {IDC_REFRESH_PROGRESS, Kind::Progress, "", {269, 307, 189, 10}},
};

// ---------------------------------------------------------------------------
// 130: serial settings. None of the buttons is the default.
constexpr Control kSerialSetControls[] = {
    {IDC_STATIC,
     Kind::Static,
     "请验证串口速率、串口号是否正确，若不正确请重新输入。",
     {12, 8, 246, 20}},
    {IDC_STATIC, Kind::Static, "串口号", {12, 38, 30, 10}},
    {IDC_SERSET_PORT_LIST, Kind::Combo, "", {46, 36, 150, 100}, kSorted},
    {IDC_STATIC, Kind::Static, "波特率", {12, 60, 30, 10}},
    {IDC_SERSET_BAUD_LIST,
     Kind::Combo,
     "",
     {46, 58, 150, 100},
     kNoStyle,
     0,
     "1200bps\n2400bps\n4800bps\n9600bps\n19200bps\n38400bps\n57600bps"},
    {IDC_SERSET_OK, Kind::Button, "确定", {206, 34, 52, 14}},
    {IDC_SERSET_AUTO_DETECT, Kind::Button, "自动检测", {206, 54, 52, 14}},
    {IDC_SERSET_CANCEL, Kind::Button, "取消", {206, 74, 52, 14}},
};

// ---------------------------------------------------------------------------
// 100: about box. The company lines are placeholders to be filled by whoever
// ships the tool under their own name.
constexpr Control kAboutControls[] = {
    {IDC_ABOUT_PICTURE, Kind::Picture, "", {8, 8, 226, 203}, kNoStyle, IDB_ABOUT},
    {IDC_ABOUT_COMPANY, Kind::Static, "示例通信有限公司", {246, 10, 176, 22}},
    {IDC_STATIC, Kind::Static, "地址：（公司地址）", {246, 40, 176, 10}},
    {IDC_STATIC, Kind::Static, "邮编：000000", {246, 54, 176, 10}},
    {IDC_STATIC, Kind::Static, "QQ：000000000", {246, 68, 176, 10}},
    {IDC_STATIC, Kind::Static, "电话/传真：000-00000000", {246, 82, 176, 10}},
    {IDC_STATIC, Kind::Static, "办公时间：周一至周五 9:00-17:00", {246, 96, 176, 10}},
    {IDC_STATIC, Kind::Static, "服务邮箱：service@example.com", {246, 110, 176, 10}},
    {IDC_STATIC, Kind::Static, "软件名称：TMX7设置和测试软件", {246, 150, 176, 10}},
    {IDC_STATIC, Kind::Static, "软件编号：TMX7-000", {246, 164, 176, 10}},
    {IDC_STATIC, Kind::Picture, "", {246, 186, 20, 20}, kNoStyle, IDI_APP},
    {IDC_ABOUT_OK, Kind::DefaultButton, "确定", {366, 190, 50, 14}},
};

constexpr Dialog kDialogs[] = {
    {IDD_ABOUT, "关于Q系列电台测试软件", 429, 219, "宋体", 9, 0, kAboutControls},
    {IDD_MAIN, "远桥通信——Q系列电台", 529, 318, "宋体", 9, IDR_MAIN_MENU, kMainControls},
    {IDD_SERIAL_SET, "串口设置", 270, 96, "宋体", 9, 0, kSerialSetControls},
};

// ---------------------------------------------------------------------------
// Menu 129.
constexpr MenuEntry kMainMenu[] = {
    {0, 0, "文件", kMenuPopup},
    {1, ID_FILE_REFRESH, "刷新参数"},
    {1, ID_FILE_IMPORT, "导入参数"},
    {1, ID_FILE_EXPORT, "导出参数"},
    {1, ID_FILE_DOWNLOAD, "下载参数"},
    {1, ID_FILE_EXIT, "退出"},
    {0, 0, "数据设置", kMenuPopup},
    {1, ID_DATA_EDIT_USER, "编辑用户数据"},
    {1, ID_DATA_SHOW_USER, "用户数据显示"},
    {1, ID_DATA_SHOW_STANDARD, "标准数据显示"},
    {0, 0, "参数设置", kMenuPopup},
    {1, 0, "串口模式设置", kMenuPopup},
    {2, ID_MODE_ACTIVE, "主动模式"},
    {2, ID_MODE_PASSIVE, "被动模式"},
    {2, ID_MODE_MODBUS, "MODBUS"},
    {1, 0, "省电模式设置", kMenuPopup},
    {2, ID_POWER_NORMAL, "普通模式"},
    {2, ID_POWER_SAVING, "省电模式"},
    {1, ID_SET_FREQUENCY, "频率设置..."},
    {1, ID_SET_SERIAL_FORMAT, "串口格式设置"},
    {1, 0, "", kMenuSeparator},
    {1, ID_SET_SLEEP_PERIOD, "睡眠周期设置"},
    {1, ID_SET_SAVE_ADDR, "省电地址设置"},
    {1, ID_SET_WAKE_DELAY, "唤醒延时设置"},
    {1, 0, "", kMenuSeparator},
    {1, ID_SET_PASSIVE_ADDR, "被动地址设置"},
    {1, 0, "", kMenuSeparator},
    {1, ID_SET_GROUP, "组号设置"},
    {1, ID_SET_WIRELESS, "无线参数设置"},
    {1, 0, "", kMenuSeparator},
    {1, ID_SET_PRODUCTION, "生产参数设置"},
    {0, 0, "通信设置", kMenuPopup},
    {1, ID_PORT_CLOSE, "关闭串口"},
    {1, ID_PORT_OPEN, "打开串口"},
    {1, 0, "标准数据长度", kMenuPopup},
    {2, ID_STD_LENGTH_192, "192字节"},
    {2, ID_STD_LENGTH_48, "48字节"},
    {2, ID_STD_LENGTH_20, "20字节", kMenuChecked},
    {0, 0, "帮助", kMenuPopup},
    {1, ID_HELP_DOCUMENT, "帮助文档"},
    {1, ID_HELP_HOME_PAGE, "公司主页"},
    {1, 0, "", kMenuSeparator},
    {1, ID_HELP_ABOUT, "关于"},
};

constexpr Menu kMenus[] = {
    {IDR_MAIN_MENU, kMainMenu},
};

constexpr StringEntry kStrings[] = {
    {IDS_ABOUT_ENTRY, "关于 TMX7F(&A)..."},
    {IDS_STATUS_MOTTO, "我们是优秀的团队"},
};

} // namespace

const Dialog* FindDialog(int id) {
    for (auto group : {std::span<const Dialog>(kDialogs), SettingsDialogs(), DataTestDialogs()})
        for (const Dialog& d : group)
            if (d.id == id)
                return &d;
    return nullptr;
}

const Menu* FindMenu(int id) {
    for (const Menu& m : kMenus)
        if (m.id == id)
            return &m;
    return nullptr;
}

const char* LoadString(int id) {
    for (const StringEntry& s : kStrings)
        if (s.id == id)
            return s.text;
    return "";
}

std::span<const Dialog> AllDialogs() {
    static const std::vector<Dialog> all = [] {
        std::vector<Dialog> v(std::begin(kDialogs), std::end(kDialogs));
        for (auto group : {SettingsDialogs(), DataTestDialogs()})
            v.insert(v.end(), group.begin(), group.end());
        return v;
    }();
    return all;
}

} // namespace tmx7::res
