// Limits on the drawing a script asks for, checked once it is loaded, so that any script that
// loads draws each frame in bounded time and memory: the characters of one cue (text layout
// costs grow with them), the cues shown at one time, and the pixels of the sprites shown at one
// time (estimated from each cue's text, sizes and effects as the frame of then scales them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "drawlib/script.h"

namespace dq::drawlib {

inline constexpr size_t kMaxCueCharacters = 10'000;
inline constexpr size_t kMaxCuesAtOnce = 500;
inline constexpr double kMaxPixelsAtOnce = 32e6;

// A cue that goes over a limit, and which one.
struct LimitProblem {
    enum class Kind : uint8_t { Characters, CuesAtOnce, Pixels };
    Kind kind = Kind::Characters;
    uint32_t cue = 0;  // into Script::cues
    int64_t time = 0;  // when it starts, for the limits on what is shown at once
    double amount = 0; // its characters, or the pixels shown with it
};

// What the problem says after the cue's line ("cue text has 10001 characters, ...").
std::string Describe(const LimitProblem& problem);

// Calls over for each cue that goes over a limit, and counts it as not shown from then on:
// first the cues with too many characters in file order, then, in time order, each cue that
// would be one too many or push the pixels shown at once over. Each cue is reported once.
// over may throw to stop at the first.
void ForEachCueOverLimit(const Script& script, int32_t frameHeight,
                         const std::function<void(const LimitProblem&)>& over);

// Raises ScriptError naming the line of the first cue that goes over a limit.
void CheckDrawingLimits(const Script& script, int32_t frameHeight);

} // namespace dq::drawlib
