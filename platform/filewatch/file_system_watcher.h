// The file-change service: watches one file name in one folder and calls a handler on a worker
// thread for each change of that file's size or last-write time, while raising is switched on.
//
// Switching raising off, re-targeting, or destroying the watcher waits for a handler that is
// running on another thread, so once they return no event reaches whatever the handler serves.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace dq::io {

class FileWatchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which changes are reported; only Size and LastWrite are supported.
enum NotifyFilters : int {
    NotifyFilterSize = 8,
    NotifyFilterLastWrite = 16,
};

enum class WatcherChangeType { Changed = 4 };

struct FileSystemEventArgs {
    WatcherChangeType changeType = WatcherChangeType::Changed;
    std::filesystem::path fullPath;
    std::filesystem::path name;
};

class FileSystemWatcher {
public:
    using ChangedHandler = std::function<void(FileSystemWatcher&, const FileSystemEventArgs&)>;

    FileSystemWatcher();
    ~FileSystemWatcher();
    FileSystemWatcher(const FileSystemWatcher&) = delete;
    FileSystemWatcher& operator=(const FileSystemWatcher&) = delete;

    void SetNotifyFilter(int filters);
    // Sub-folders are never watched; asking for them throws.
    void SetIncludeSubdirectories(bool include);
    void SetChanged(ChangedHandler handler);

    // The folder to watch. An empty path or a folder that does not exist throws FileWatchError
    // and leaves the watcher as it was.
    void SetPath(const std::filesystem::path& folder);
    std::filesystem::path Path() const;
    // The file name (with extension) within the folder whose changes are reported.
    void SetFilter(const std::filesystem::path& name);

    // Raising needs a path; switching it on without one throws FileWatchError.
    void SetEnableRaisingEvents(bool enable);
    bool EnableRaisingEvents() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace dq::io
