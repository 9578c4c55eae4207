// A loaded script: its cues in file order, the styles they resolved to, their text, and the
// index that finds the cues shown at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drawlib/cue_index.h"
#include "drawlib/cue_style.h"
#include "platform/drawing/drawing.h"

namespace dq::drawlib {

inline constexpr size_t kMaxCues = 1'000'000;

// A stretch of a cue's text with its own weight, slant or colour (from SubRip and WebVTT
// markup; a QuorENT cue is one plain run).
struct TextSpan {
    uint32_t offset = 0; // into Script::text
    uint32_t length = 0;
    bool bold = false;
    bool italic = false;
    bool hasColor = false;
    gfx::Color color;
};

struct Cue {
    int64_t start = 0; // shown for start <= t < end, milliseconds
    int64_t end = 0;
    uint32_t style = 0; // into Script::styles
    uint32_t firstSpan = 0;
    uint32_t spanCount = 0; // 0: empty text, nothing to draw
    uint32_t line = 0;      // where it is in the file, for messages
};

struct Script {
    std::string fileName; // base name, for the debug panel
    // The script's coordinate space (@resolution); 0 when its pixels are the frame's.
    int32_t resolutionWidth = 0;
    int32_t resolutionHeight = 0;
    std::vector<CueStyle> styles;
    std::vector<Cue> cues; // file order: the order within a layer
    std::vector<TextSpan> spans;
    std::string text; // UTF-8, '\n' between lines
    CueIndex index;   // over cues

    std::string_view SpanText(const TextSpan& span) const {
        return std::string_view(text).substr(span.offset, span.length);
    }
};

} // namespace dq::drawlib
