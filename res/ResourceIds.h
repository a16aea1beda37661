#pragma once
// Resource identifiers: dialogs, menus, strings, pictures, controls and menu
// commands. The numbers tie the window tables together (a control id means
// the same widget in the template, in the view updates of the decoder and in
// the handlers), so they never change once given.
//
// Control ids are only unique within one dialog: 1021 is "连续发送" in the main
// window and "主动模式" in the serial-mode dialog. Each dialog's controls
// therefore get their own names; the main window's controls carry no prefix.

namespace tmx7::res {

// ---- Standard command ids of dialog buttons and modal results ----
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDC_STATIC = -1; // labels and frames that nobody addresses

// ---- Dialogs ----
inline constexpr int IDD_ABOUT = 100;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDD_SERIAL_SET = 130;
inline constexpr int IDD_SERIAL_FORMAT = 132;
inline constexpr int IDD_WIRELESS = 133;
inline constexpr int IDD_SLEEP_PERIOD = 134;
inline constexpr int IDD_FREQUENCY = 135;
inline constexpr int IDD_SAVE_ADDR = 138;
inline constexpr int IDD_WAKE_DELAY = 139;
inline constexpr int IDD_PASSIVE_ADDR = 140;
inline constexpr int IDD_GROUP = 141;
inline constexpr int IDD_CONTINUOUS_SEND = 142;
inline constexpr int IDD_SEND_COUNT = 148;
inline constexpr int IDD_SERIAL_MODE = 149;
inline constexpr int IDD_POWER_MODE = 150;
inline constexpr int IDD_PASSWORD = 174;

// ---- Strings ----
inline constexpr int IDS_ABOUT_ENTRY = 101;  // "关于 TMX7F(&A)..." in the system menu
inline constexpr int IDS_STATUS_MOTTO = 106; // text of the third status-bar pane

// ---- Menus and the system-menu entry ----
inline constexpr int IDR_MAIN_MENU = 129;
inline constexpr int IDM_SYSTEM_ABOUT = 16; // command of the appended system-menu entry

// ---- Icon and pictures ----
inline constexpr int IDI_APP = 159;
inline constexpr int IDB_PRODUCT_GPRS = 188;
inline constexpr int IDB_PRODUCT_RADIO = 189;
inline constexpr int IDB_PRODUCT_ALARM = 190;
inline constexpr int IDB_PRODUCT_TERMINAL = 191;
inline constexpr int IDB_TX_INDICATOR = 195;
inline constexpr int IDB_ABOUT = 196;

// ---- Main window (102) ----
inline constexpr int IDC_RECEIVE_AREA = 1000;
inline constexpr int IDC_SEND_AREA = 1001;
inline constexpr int IDC_CONTINUOUS_SEND = 1021;
inline constexpr int IDC_SEND = 1023;
inline constexpr int IDC_READ_DATA = 1024;
inline constexpr int IDC_CHECK_MEMORY = 1025;
inline constexpr int IDC_SEND_CALIBRATION = 1028;
inline constexpr int IDC_TRANSMIT_0101 = 1040;
inline constexpr int IDC_STOP_0101 = 1041;
inline constexpr int IDC_SIGNAL_STRENGTH = 1042;
// value fields ("********" until an answer fills them)
inline constexpr int IDC_VALUE_TX_FREQUENCY = 1038;
inline constexpr int IDC_VALUE_SERIAL_FORMAT = 1039;
inline constexpr int IDC_VALUE_SERIAL_MODE = 1043;
inline constexpr int IDC_VALUE_POWER_MODE = 1044;
inline constexpr int IDC_VALUE_SLEEP_PERIOD = 1045;
inline constexpr int IDC_VALUE_WAKE_DELAY = 1046;
inline constexpr int IDC_VALUE_ADDR_START = 1047;
inline constexpr int IDC_VALUE_GROUP_MAX = 1048;
inline constexpr int IDC_VALUE_AIR_RATE = 1049;
inline constexpr int IDC_VALUE_RX_FREQUENCY = 1050;
inline constexpr int IDC_VALUE_VERSION = 1051;
inline constexpr int IDC_VALUE_PASSIVE_ADDR = 1052;
inline constexpr int IDC_VALUE_SAVE_ADDR = 1053;
inline constexpr int IDC_VALUE_ADDR_LENGTH = 1056;
inline constexpr int IDC_VALUE_ADDR_TYPE = 1057;
inline constexpr int IDC_VALUE_TX_POWER = 1058;
inline constexpr int IDC_VALUE_GROUP = 1080;
// preset panel: buttons "1".."9" and their lines
inline constexpr int IDC_PRESET_SEND_1 = 1061;
inline constexpr int IDC_PRESET_SEND_9 = 1069;
inline constexpr int IDC_PRESET_LINE_1 = 1070;
inline constexpr int IDC_PRESET_LINE_9 = 1078;
inline constexpr int kPresetCount = 9;
// product column
inline constexpr int IDC_PRODUCT_LABEL_GPRS = 1088;
inline constexpr int IDC_PRODUCT_LABEL_RADIO = 1089;
inline constexpr int IDC_PRODUCT_LABEL_ALARM = 1090;
inline constexpr int IDC_PRODUCT_LABEL_TERMINAL = 1091;
inline constexpr int IDC_PRODUCT_PICTURE_GPRS = 1092;
inline constexpr int IDC_PRODUCT_PICTURE_RADIO = 1093;
inline constexpr int IDC_PRODUCT_PICTURE_ALARM = 1094;
inline constexpr int IDC_PRODUCT_PICTURE_TERMINAL = 1095;
inline constexpr int IDC_PRODUCT_GROUP = 1127;
inline constexpr int IDC_REFRESH_PROGRESS = 1099;
// parameter names (labels that report clicks)
inline constexpr int IDC_LABEL_TX_FREQUENCY = 1100;
inline constexpr int IDC_LABEL_SERIAL_FORMAT = 1101;
inline constexpr int IDC_LABEL_AIR_RATE = 1102;
inline constexpr int IDC_LABEL_GROUP = 1103;
inline constexpr int IDC_LABEL_SERIAL_MODE = 1104;
inline constexpr int IDC_LABEL_POWER_MODE = 1105;
inline constexpr int IDC_LABEL_SLEEP_PERIOD = 1106;
inline constexpr int IDC_LABEL_ADDR_START = 1107;
inline constexpr int IDC_LABEL_GROUP_MAX = 1108;
inline constexpr int IDC_LABEL_RX_FREQUENCY = 1109;
inline constexpr int IDC_LABEL_VERSION = 1110;
inline constexpr int IDC_LABEL_TX_POWER = 1111;
inline constexpr int IDC_LABEL_PASSIVE_ADDR = 1113;
inline constexpr int IDC_LABEL_SAVE_ADDR = 1114;
inline constexpr int IDC_LABEL_WAKE_DELAY = 1115;
inline constexpr int IDC_LABEL_ADDR_LENGTH = 1116;
inline constexpr int IDC_LABEL_ADDR_TYPE = 1117;
inline constexpr int IDC_PARAM_TABS = 1126;
// production controls
inline constexpr int IDC_CALIBRATION_A = 1133;
inline constexpr int IDC_CALIBRATION_B = 1134;
inline constexpr int IDC_CALIBRATION_LABEL = 1135;
inline constexpr int IDC_TX_INDICATOR = 1137;

// ---- About box (100) ----
inline constexpr int IDC_ABOUT_COMPANY = 1096;
inline constexpr int IDC_ABOUT_OK = 1128;
inline constexpr int IDC_ABOUT_PICTURE = 1130;

// ---- Serial settings (130) ----
inline constexpr int IDC_SERSET_PORT_LIST = 1022;
inline constexpr int IDC_SERSET_BAUD_LIST = 1023;
inline constexpr int IDC_SERSET_AUTO_DETECT = 1024;
inline constexpr int IDC_SERSET_CANCEL = 1025;
inline constexpr int IDC_SERSET_OK = 1037;

// ---- Serial format (132) ----
inline constexpr int IDC_SERFMT_FORMAT_OK = 1021;
inline constexpr int IDC_SERFMT_FORMAT_CANCEL = 1022;
inline constexpr int IDC_SERFMT_BAUD_OK = 1023;
inline constexpr int IDC_SERFMT_BAUD_CANCEL = 1024;
inline constexpr int IDC_SERFMT_FORMAT_LIST = 1025;
inline constexpr int IDC_SERFMT_BAUD_LIST = 1026;

// ---- Wireless (133) ----
inline constexpr int IDC_WIRELESS_POWER_LIST = 1022;
inline constexpr int IDC_WIRELESS_RATE_LIST = 1023;
inline constexpr int IDC_WIRELESS_SET_POWER = 1024;
inline constexpr int IDC_WIRELESS_SET_RATE = 1025;
inline constexpr int IDC_WIRELESS_CANCEL = 1040;

// ---- Sleep period (134) ----
inline constexpr int IDC_SLEEP_VALUE = 1000;
inline constexpr int IDC_SLEEP_CANCEL = 1021;
inline constexpr int IDC_SLEEP_OK = 1025;
inline constexpr int IDC_SLEEP_SCROLL = 1031;

// ---- Frequency (135): channels 1..17 top to bottom, then cancel ----
inline constexpr int kFrequencyButtons[17] = {1021, 1022, 1023, 1024, 1025, 1040, 1041, 1042, 1043,
                                              1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051};
inline constexpr int IDC_FREQ_CANCEL = 1027;

// ---- Power-saving address (138), group number (141) ----
inline constexpr int IDC_SAVEADDR_VALUE = 1000;
inline constexpr int IDC_SAVEADDR_OK = 1021;
inline constexpr int IDC_SAVEADDR_CANCEL = 1022;
inline constexpr int IDC_GROUP_VALUE = 1000;
inline constexpr int IDC_GROUP_OK = 1021;
inline constexpr int IDC_GROUP_CANCEL = 1022;

// ---- Wake-up delay (139), passive address (140) ----
inline constexpr int IDC_WAKE_VALUE = 1001;
inline constexpr int IDC_WAKE_OK = 1021;
inline constexpr int IDC_WAKE_CANCEL = 1022;
inline constexpr int IDC_WAKE_SCROLL = 1032;
inline constexpr int IDC_PASSIVE_VALUE = 1000;
inline constexpr int IDC_PASSIVE_OK = 1021;
inline constexpr int IDC_PASSIVE_CANCEL = 1022;
inline constexpr int IDC_PASSIVE_SCROLL = 1032;

// ---- Continuous send (142), send count (148) ----
inline constexpr int IDC_CONTSEND_COUNT = 1000;
inline constexpr int IDC_CONTSEND_OK = 1021;
inline constexpr int IDC_CONTSEND_CANCEL = 1023;
inline constexpr int IDC_CONTSEND_USER_DATA = 1033;
inline constexpr int IDC_CONTSEND_STD_DATA = 1034;
inline constexpr int IDC_CONTSEND_UNTIL_STOPPED = 1035;
inline constexpr int IDC_CONTSEND_COUNTED = 1036;
inline constexpr int IDC_CONTSEND_INTERVAL = 1072;
inline constexpr int IDC_SENDCOUNT_VALUE = 1000;
inline constexpr int IDC_SENDCOUNT_OK = 1021;

// ---- Serial mode (149), power mode (150) ----
inline constexpr int IDC_SERMODE_ACTIVE = 1021;
inline constexpr int IDC_SERMODE_PASSIVE = 1022;
inline constexpr int IDC_SERMODE_MODBUS = 1023;
inline constexpr int IDC_SERMODE_CANCEL = 1024;
inline constexpr int IDC_POWERMODE_NORMAL = 1021;
inline constexpr int IDC_POWERMODE_SAVING = 1022;
inline constexpr int IDC_POWERMODE_CANCEL = 1023;

// ---- Password (174) ----
inline constexpr int IDC_PASSWORD_VALUE = 1000;

// ---- Menu commands (menu 129) ----
inline constexpr int ID_FILE_REFRESH = 32771;
inline constexpr int ID_FILE_EXIT = 32772;
inline constexpr int ID_DATA_EDIT_USER = 32773;
inline constexpr int ID_DATA_SHOW_USER = 32775;
inline constexpr int ID_DATA_SHOW_STANDARD = 32776;
inline constexpr int ID_MODE_ACTIVE = 32777;
inline constexpr int ID_MODE_PASSIVE = 32778;
inline constexpr int ID_MODE_MODBUS = 32779;
inline constexpr int ID_POWER_NORMAL = 32780;
inline constexpr int ID_POWER_SAVING = 32781;
inline constexpr int ID_SET_FREQUENCY = 32782;
inline constexpr int ID_SET_SERIAL_FORMAT = 32783;
inline constexpr int ID_SET_SLEEP_PERIOD = 32784;
inline constexpr int ID_SET_SAVE_ADDR = 32785;
inline constexpr int ID_SET_WAKE_DELAY = 32786;
inline constexpr int ID_SET_PASSIVE_ADDR = 32787;
inline constexpr int ID_SET_GROUP = 32788;
inline constexpr int ID_SET_WIRELESS = 32789;
inline constexpr int ID_SET_PRODUCTION = 32790;
inline constexpr int ID_PORT_CLOSE = 32791;
inline constexpr int ID_PORT_OPEN = 32792;
inline constexpr int ID_STD_LENGTH_192 = 32794;
inline constexpr int ID_STD_LENGTH_48 = 32795;
inline constexpr int ID_STD_LENGTH_20 = 32803;
inline constexpr int ID_FILE_IMPORT = 32804;
inline constexpr int ID_FILE_EXPORT = 32805;
inline constexpr int ID_FILE_DOWNLOAD = 32808;
inline constexpr int ID_HELP_DOCUMENT = 32811;
inline constexpr int ID_HELP_ABOUT = 32813;
inline constexpr int ID_HELP_HOME_PAGE = 32815;

} // namespace tmx7::res

#include "protocol/Fields.h"

namespace tmx7::res {

// The value field of each Field, in Field order.
inline constexpr int kFieldControls[17] = {
    IDC_VALUE_TX_FREQUENCY, IDC_VALUE_RX_FREQUENCY, IDC_VALUE_AIR_RATE,    IDC_VALUE_SERIAL_FORMAT,
    IDC_VALUE_VERSION,      IDC_VALUE_TX_POWER,     IDC_VALUE_GROUP,       IDC_VALUE_POWER_MODE,
    IDC_VALUE_SERIAL_MODE,  IDC_VALUE_SLEEP_PERIOD, IDC_VALUE_ADDR_TYPE,   IDC_VALUE_SAVE_ADDR,
    IDC_VALUE_GROUP_MAX,    IDC_VALUE_WAKE_DELAY,   IDC_VALUE_ADDR_LENGTH, IDC_VALUE_ADDR_START,
    IDC_VALUE_PASSIVE_ADDR,
};
constexpr int ControlFor(Field field) {
    return kFieldControls[static_cast<int>(field)];
}

// The menu command or button of each Command, in Command order.
inline constexpr int kCommandIds[] = {
    ID_FILE_REFRESH,     ID_FILE_IMPORT,        ID_FILE_EXPORT,      ID_FILE_DOWNLOAD,
    ID_FILE_EXIT,        ID_PORT_OPEN,          ID_PORT_CLOSE,       ID_DATA_EDIT_USER,
    ID_DATA_SHOW_USER,   ID_DATA_SHOW_STANDARD, ID_STD_LENGTH_20,    ID_STD_LENGTH_48,
    ID_STD_LENGTH_192,   ID_MODE_ACTIVE,        ID_MODE_PASSIVE,     ID_MODE_MODBUS,
    ID_POWER_NORMAL,     ID_POWER_SAVING,       ID_SET_FREQUENCY,    ID_SET_SERIAL_FORMAT,
    ID_SET_SLEEP_PERIOD, ID_SET_SAVE_ADDR,      ID_SET_WAKE_DELAY,   ID_SET_PASSIVE_ADDR,
    ID_SET_GROUP,        ID_SET_WIRELESS,       ID_SET_PRODUCTION,   ID_HELP_DOCUMENT,
    ID_HELP_HOME_PAGE,   ID_HELP_ABOUT,         IDC_CONTINUOUS_SEND, IDC_SEND,
    IDC_READ_DATA,       IDC_CHECK_MEMORY,
};
constexpr int IdFor(Command command) {
    return kCommandIds[static_cast<int>(command)];
}
constexpr bool IsButton(Command command) {
    return command >= Command::ContinuousSend;
}

} // namespace tmx7::res
