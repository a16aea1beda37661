#pragma once
// The two payloads of the data test: the fixed standard patterns chosen from
// the menu "通信设置 › 标准数据长度", and the user data the technician edits
// in the send area and keeps in "yonghushuju.mak" between runs.

#include "platform/ProfileFile.h"
#include "protocol/Fields.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tmx7 {

// ---- standard patterns ----------------------------------------------------------

struct StdPattern {
    Command command; // its entry in "标准数据长度"
    std::string_view caption;
    int bytes;
    std::string_view text; // colon form, as the send area shows it
};

// clang-format off
inline constexpr std::array<StdPattern, 3> kStdPatterns = {{
    {Command::StdLength20, "20字节", 20,
     "00:01:02:03:04:05:06:07:08:09:0A:0B:0C:0D:0E:0F:10:11:12:13"},
    {Command::StdLength48, "48字节", 48,
     "00:00:00:00:00:00:11:11:11:11:11:11:22:22:22:22:22:22:33:33:33:33:33:33:"
     "44:44:44:44:44:44:AA:AA:AA:AA:AA:AA:BB:BB:BB:BB:BB:BB:DD:DD:DD:DD:DD:DD"},
    // Sixteen values six times each, the 96-byte block written twice.
    {Command::StdLength192, "192字节", 192,
     "00:00:00:00:00:00:11:11:11:11:11:11:22:22:22:22:22:22:33:33:33:33:33:33:44:44:44:44:44:44:55:55:55:55:55:55:66:66:66:66:66:66:77:77:77:77:77:77:88:88:88:88:88:88:99:99:99:99:99:99:AA:AA:AA:AA:AA:AA:BB:BB:BB:BB:BB:BB:CC:CC:CC:CC:CC:CC:DD:DD:DD:DD:DD:DD:EE:EE:EE:EE:EE:EE:FF:FF:FF:FF:FF:FF:"
     "00:00:00:00:00:00:11:11:11:11:11:11:22:22:22:22:22:22:33:33:33:33:33:33:44:44:44:44:44:44:55:55:55:55:55:55:66:66:66:66:66:66:77:77:77:77:77:77:88:88:88:88:88:88:99:99:99:99:99:99:AA:AA:AA:AA:AA:AA:BB:BB:BB:BB:BB:BB:CC:CC:CC:CC:CC:CC:DD:DD:DD:DD:DD:DD:EE:EE:EE:EE:EE:EE:FF:FF:FF:FF:FF:FF"},
}};
// clang-format on

// The row of Command::StdLength20, 48 or 192; nullptr for any other command.
const StdPattern* FindStdPattern(Command command);

// ---- user data file -------------------------------------------------------------

inline constexpr std::string_view kUserDataFileName = "yonghushuju.mak";
// Written when the file is missing; 0E is followed by 10 (there is no 0F).
inline constexpr std::string_view kDefaultUserData =
    "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 10 11 12";
// One line of hex text; the largest send is 400 pairs, 1200 characters.
// Anything longer than this bound is not a user data line.
inline constexpr std::size_t kUserDataMaxBytes = 4096;

// The send area and the payload texts behind it, as the window's
// menu commands and the Enter key change them. The window shows Text() and
// applies Editable() after every call.
class TestDataModel {
public:
    explicit TestDataModel(std::string userDataPath = std::string(kUserDataFileName));

    // Start-up load: the file's first line, or, when there is no file, the
    // default text, which is then written to a new file. A file that exists
    // but cannot be read is left alone and the default is used in memory.
    FileResult LoadAtStartup();

    // "20字节" / "48字节" / "192字节": the pattern becomes the standard data
    // and the send area's text; the area's read-only state is kept. False for
    // a command that is no length entry.
    bool ChooseStdLength(Command command);
    // "标准数据显示" and "用户数据显示": show that text, read-only.
    void ShowStdData();
    void ShowUserData();
    // "编辑用户数据": reload the user data from the file and show it; when the
    // file is missing create it with the default and keep the texts. In every
    // case the send area becomes editable.
    // `reloaded` tells whether the user data was read from the file (the
    // send area shows it) or the area keeps its text.
    FileResult EditUserData(bool* reloaded = nullptr);
    // Enter in the send area (editable or not): `areaText` becomes the user
    // data, the area read-only, and the file is replaced atomically. When the
    // write fails the user data is changed in memory only.
    FileResult PressEnter(std::string_view areaText);

    const std::string& UserData() const { return m_userData; }
    const std::string& StdData() const { return m_stdData; }
    // Command::StdLength20, 48 or 192: the length chosen.
    Command StdLength() const { return m_stdLength; }
    const std::string& Text() const { return m_text; }
    bool Editable() const { return m_editable; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_userData;
    std::string m_stdData;
    Command m_stdLength = Command::StdLength20;
    std::string m_text;
    bool m_editable = false;
};

} // namespace tmx7
