// Times in scripts: `[[h:]mm:]ss[.fff]` (a comma may stand for the point) or `Nf`, N frames of
// 1/60 s; all kept as milliseconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dq::drawlib {

// The time a token stands for, or nothing when it is not a time. Fractions finer than a
// millisecond are rounded to the nearest one.
std::optional<int64_t> ParseTime(std::string_view token);

// A SubRip or WebVTT timing line, `START --> END [anything]`: the two times, or false.
bool ParseTimeRange(std::string_view line, int64_t& start, int64_t& end);

// frames of 1/60 s in milliseconds, rounded to the nearest one (any sign).
int64_t FramesToMs(int64_t frames);

// "HH:MM:SS.fff" as error messages show times ("-" in front when negative).
std::string FormatTime(int64_t ms);
// "h:mm:ss.fff" into out (NUL-terminated, truncated to size), without allocating; returns the
// length written.
size_t FormatClock(char* out, size_t size, int64_t ms);

} // namespace dq::drawlib
