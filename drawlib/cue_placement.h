// Where a cue's sprite goes at a time, and how opaque it is: alignment and margins, pos, move
// and scroll in frame pixels, and the fades.
#pragma once

#include <cstdint>

#include "drawlib/frame_geometry.h"
#include "drawlib/script.h"
#include "drawlib/sprite_cache.h"

namespace dq::drawlib {

struct CuePlacement {
    int x = 0, y = 0;  // the sprite bitmap's top-left in the frame
    float opacity = 1; // 0: not drawn
};

// t is within [cue.start, cue.end).
CuePlacement PlaceCue(const CueStyle& style, const Cue& cue, const Sprite& sprite,
                      const FrameGeometry& frame, int64_t t);

} // namespace dq::drawlib
