#include "platform/SerialDiagnosis.h"

#include "platform/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tmx7 {

namespace {

std::string Printf(const char* pattern, const std::string& a, const std::string& b = {},
                   const std::string& c = {}) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, a.c_str(), b.c_str(), c.c_str());
    return text;
}

std::optional<int> ParsePid(const char* name) {
    if (name[0] < '1' || name[0] > '9')
        return std::nullopt;
    long v = 0;
    for (const char* p = name; *p; ++p) {
        if (*p < '0' || *p > '9' || v > 0x3FFFFFFF)
            return std::nullopt;
        v = v * 10 + (*p - '0');
    }
    return static_cast<int>(v);
}

std::string CommandName(int pid) {
    std::string head;
    if (!ReadRegularFileHead("/proc/" + std::to_string(pid) + "/comm", 64, head))
        return {};
    while (!head.empty() && (head.back() == '\n' || head.back() == '\r'))
        head.pop_back();
    return head;
}

// Holders of a lock on the inode: /proc/locks names it as
// "<major hex>:<minor hex>:<inode>" of the file system it lives on.
std::vector<int> LockHolders(const struct stat& st) {
    std::string locks;
    if (!ReadRegularFile("/proc/locks", 4 * 1024 * 1024, locks))
        return {};
    char key[64];
    std::snprintf(key, sizeof key, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::vector<int> pids;
    std::istringstream in(locks);
    std::string line;
    while (std::getline(in, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF"; waiters carry "->".
        std::istringstream fields(line);
        std::string id, type, mode, access, pid, where;
        if (!(fields >> id >> type) || type == "->")
            continue;
        if (!(fields >> mode >> access >> pid >> where) || where != key)
            continue;
        if (const auto p = ParsePid(pid.c_str()))
            pids.push_back(*p);
    }
    return pids;
}

// Processes with a descriptor on the device, as far as /proc lets us look.
std::vector<int> DescriptorHolders(const struct stat& device) {
    std::vector<int> pids;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr)
        return pids;
    while (const dirent* entry = ::readdir(proc)) {
        const auto pid = ParsePid(entry->d_name);
        if (!pid)
            continue;
        const std::string fdDir = std::string("/proc/") + entry->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (fds == nullptr)
            continue; // another user's process
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] < '0' || fd->d_name[0] > '9')
                continue;
            struct stat st;
            // stat() follows the descriptor's link to the file it has open.
            if (::fstatat(::dirfd(fds), fd->d_name, &st, 0) == 0 && S_ISCHR(st.st_mode) &&
                st.st_rdev == device.st_rdev) {
                pids.push_back(*pid);
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return pids;
}

std::string UserName(uid_t uid = ::geteuid()) {
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return std::to_string(uid);
}

struct GroupFacts {
    std::string name = "dialout";
    bool processHasIt = false;
    bool userListed = false;
};

// The group that may open the device: its own when the group has access and
// is not root's, else dialout, the serial devices' group on Debian.
GroupFacts DeviceGroup(const std::string& path, const std::string& user) {
    GroupFacts facts;
    struct stat st;
    std::vector<char> buffer(65536);
    group gr{};
    group* found = nullptr;
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0060) != 0 && st.st_gid != 0 &&
        ::getgrgid_r(st.st_gid, &gr, buffer.data(), buffer.size(), &found) == 0 && found)
        facts.name = found->gr_name;
    found = nullptr;
    if (::getgrnam_r(facts.name.c_str(), &gr, buffer.data(), buffer.size(), &found) != 0 || !found)
        return facts;
    const gid_t gid = found->gr_gid;
    for (char** m = found->gr_mem; m && *m; ++m)
        facts.userListed = facts.userListed || user == *m;
    std::vector<char> pwBuffer(16384);
    passwd pw{};
    passwd* me = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, pwBuffer.data(), pwBuffer.size(), &me) == 0 && me &&
        me->pw_gid == gid)
        facts.userListed = true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0 && ::getgroups(count, groups.data()) == count)
        facts.processHasIt = std::find(groups.begin(), groups.end(), gid) != groups.end();
    facts.processHasIt = facts.processHasIt || ::getegid() == gid;
    return facts;
}

std::string PermissionReason(const std::string& path) {
    const std::string user = UserName();
    const GroupFacts g = DeviceGroup(path, user);
    if (g.processHasIt)
        return Printf("没有权限打开%s", path);
    if (g.userListed)
        return Printf("没有权限打开%s：用户%s已在%s组中，重新登录后才生效", path, user, g.name);
    char text[512];
    std::snprintf(text, sizeof text,
                  "没有权限打开%s：请将用户%s加入%s组（sudo usermod -aG %s %s），然后重新登录",
                  path.c_str(), user.c_str(), g.name.c_str(), g.name.c_str(), user.c_str());
    return text;
}

std::string BusyReason(const std::string& path) {
    const std::vector<PortHolder> holders = FindPortHolders(path);
    const int self = ::getpid();
    std::string others;
    bool ours = false;
    for (const PortHolder& h : holders) {
        if (h.pid == self) {
            ours = true;
            continue;
        }
        if (!others.empty())
            others += "、";
        others += (h.name.empty() ? std::string("未知程序") : h.name) + "（PID " +
                  std::to_string(h.pid) + "）";
    }
    if (!others.empty())
        return Printf("%s已被其他程序占用：%s", path, others);
    if (ours)
        return Printf("%s已被本程序打开", path);
    return Printf("%s已被其他程序占用", path);
}

} // namespace

std::vector<PortHolder> FindPortHolders(const std::string& path) {
    std::vector<PortHolder> out;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return out;
    auto add = [&out](int pid, bool lock) {
        if (std::any_of(out.begin(), out.end(),
                        [pid](const PortHolder& h) { return h.pid == pid; }))
            return;
        out.push_back({pid, CommandName(pid), lock});
    };
    std::vector<int> locks = LockHolders(st);
    std::sort(locks.begin(), locks.end());
    for (int pid : locks)
        add(pid, true);
    if (S_ISCHR(st.st_mode))
        for (int pid : DescriptorHolders(st))
            add(pid, false);
    return out;
}

std::string OpenFailureReason(const std::string& path, const SerialResult& why) {
    switch (why.error) {
    case SerialError::NotFound:
        return Printf("设备%s不存在，请检查串口适配器是否已插好", path);
    case SerialError::Permission:
        return PermissionReason(path);
    case SerialError::Busy:
        return BusyReason(path);
    case SerialError::NotATty:
        return Printf("%s不是串口设备", path);
    default:
        return Printf("打开%s出错：%s", path, std::strerror(why.sysErrno ? why.sysErrno : EIO));
    }
}

std::string OpenFailureText(int port, const std::optional<std::string>& path,
                            const SerialResult& why) {
    char first[64];
    std::snprintf(first, sizeof first, "COM%d打开失败！\n", port);
    if (path)
        return first + OpenFailureReason(*path, why);
    char reason[128];
    if (why.error == SerialError::NotFound)
        std::snprintf(reason, sizeof reason, "没有与COM%d对应的串口设备", port);
    else
        std::snprintf(reason, sizeof reason, "串口号须在1到1024之间");
    return first + std::string(reason);
}

} // namespace tmx7

namespace tmx7 {

namespace {

struct Grabber {
    const char* name;
    const char* what;
    const char* fix;
};

// Programs that open serial ports they were not asked to.
constexpr Grabber kGrabbers[] = {
    {"ModemManager", "probes every new serial port for a modem, writing AT commands to it",
     "tell it to leave the adapter alone (a udev rule setting ENV{ID_MM_DEVICE_IGNORE}=\"1\") "
     "or stop it (systemctl stop ModemManager)"},
    {"brltty", "takes USB serial adapters (CH340, CP210x) for braille displays",
     "remove the brltty package or its udev rules if no braille display is used"},
    {"gpsd", "opens serial ports to look for GPS receivers", "stop gpsd while the tool is used"},
};

const Grabber* GrabberNamed(const std::string& name) {
    for (const Grabber& g : kGrabbers)
        if (name == g.name)
            return &g;
    return nullptr;
}

std::vector<PortHolder> RunningGrabbers() {
    std::vector<PortHolder> out;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr)
        return out;
    while (const dirent* entry = ::readdir(proc)) {
        const auto pid = ParsePid(entry->d_name);
        if (!pid)
            continue;
        const std::string name = CommandName(*pid);
        if (GrabberNamed(name))
            out.push_back({*pid, name, false});
    }
    ::closedir(proc);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return out;
}

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(65536);
    group gr{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &gr, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->gr_name;
    return std::to_string(gid);
}

std::vector<gid_t> ProcessGroups() {
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0 && ::getgroups(count, groups.data()) != count)
        groups.clear();
    groups.push_back(::getegid());
    return groups;
}

// Links in `folder` that lead to the same device as `st`.
std::vector<std::string> LinksTo(const std::string& folder, const struct stat& device) {
    std::vector<std::string> out;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return out;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string link = folder + "/" + e->d_name;
        struct stat st;
        if (::stat(link.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device.st_rdev)
            out.push_back(link);
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end());
    return out;
}

std::string Octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

} // namespace

std::vector<Finding> ExamineSystem() {
    std::vector<Finding> out;
    const std::string user = UserName(::geteuid());
    const std::vector<gid_t> mine = ProcessGroups();
    std::vector<std::string> groupNames;
    for (gid_t g : mine)
        if (std::find(groupNames.begin(), groupNames.end(), GroupName(g)) == groupNames.end())
            groupNames.push_back(GroupName(g));
    std::string names;
    for (const std::string& n : groupNames)
        names += (names.empty() ? "" : ", ") + n;
    out.push_back({Finding::Level::Ok, "user " + user + " (uid " + std::to_string(::geteuid()) +
                                           "), groups of this login: " + names});
    if (::geteuid() != 0) {
        // Groups the user is listed in that this login does not have yet.
        std::vector<char> buffer(16384);
        passwd pw{};
        passwd* me = nullptr;
        if (::getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &me) == 0 && me) {
            int count = 64;
            std::vector<gid_t> listed(static_cast<std::size_t>(count));
            if (::getgrouplist(me->pw_name, me->pw_gid, listed.data(), &count) < 0) {
                listed.resize(static_cast<std::size_t>(count));
                ::getgrouplist(me->pw_name, me->pw_gid, listed.data(), &count);
            }
            listed.resize(static_cast<std::size_t>(std::max(count, 0)));
            for (gid_t g : listed)
                if (std::find(mine.begin(), mine.end(), g) == mine.end())
                    out.push_back({Finding::Level::Problem,
                                   "user " + user + " is in group " + GroupName(g) +
                                       ", but this login is not yet: log out and in again"});
        }
        group gr{};
        group* dialout = nullptr;
        std::vector<char> grBuffer(65536);
        if (::getgrnam_r("dialout", &gr, grBuffer.data(), grBuffer.size(), &dialout) == 0 &&
            dialout && std::find(mine.begin(), mine.end(), dialout->gr_gid) == mine.end())
            out.push_back({Finding::Level::Note,
                           "this login is not in group dialout, which serial devices belong to "
                           "on Debian: sudo usermod -aG dialout " +
                               user + ", then log in again"});
    }
    for (const PortHolder& g : RunningGrabbers()) {
        const Grabber* what = GrabberNamed(g.name);
        out.push_back({Finding::Level::Note, g.name + " is running (PID " + std::to_string(g.pid) +
                                                 "): it " + what->what});
    }
    return out;
}

std::vector<Finding> ExaminePort(const std::string& path) {
    std::vector<Finding> out;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        out.push_back({Finding::Level::Problem,
                       path + ": " + OpenFailureReason(path, {SerialError::NotFound, errno})});
        return out;
    }
    if (!S_ISCHR(st.st_mode)) {
        out.push_back({Finding::Level::Problem,
                       path + ": " + OpenFailureReason(path, {SerialError::NotATty, ENOTTY})});
        return out;
    }
    const bool mayOpen = ::access(path.c_str(), R_OK | W_OK) == 0;
    out.push_back({mayOpen ? Finding::Level::Ok : Finding::Level::Problem,
                   path + ": owner " + UserName(st.st_uid) + ", group " + GroupName(st.st_gid) +
                       ", mode " + Octal(st.st_mode) +
                       (mayOpen ? ", this login may read and write it"
                                : ", this login may not read and write it")});
    for (const char* kind : {"by-id", "by-path"}) {
        const std::vector<std::string> links = LinksTo(std::string("/dev/serial/") + kind, st);
        for (const std::string& link : links)
            out.push_back({Finding::Level::Ok, path + ": stable name " + link});
    }
    for (const PortHolder& h : FindPortHolders(path)) {
        if (h.pid == ::getpid())
            continue;
        const std::string who = (h.name.empty() ? std::string("a process") : h.name) + " (PID " +
                                std::to_string(h.pid) + ")";
        if (const Grabber* g = GrabberNamed(h.name)) {
            out.push_back({Finding::Level::Problem,
                           path + ": held by " + who + ", which " + g->what + "; " + g->fix});
        } else {
            out.push_back(
                {Finding::Level::Problem,
                 path + ": held by " + who + (h.lock ? " with a lock" : " (open, no lock)")});
        }
    }
    SerialDevice device;
    if (const SerialResult r = device.open(path); !r)
        out.push_back(
            {Finding::Level::Problem, path + ": trial open failed: " + OpenFailureReason(path, r)});
    else
        out.push_back({Finding::Level::Ok, path + ": opens and can be locked"});
    return out;
}

} // namespace tmx7
