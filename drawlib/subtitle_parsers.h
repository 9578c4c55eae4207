// SubRip and WebVTT files, recognised by their content: their cues take the default style, their
// markup becomes bold, italic and colour, and WebVTT cue settings, notes, style and region
// blocks are passed over.
#pragma once

#include <memory>
#include <string_view>

#include "drawlib/script.h"
#include "drawlib/script_text.h"

namespace dq::drawlib {

enum class ScriptFormat { Quorent, SubRip, WebVtt };

// WebVTT when the first non-blank line is `WEBVTT` (alone or followed by a blank and more);
// SubRip when it is a number and the next line a time range with `-->`; QuorENT otherwise.
ScriptFormat DetectFormat(const ScriptText& text);

std::unique_ptr<Script> ParseSubRip(const ScriptText& text, std::string_view baseName);
std::unique_ptr<Script> ParseWebVtt(const ScriptText& text, std::string_view baseName);

} // namespace dq::drawlib
