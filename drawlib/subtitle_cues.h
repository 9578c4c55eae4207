// What the SubRip and WebVTT readers share: the coordinate space their cues are laid out in,
// the checks on a cue's times, and the builder set up for such a file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "drawlib/script_builder.h"
#include "drawlib/script_text.h"
#include "drawlib/subtitle_times.h"

namespace dq::drawlib {

// Subtitle files are drawn as if they said `@resolution 1920x1080`: the default 48-pixel text
// is 48 pixels at 1080p, 16 at 360p, 96 at 2160p.
inline constexpr int32_t kSubtitleWidth = 1920;
inline constexpr int32_t kSubtitleHeight = 1080;

inline constexpr std::string_view kCueSkipped = "cue skipped: ";

// Why a cue with these times cannot be shown (negative, zero-length or reversed), or nothing.
std::optional<std::string> CueTimeProblem(const TimeRange& range);

// line cut to a length fit for a message, at a character boundary, and quoted.
std::string QuotedExcerpt(std::string_view line);

// A builder for a subtitle file: its format, its 1920x1080 space, and the decoding warnings.
void StartSubtitles(ScriptBuilder& builder, ScriptFormat format, const ScriptText& text);

// The script, its cues that go over a drawing limit (at frameHeight) skipped like any other cue
// that cannot be shown, or the failure of a file none of whose cues can be shown.
std::unique_ptr<Script> FinishSubtitles(ScriptBuilder& builder, int32_t frameHeight);

} // namespace dq::drawlib
