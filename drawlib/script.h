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
// Warnings kept with a script; more are counted but not kept.
inline constexpr size_t kMaxKeptWarnings = 10'000;

// The kinds of file the library reads, recognised by their content.
enum class ScriptFormat : uint8_t { Quorent, SubRip, WebVtt };

// Something in a SubRip or WebVTT file that was passed over (a cue that cannot be shown, a block
// that is not one) or read in a way the file did not say (its encoding). The load goes on.
struct ScriptWarning {
    size_t line = 0; // 1-based; 0: the file as a whole
    std::string message;
};

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
    ScriptFormat format = ScriptFormat::Quorent;
    // The script's coordinate space (@resolution); 0 when its pixels are the frame's.
    int32_t resolutionWidth = 0;
    int32_t resolutionHeight = 0;
    std::vector<CueStyle> styles;
    std::vector<Cue> cues; // file order: the order within a layer
    std::vector<TextSpan> spans;
    std::string text;                    // UTF-8, '\n' between lines
    CueIndex index;                      // over cues
    std::vector<ScriptWarning> warnings; // file order, at most kMaxKeptWarnings
    size_t warningCount = 0;             // all of them, kept or not
    size_t skippedLines = 0;             // lines of the file that warnings passed over

    std::string_view SpanText(const TextSpan& span) const {
        return std::string_view(text).substr(span.offset, span.length);
    }
};

} // namespace dq::drawlib
