// Draws one cue's text block (its box, shadow, outline and fill) into a sprite of its own, laid
// out for the frame: sizes scaled, lines wrapped at the frame width less the margins.
#pragma once

#include "drawlib/frame_geometry.h"
#include "drawlib/script.h"
#include "drawlib/sprite_cache.h"

namespace dq::drawlib {

// Raises gfx::DrawingError (or std::bad_alloc) when the sprite cannot be made.
Sprite RenderCueSprite(const Script& script, const Cue& cue, const FrameGeometry& frame);

// The padding of a cue's box around its text, for a text size in frame pixels.
int BoxPadding(float textSize);

} // namespace dq::drawlib
