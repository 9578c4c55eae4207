#include "stale_partials.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include <dirent.h>
#include <unistd.h>

namespace {

// ".NAME.PID.partial": NAME and PID, or false.
bool ParsePartial(const std::string& entry, std::string& name, long& pid) {
    static const std::string kEnd = ".partial";
    if (entry.size() < 3 + kEnd.size() || entry[0] != '.' ||
        entry.compare(entry.size() - kEnd.size(), kEnd.size(), kEnd) != 0)
        return false;
    const std::string inner = entry.substr(1, entry.size() - 1 - kEnd.size()); // NAME.PID
    const size_t dot = inner.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const std::string digits = inner.substr(dot + 1);
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    name = inner.substr(0, dot);
    pid = std::strtol(digits.c_str(), nullptr, 10);
    return true;
}

bool ProcessGone(long pid) {
    return pid > 0 && pid != long(getpid()) && kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// Each folder is listed once a run: a sequence of stills asks for thousands of names in one.
std::mutex g_mutex;
std::map<std::string, std::map<std::string, std::vector<std::string>>> g_staleByFolder;

const std::map<std::string, std::vector<std::string>>& StaleIn(const std::string& folder) {
    const auto known = g_staleByFolder.find(folder);
    if (known != g_staleByFolder.end())
        return known->second;
    auto& stale = g_staleByFolder[folder];
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            std::string name;
            long pid = 0;
            if (ParsePartial(entry->d_name, name, pid) && ProcessGone(pid))
                stale[name].push_back(entry->d_name);
        }
        closedir(dir);
    }
    return stale;
}

} // namespace

int RemoveStalePartials(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty())
        return 0;
    std::lock_guard lock(g_mutex);
    const auto& stale = StaleIn(folder);
    const auto mine = stale.find(name);
    if (mine == stale.end())
        return 0;
    int removed = 0;
    for (const std::string& file : mine->second)
        if (unlink((folder + "/" + file).c_str()) == 0)
            ++removed;
    return removed;
}
