// The name=value attributes of cue and @style lines, applied onto a style.
#pragma once

#include <cstddef>

#include <span>
#include <string_view>

#include "drawlib/cue_style.h"
#include "drawlib/line_tokens.h"
#include "drawlib/script_location.h"

namespace dq::drawlib {

// Applies attrs in order onto style. skip names an attribute the caller handles itself
// (`style` on a cue line, `base` on a @style line), which is passed over here. Unknown names,
// malformed values, an attribute given twice and placements that exclude each other (pos,
// move, scroll) fail at where.
void ApplyAttributes(CueStyle& style, std::span<const Token> attrs,
                     std::span<const std::string_view> skip, const ScriptLocation& where);

// The limits on sizes as drawn: text size 1000 px, outline 100 px, shadow offset 1000 px, after
// scaling by scaleY (frame height / script height).
void CheckSizeLimits(const CueStyle& style, double scaleY, const ScriptLocation& where);

// The `align` value that names this alignment ("top-left", "bottom", ...).
std::string_view AlignmentName(HAlign h, VAlign v);

inline constexpr float kMaxTextSize = 1000;
// Text smaller than this as drawn (after scaling) is not drawn when its cue holds more than
// kMaxTinyTextBytes of text: unreadable, and the costliest layout there is.
inline constexpr float kMinDrawnTextSize = 4;
inline constexpr size_t kMaxTinyTextBytes = 1000;
inline constexpr float kMaxOutline = 100;
inline constexpr float kMaxShadow = 1000;

} // namespace dq::drawlib
