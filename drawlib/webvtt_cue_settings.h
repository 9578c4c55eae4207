// WebVTT cue settings (`line:0 position:10% align:start size:50%`) turned into a cue's
// placement, in the 1920x1080 space subtitle files are laid out in:
// - size: the width of the cue's box, in percent of the frame; the text wraps within it;
// - position: where the box stands across the frame, in percent, with an optional alignment
//   (`line-left`, `center`, `line-right`) saying which of its edges that is; by default the one
//   align names;
// - align: `start`/`left`, `center`/`middle`, `end`/`right`: the text's alignment in its box;
// - line: a percentage of the frame's height (`line:10%`, with `start`, `center` or `end`
//   saying which edge of the box stands there), or a line number (`line:0` the top line,
//   `line:-1` the bottom one);
// - region and vertical are not supported and are ignored, as are settings that cannot be read.
// A box is kept inside the frame's 40-pixel margins, so that text does not touch its edges.
#pragma once

#include <string_view>

#include "drawlib/cue_style.h"

namespace dq::drawlib {

// Applies settings to style; a cue without any (readable) setting keeps style as it is.
void ApplyCueSettings(std::string_view settings, CueStyle& style);

} // namespace dq::drawlib
