#include "ui/TestData.h"

#include "platform/TextFile.h"

#include <cerrno>

namespace tmx7 {

const StdPattern* FindStdPattern(int menuId) {
    for (const auto& p : kStdPatterns)
        if (p.menuId == menuId)
            return &p;
    return nullptr;
}

namespace {

// The length commands and the menu ids the old window still uses for them.
struct LengthCommand {
    Command command;
    int menuId;
};
constexpr std::array<LengthCommand, 3> kLengthCommands = {{
    {Command::StdLength20, kMenuStd20},
    {Command::StdLength48, kMenuStd48},
    {Command::StdLength192, kMenuStd192},
}};

} // namespace

const StdPattern* FindStdPattern(Command command) {
    for (const auto& c : kLengthCommands)
        if (c.command == command)
            return FindStdPattern(c.menuId);
    return nullptr;
}

std::array<MenuCheck, 3> StdLengthChecks(int chosenMenuId) {
    std::array<MenuCheck, 3> out{};
    for (std::size_t i = 0; i < kStdPatterns.size(); ++i)
        out[i] = {kStdPatterns[i].menuId, kStdPatterns[i].menuId == chosenMenuId};
    return out;
}

TestDataModel::TestDataModel(std::string userDataPath)
    : m_path(std::move(userDataPath)), m_stdData(FindStdPattern(kMenuStd20)->text) {}

FileResult TestDataModel::LoadAtStartup() {
    std::string line;
    FileResult r = ReadFirstLine(m_path, kUserDataMaxBytes, line);
    if (r.ok) {
        m_userData = std::move(line);
        m_text = m_userData;
        return r;
    }
    m_userData = std::string(kDefaultUserData);
    m_text = m_userData;
    if (r.error == ENOENT)
        return CreateTextFileIfMissing(m_path, kDefaultUserData);
    // The file is there but unreadable: writing over it would lose what the
    // user kept in it, so it stays as it is.
    return r;
}

bool TestDataModel::ChooseStdLength(int menuId) {
    const StdPattern* p = FindStdPattern(menuId);
    if (p == nullptr)
        return false;
    m_stdMenu = menuId;
    m_stdData = std::string(p->text);
    m_text = m_stdData;
    return true;
}

bool TestDataModel::ChooseStdLength(Command command) {
    const StdPattern* p = FindStdPattern(command);
    return p != nullptr && ChooseStdLength(p->menuId);
}

Command TestDataModel::StdLength() const {
    for (const auto& c : kLengthCommands)
        if (c.menuId == m_stdMenu)
            return c.command;
    return Command::StdLength20;
}

void TestDataModel::ShowStdData() {
    m_text = m_stdData;
    m_editable = false;
}

void TestDataModel::ShowUserData() {
    m_text = m_userData;
    m_editable = false;
}

FileResult TestDataModel::EditUserData(bool* reloaded) {
    m_editable = true;
    std::string line;
    FileResult r = ReadFirstLine(m_path, kUserDataMaxBytes, line);
    if (reloaded)
        *reloaded = r.ok;
    if (r.ok) {
        m_userData = std::move(line);
        m_text = m_userData;
        return r;
    }
    if (r.error == ENOENT)
        return CreateTextFileIfMissing(m_path, kDefaultUserData);
    return r;
}

FileResult TestDataModel::PressEnter(std::string_view areaText) {
    m_userData = std::string(areaText);
    m_text = m_userData;
    m_editable = false;
    return WriteTextFile(m_path, m_userData);
}

} // namespace tmx7
