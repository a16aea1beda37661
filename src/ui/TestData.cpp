#include "ui/TestData.h"

#include "platform/TextFile.h"

#include <cerrno>

namespace tmx7 {

const StdPattern* FindStdPattern(Command command) {
    for (const auto& p : kStdPatterns)
        if (p.command == command)
            return &p;
    return nullptr;
}

TestDataModel::TestDataModel(std::string userDataPath)
    : m_path(std::move(userDataPath)), m_stdData(FindStdPattern(Command::StdLength20)->text) {}

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

bool TestDataModel::ChooseStdLength(Command command) {
    const StdPattern* p = FindStdPattern(command);
    if (p == nullptr)
        return false;
    m_stdLength = command;
    m_stdData = std::string(p->text);
    m_text = m_stdData;
    return true;
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
