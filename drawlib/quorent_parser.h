// The QuorENT script format: directives (@quorent, @resolution, @style), comments and cue lines
// `START END [name=value ...] | text`.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "drawlib/script.h"
#include "drawlib/script_text.h"

namespace dq::drawlib {

// frameHeight is the height the script will be drawn at, for the size limits. Raises
// ScriptError at the first mistake.
std::unique_ptr<Script> ParseQuorent(const ScriptText& text, std::string_view baseName,
                                     int32_t frameHeight);

// Cue text as written to the text drawn: `\n` starts a line, `\\` is a backslash; any other
// backslash stays as written.
std::string UnescapeCueText(std::string_view text);

} // namespace dq::drawlib
