// What every backend of the file-change service checks alike.
#include "platform/filewatch/file_system_watcher.h"

#include "platform/filewatch/watched_folder.h"

namespace dq::io {

void FileSystemWatcher::SetNotifyFilter(int filters) {
    if (filters & ~(NotifyFilterSize | NotifyFilterLastWrite))
        throw FileWatchError("only size and last-write changes can be watched");
}

void FileSystemWatcher::SetIncludeSubdirectories(bool include) {
    if (include)
        throw FileWatchError("sub-folders cannot be watched");
}

void CheckWatchableFolder(const std::filesystem::path& folder) {
    if (folder.empty())
        throw FileWatchError("no folder to watch");
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        throw FileWatchError("\"" + folder.string() + "\" is not a folder");
}

} // namespace dq::io
