// Times and timing lines of SubRip and WebVTT files, read as leniently as players read them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace dq::drawlib {

// `[h:]mm:ss[.fff]` with 1 to 3 digits after a point or comma (`,5` is half a second), or
// `hh:mm:ss:fff`; a leading `-` makes it negative. Minutes and seconds are below 60 after a
// larger unit. Nothing when the text is not such a time.
std::optional<int64_t> ParseSubtitleTime(std::string_view text);

// A line holding `-->`.
inline bool HasArrow(std::string_view line) {
    return line.find("-->") != std::string_view::npos;
}

struct TimeRange {
    int64_t start = 0, end = 0;
    std::string_view settings; // what follows the end time, trimmed
};

// `START --> END [settings]`. On failure, why, in words for a warning ("missing end time").
std::optional<TimeRange> ParseTimingLine(std::string_view line, std::string_view* why = nullptr);

} // namespace dq::drawlib
