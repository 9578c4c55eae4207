// Where a script mistake is: the file's base name and a 1-based line number. Every loading
// error goes through here so that all messages read like a compiler's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "drawlib/script.h"

namespace dq::drawlib {

struct ScriptLocation {
    std::string_view file; // base name, UTF-8
    size_t line = 0;       // 0: the file as a whole

    // "file:line: what" (or "file: what" for the file as a whole), thrown as ScriptError.
    [[noreturn]] void Fail(std::string_view what) const;
};

// "file:line: message" (or "file: message" for the file as a whole), as errors read.
std::string FormatWarning(std::string_view file, const ScriptWarning& warning);

// `"text"`, for quoting the user's own words in a message.
std::string Quoted(std::string_view text);

} // namespace dq::drawlib
