#pragma once
// The seventeen value fields of a module, the parameter pages they sit on and
// the commands of the menus and buttons, as the engine names them. Every list
// of fields anywhere in the program is kFields or a filter over it; the window
// maps a Field to its widget, the command line to a JSON key, the parameter
// file to its key.

#include "protocol/Frames.h"
#include "protocol/ParamSet.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

enum class Page : std::uint8_t { General, PowerSaving, Passive };

struct PageInfo {
    Page page;
    std::string_view caption;
    int position; // tab position when present
};

inline constexpr std::array<PageInfo, 3> kPages = {{
    {Page::General, "一般参数", 0},
    {Page::PowerSaving, "省电参数", 1},
    {Page::Passive, "被动参数", 2},
}};

constexpr const PageInfo& PageOf(Page page) {
    return kPages[static_cast<std::size_t>(page)];
}

// In the order the pages show them: three columns of three rows per page,
// column by column.
enum class Field : std::uint8_t {
    TxFrequency,
    RxFrequency,
    AirRate,
    SerialFormat,
    Version,
    TxPower,
    Group,
    PowerMode,
    SerialMode,
    SleepPeriod,
    AddrType,
    SaveAddr,
    GroupMax,
    WakeDelay,
    AddrLength,
    AddrStart,
    PassiveAddr,
};
inline constexpr std::size_t kFieldCount = 17;

// What a double-click on a field's value starts. The two mode choices run
// their dialog first; the others are the menu operations of the same name.
enum class EditAction : std::uint8_t {
    None,
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

struct FieldInfo {
    Field field;
    std::string_view key;     // JSON, records and `set` arguments
    std::string_view caption; // the label beside the value
    Page page;
    CommandCode code;              // the query whose answer fills it and the set that changes it
    int answerByte;                // CmdAddrParams: which value byte (1..4); else 0
    std::string ParamSet::*member; // nullptr: shown only (the receive frequency)
    std::string_view fileKey;      // parameter-file key; empty when the file has none
    int fileOrder;                 // position among the file's keys (the port name is 1)
    const char* importDefault; // taken when an imported file lacks the key; nullptr: export only
    int blankOrder;            // position in the refresh's blanking of the display
    EditAction edit;           // what a double-click on the value starts
};

// clang-format off
inline constexpr std::array<FieldInfo, kFieldCount> kFields = {{
//   field               key             caption        page               code          byte member                  file key       file import default blank edit
    {Field::TxFrequency,  "txFrequency",  "发射频率",     Page::General,     CmdFrequency,    0, &ParamSet::frequency,    "空中频率",     6, "431.000MHz", 0,  EditAction::SetFrequency},
    {Field::RxFrequency,  "rxFrequency",  "接收频率",     Page::General,     CmdFrequency,    0, nullptr,                 "",            -1, nullptr,      10, EditAction::SetFrequency},
    {Field::AirRate,      "airRate",      "无线速率",     Page::General,     CmdAirRate,      0, &ParamSet::airRate,      "空中速率",     7, "9600bps",    8,  EditAction::SetWireless},
    {Field::SerialFormat, "serialFormat", "串口格式",     Page::General,     CmdSerialFormat, 0, &ParamSet::serialFormat, "接口格式",     2, nullptr,      1,  EditAction::SetSerialFormat},
    {Field::Version,      "version",      "模块版本",     Page::General,     CmdVersion,      0, &ParamSet::version,      "版本号",       0, nullptr,      11, EditAction::None},
    {Field::TxPower,      "power",        "发射功率",     Page::General,     CmdTxPower,      0, &ParamSet::power,        "发射功率",     3, "7",          16, EditAction::SetWireless},
    {Field::Group,        "group",        "组    号",     Page::General,     CmdGroup,        0, &ParamSet::group,        "组号",         8, "00",         9,  EditAction::SetGroup},
    {Field::PowerMode,    "powerMode",    "省电模式",     Page::General,     CmdPowerMode,    0, &ParamSet::powerMode,    "省电模式",     4, "普通模式",   3,  EditAction::PowerModeChoice},
    {Field::SerialMode,   "serialMode",   "串口模式",     Page::General,     CmdSerialMode,   0, &ParamSet::serialMode,   "串口模式",     5, "主动模式",   2,  EditAction::SerialModeChoice},
    {Field::SleepPeriod,  "sleepPeriod",  "省电周期",     Page::PowerSaving, CmdSleepPeriod,  0, &ParamSet::sleepPeriod,  "省电周期",    11, "2",          4,  EditAction::SetSleepPeriod},
    {Field::AddrType,     "addrType",     "地址类型",     Page::PowerSaving, CmdAddrParams,   4, &ParamSet::addrType,     "地址类型",    16, nullptr,      15, EditAction::None},
    {Field::SaveAddr,     "saveAddr",     "省电地址",     Page::PowerSaving, CmdSaveAddr,     0, &ParamSet::saveAddr,     "省电地址",    10, "00 00",      13, EditAction::SetSaveAddress},
    {Field::GroupMax,     "groupMax",     "组内最大数",   Page::PowerSaving, CmdAddrParams,   3, &ParamSet::groupMax,     "组内最大数",  15, nullptr,      7,  EditAction::None},
    {Field::WakeDelay,    "wakeDelay",    "唤醒延时",     Page::PowerSaving, CmdWakeDelay,    0, &ParamSet::wakeDelay,    "唤醒延时",    12, "0.3",        5,  EditAction::SetWakeDelay},
    {Field::AddrLength,   "addrLength",   "地址长度",     Page::PowerSaving, CmdAddrParams,   2, &ParamSet::addrLength,   "地址长度",    14, nullptr,      14, EditAction::None},
    {Field::AddrStart,    "addrStart",    "地址开始位置", Page::PowerSaving, CmdAddrParams,   1, &ParamSet::addrStart,    "地址开始位置", 13, nullptr,     6,  EditAction::None},
    {Field::PassiveAddr,  "passiveAddr",  "被动地址",     Page::Passive,     CmdPassiveAddr,  0, &ParamSet::passiveAddr,  "被动地址",     9, "30 30",      12, EditAction::SetPassiveAddress},
}};
// clang-format on

constexpr const FieldInfo& InfoOf(Field field) {
    return kFields[static_cast<std::size_t>(field)];
}

// The field with that key ("txFrequency"); nothing for any other text.
std::optional<Field> FieldForKey(std::string_view key);

// The fields whose value the answer to `code` fills (CmdSerialBaud fills
// the serial format's first half).
std::vector<Field> FieldsAnsweredBy(CommandCode code);

// The fields in the order the refresh blanks them.
std::array<Field, kFieldCount> BlankOrder();

// ---- commands of the menus and the window's buttons --------------------------

enum class Command : std::uint8_t {
    // "文件"
    Refresh,
    ImportParams,
    ExportParams,
    DownloadParams,
    Exit,
    // "通信设置"
    OpenPort,
    ClosePort,
    EditUserData,
    ShowUserData,
    ShowStandardData,
    StdLength20,
    StdLength48,
    StdLength192,
    // "参数设置"
    ActiveMode,
    PassiveMode,
    ModbusMode,
    NormalMode,
    PowerSavingMode,
    SetFrequency,
    SetSerialFormat,
    SetSleepPeriod,
    SetSaveAddress,
    SetWakeDelay,
    SetPassiveAddress,
    SetGroup,
    SetWireless,
    ProductionMode,
    // "帮助"
    HelpDocument,
    HomePage,
    About,
    // buttons of the data test
    ContinuousSend,
    Send,
    ReadData,
    CheckMemory,
};

// The menu command whose greying governs a double-click action (the active
// mode stands for the serial-mode submenu, the normal mode for the power one).
std::optional<Command> CommandOf(EditAction action);

} // namespace tmx7
