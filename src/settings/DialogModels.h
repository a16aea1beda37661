#pragma once
// What the parameter dialogs and the password dialog hold and decide, without
// any window: the choice each button stands for, the scroll bars, the key
// filters, and the checks run on OK with the texts the user is shown. The
// window classes keep one of these and map their widgets onto it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tmx7 {

// ---- choice dialogs ---------------------------------------------------------

struct ChoiceButton {
    std::string_view caption;
    int choice; // 0 = the dialog's cancel button
};

// clang-format off
inline constexpr std::array<ChoiceButton, 4> kSerialModeButtons = {{ // CSerialModeDlg
    {"主动模式", 1},
    {"被动模式", 2},
    {"MODBUS",   3},
    {"取消",     0},
}};

inline constexpr std::array<ChoiceButton, 3> kPowerModeButtons = {{  // CPowerModeDlg
    {"普通模式", 1},
    {"省电模式", 2},
    {"取消",     0},
}};

inline constexpr std::array<ChoiceButton, 18> kFrequencyButtons = {{ // CFrequencyDlg, top to bottom
    {"431.000MHz",  1}, {"431.250MHz",  2}, {"431.500MHz",  3},
    {"431.750MHz",  4}, {"432.000MHz",  5}, {"432.250MHz",  6},
    {"432.500MHz",  7}, {"432.750MHz",  8}, {"433.000MHz",  9},
    {"433.250MHz", 10}, {"433.500MHz", 11}, {"433.750MHz", 12},
    {"434.000MHz", 13}, {"434.250MHz", 14}, {"434.500MHz", 15},
    {"434.750MHz", 16}, {"435.000MHz", 17}, {"取消",        0},
}};

inline constexpr std::array<ChoiceButton, 3> kWirelessButtons = {{    // CWirelessDlg
    {"设置", 2}, // under the power list
    {"设置", 3}, // under the rate list
    {"取消", 0},
}};
// clang-format on

// ---- serial format dialog ----------------------------------------------

inline constexpr std::array<std::string_view, 6> kSerialFormatEntries = {"n.8.1", "n.8.2", "o.8.1",
                                                                         "o.8.2", "e.8.1", "e.8.2"};
inline constexpr std::array<std::string_view, 7> kRateEntries = {
    "1200bps", "2400bps", "4800bps", "9600bps", "19200bps", "38400bps", "57600bps"};

// What the dialog ends with; the value is the number its caller acts on.
enum class SerialFormatResult { Cancelled = 0, DataFormat = 2, BaudRate = 3 };

struct SerialFormatChoice {
    int result = 0; // 2 data format, 3 baud rate, 0 cancelled
    int index = -1; // row of the list that goes with the result
    bool operator==(const SerialFormatChoice&) const = default;
};

// The confirm button of one half (DataFormat: the left list, BaudRate: the
// right list) pressed with `selectedRow` (-1 = none) in that half's list. A
// confirm without a selection counts as cancel: nothing must be written and
// the program must not be told to restart over it.
SerialFormatChoice SerialFormatConfirm(SerialFormatResult half, int selectedRow);

// ---- wireless dialog ---------------------------------------------------

inline constexpr std::array<std::string_view, 8> kTxPowerEntries = {"0级", "1级", "2级", "3级",
                                                                    "4级", "5级", "6级", "7级"};

// Both lists start on row 0 and the window's indices are reset to 0 when the
// dialog opens, so "设置" without touching a list sends level 0 or 1200bps.
struct WirelessModel {
    int txPowerIndex = 0;
    int airRateIndex = 0;
    void SelectTxPower(int row);
    void SelectAirRate(int row);
};

// ---- scroll dialogs ----------------------------------------------------------

// Scroll requests in the dialog's own terms: LineUp is the upper arrow,
// which raises the value. (A Qt scroll bar lowers its value on the upper
// arrow; the window maps SliderSingleStepSub to LineUp.)
enum class ScrollRequest { LineUp, LineDown, PageUp, PageDown, Track, Top, Bottom, End };

struct ScrollModel {
    int minimum;
    int maximum;
    int step; // per arrow click
    int position;

    // Only the arrows move the value; a step past an end stays at the end.
    // Returns true when the position changed.
    bool Apply(ScrollRequest request);
};

// Sleep period: position 2..510 in steps of 2; OK accepts 2..500.
class SleepPeriodModel {
public:
    ScrollModel& Scroll() { return m_scroll; }
    int Value() const { return m_scroll.position; }
    std::string Text() const; // what the value edit shows

    // OK: the prompt to show when the value is refused (the dialog stays
    // open and the choice stays as it was), nothing when it closes with 1.
    std::optional<std::string> Ok();
    // "取消": choice 2, which no caller acts on.
    void Cancel() { m_choice = 2; }
    // What the modal run returns; Escape and the close box leave it alone.
    int Choice() const { return m_choice; }

private:
    ScrollModel m_scroll{2, 510, 2, 2};
    int m_choice = 0;
};

// Wake-up delay: position 1..65535, the delay is position * 0.3 s. The
// count sent is the position itself, so no floating-point product can make
// it one too low.
class WakeDelayModel {
public:
    ScrollModel& Scroll() { return m_scroll; }
    int Count() const { return m_scroll.position; }
    // The delay in decimal with a full stop whatever the locale: "0.3", "3", "19660.5".
    std::string Text() const;

private:
    ScrollModel m_scroll{1, 65535, 1, 1};
};

// Passive address: position 0..255 shown as two upper-case hex digits.
class PassiveAddrModel {
public:
    ScrollModel& Scroll() { return m_scroll; }
    std::string Text() const;

private:
    ScrollModel m_scroll{0, 255, 1, 0};
};

// "%d" of the number of tenths as a decimal with at most one decimal; the
// wake-delay display. Locale-independent.
std::string TenthsText(long long tenths);

// ---- typed dialogs and their key filter --------------------------------------

inline constexpr char32_t kBackspace = 0x08;

// The filter of the power-saving address and group edits: 0-9, A-F,
// backspace and the full stop pass; everything else, lower-case a-f too,
// is dropped before the edit sees it. The dialogs also drop every
// right-button press, so the edit's context menu cannot paste around it.
bool HexKeyAccepted(char32_t key);
// The password edit takes digits (and backspace) only.
bool DigitKeyAccepted(char32_t key);

// An edit under a key filter with a length cap, typing at the end.
struct FilteredEdit {
    bool (*accepts)(char32_t);
    std::size_t maxLength;
    std::string text;
    // Applies one key; true when the text changed.
    bool Key(char32_t key);
};

struct TextCheck {
    std::optional<std::string> value; // the checked value when accepted
    std::string prompt;               // the refusal text otherwise
    bool ok() const { return value.has_value(); }
};

inline constexpr std::string_view kSaveAddrPrompt = "请输入1到4位十六进制数(0-9, A-F)";
inline constexpr std::string_view kGroupPrompt = "请输入1到2位十六进制数(0-9, A-F)";
inline constexpr std::string_view kSleepPeriodPrompt = "请输入一个介于 2 和 500 之间的整数。";

// Power-saving address: 1 to 4 hex digits, left-padded to four
// ("5" -> "0005", "123" -> "0123"). "", "." and "1.2" are refused.
TextCheck CheckSaveAddr(std::string_view text);
// Group number: 1 or 2 hex digits, left-padded to two ("7" -> "07").
TextCheck CheckGroup(std::string_view text);

class SaveAddrModel {
public:
    FilteredEdit& Edit() { return m_edit; }
    TextCheck Ok() const { return CheckSaveAddr(m_edit.text); }

private:
    FilteredEdit m_edit{&HexKeyAccepted, 4, "0000"};
};

class GroupModel {
public:
    FilteredEdit& Edit() { return m_edit; }
    TextCheck Ok() const { return CheckGroup(m_edit.text); }

private:
    FilteredEdit m_edit{&HexKeyAccepted, 2, "00"};
};

// ---- password dialog ---------------------------------------------------

inline constexpr std::uint32_t kAccessCode = 517204;
inline constexpr std::string_view kPasswordRangePrompt = "请输入一个介于 0 和 9999999 之间的整数。";
inline constexpr std::string_view kWrongPasswordText = "请输入正确的密码";

// Digits only, at most seven of them (0..9999999); a leading or trailing
// blank is tolerated. Nothing for anything else: the value never wraps, so
// "4295484500" is not mistaken for the code.
std::optional<std::uint32_t> ParseAccessCode(std::string_view text);

struct PasswordVerdict {
    bool accepted = false;
    // Shown one after another when refused; the dialog then stays open.
    std::vector<std::string_view> messages;
};
// Compares only a value that parsed. The entered text is not kept anywhere.
PasswordVerdict CheckPassword(std::string_view text);

} // namespace tmx7
