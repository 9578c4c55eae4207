// The SubRip and WebVTT readers. They read files as players do: a cue that cannot be shown or a
// block that is not a cue is passed over with a warning naming its line, and the rest loads.
// The file fails only when none of its cues can be shown although something was passed over.
// A cue that goes over a drawing limit at frameHeight is passed over the same way.
// Cues take the default style laid out as if the file said `@resolution 1920x1080`.
#pragma once

#include <memory>
#include <string_view>

#include "drawlib/script.h"
#include "drawlib/script_text.h"

namespace dq::drawlib {

// SubRip: a cue starts at every line that is a time range (its number before it is optional),
// and its text runs to the next cue, blank lines inside it left out.
std::unique_ptr<Script> ParseSubRip(const ScriptText& text, std::string_view baseName,
                                    int32_t frameHeight);

// WebVTT, after the W3C WebVTT parsing rules: blocks separated by blank lines; a line with `-->`
// ends the cue before it; blocks without a timing line (notes, styles, regions) are passed
// over; the cue settings line, position, align and size place the cue.
std::unique_ptr<Script> ParseWebVtt(const ScriptText& text, std::string_view baseName,
                                    int32_t frameHeight);

} // namespace dq::drawlib
