// Limits on the drawing a script asks for, checked once it is loaded, so that any script that
// loads draws each frame in bounded time and memory: the characters of one cue (text layout
// costs grow with them), the cues shown at one time, and the pixels of the sprites shown at one
// time (estimated from each cue's text, sizes and effects as the frame of then scales them).
#pragma once

#include <cstddef>
#include <cstdint>

#include "drawlib/script.h"

namespace dq::drawlib {

inline constexpr size_t kMaxCueCharacters = 10'000;
inline constexpr size_t kMaxCuesAtOnce = 500;
inline constexpr double kMaxPixelsAtOnce = 32e6;

// A generous estimate of the pixels of the sprite a cue is drawn into, at frameHeight.
double EstimatedSpritePixels(const Script& script, const Cue& cue, int32_t frameHeight);

// Raises ScriptError naming the line of the first cue that goes over a limit.
void CheckDrawingLimits(const Script& script, int32_t frameHeight);

} // namespace dq::drawlib
