#include "stale_partials.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <unistd.h>

namespace {

// The process id in ".NAME.PID.partial", or -1 when the entry is not one of NAME's.
long PartialOwner(const char* entry, const std::string& name) {
    const size_t length = std::strlen(entry);
    static constexpr char kEnd[] = ".partial";
    const size_t end = sizeof kEnd - 1;
    if (length < name.size() + 3 + end || entry[0] != '.' ||
        std::strncmp(entry + 1, name.data(), name.size()) != 0 || entry[1 + name.size()] != '.' ||
        std::strcmp(entry + length - end, kEnd) != 0)
        return -1;
    const std::string digits(entry + 2 + name.size(), length - end - 2 - name.size());
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::strtol(digits.c_str(), nullptr, 10);
}

bool ProcessGone(long pid) {
    return pid > 0 && pid != long(getpid()) && kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

int RemoveStalePartials(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty())
        return 0;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const long pid = PartialOwner(entry->d_name, name);
        if (pid > 0 && ProcessGone(pid) && unlinkat(dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}
