// Reads a script file of any of the formats the library knows and returns it ready to draw.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "drawlib/script.h"

namespace dq::drawlib {

// Raises ScriptError (with the user-facing message) on any failure, including running out of
// memory. frameHeight is the height the script will be drawn at, for the size limits.
std::unique_ptr<Script> LoadScript(const std::filesystem::path& path, int32_t frameHeight);

// The same for a file's bytes already in memory, named baseName in messages.
std::unique_ptr<Script> LoadScriptBytes(std::string bytes, std::string_view baseName,
                                        int32_t frameHeight);

} // namespace dq::drawlib
