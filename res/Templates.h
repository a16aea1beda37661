#pragma once
// Dialog templates, menus and strings as data. A template row gives a
// control's id, kind, caption, rectangle in dialog units and style flags;
// the window layer (gui/TemplateDialog) turns a template into widgets, so
// the layout stays readable here and identical wherever a dialog is built.

#include <cstdint>
#include <span>

namespace tmx7::res {

enum class Kind : std::uint8_t {
    Static,        // text label
    Edit,          // single-line edit, or multi-line with kMultiLine
    Button,        // push button, never the default
    DefaultButton, // the one push button that Enter presses
    CheckBox,
    Radio,
    ListBox,
    Combo, // drop-down list (no typing)
    VScroll,
    Tab,
    Progress,
    Picture, // bitmap or icon, `image` names it
    GroupBox,
};

// Style flags; combine with |.
enum Style : std::uint32_t {
    kNoStyle = 0,
    kCentre = 1u << 0,      // text centred (statics, edits)
    kRight = 1u << 1,       // text right-aligned
    kMultiLine = 1u << 2,   // edit: several lines
    kReadOnly = 1u << 3,    // edit: user cannot type
    kVScroll = 1u << 4,     // edit: vertical scroll bar
    kWantReturn = 1u << 5,  // edit: Enter goes to the edit
    kPassword = 1u << 6,    // edit: characters masked
    kNumber = 1u << 7,      // edit: digits only
    kSorted = 1u << 8,      // list/combo: items kept sorted
    kNotify = 1u << 9,      // static/picture: reports clicks itself
    kHidden = 1u << 10,     // created invisible
    kDisabled = 1u << 11,   // created disabled
    kGroupStart = 1u << 12, // first radio button of a group
    kSunken = 1u << 13,     // sunken frame (value fields)
    kSingleSel = 1u << 14,  // list box: one selected row at most
};

struct Rect {
    short x, y, cx, cy; // dialog units: left, top, width, height
};

struct Control {
    int id; // IDC_STATIC for labels and frames nobody addresses
    Kind kind;
    const char* caption; // UTF-8; "" when none
    Rect rect;
    std::uint32_t style = kNoStyle;
    int image = 0;               // Picture: bitmap or icon id
    const char* items = nullptr; // Combo/ListBox: initial rows, '\n'-separated
};

struct Dialog {
    int id;
    const char* caption;
    short cx, cy;         // client size in dialog units
    const char* fontFace; // the face the layout was made for; mapped to an installed one
    int pointSize;
    int menu; // menu id, 0 for none
    std::span<const Control> controls;
};

enum MenuFlag : std::uint32_t {
    kMenuNone = 0,
    kMenuPopup = 1u << 0,
    kMenuSeparator = 1u << 1,
    kMenuChecked = 1u << 2,
    kMenuGrayed = 1u << 3,
};

// A menu as a flat list; depth 0 entries are the bar, deeper entries belong
// to the nearest preceding popup one level up.
struct MenuEntry {
    int depth;
    int id; // command id; 0 for popups and separators
    const char* caption;
    std::uint32_t flags = kMenuNone;
};

struct Menu {
    int id;
    std::span<const MenuEntry> entries;
};

struct StringEntry {
    int id;
    const char* text;
};

// Lookups; nullptr (or "" for strings) when the id is unknown.
const Dialog* FindDialog(int id);
const Menu* FindMenu(int id);
const char* LoadString(int id);
std::span<const Dialog> AllDialogs();
// Templates kept beside the code that uses them: the parameter dialogs
// (res/SettingsTemplates.cpp) and the data-test dialogs (res/DataTestTemplates.cpp).
std::span<const Dialog> SettingsDialogs();
std::span<const Dialog> DataTestDialogs();

} // namespace tmx7::res
