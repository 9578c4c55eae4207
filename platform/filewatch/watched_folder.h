// Shared by the backends of the file-change service.
#pragma once

#include <filesystem>

namespace dq::io {

// Throws FileWatchError unless folder names an existing folder.
void CheckWatchableFolder(const std::filesystem::path& folder);

} // namespace dq::io
