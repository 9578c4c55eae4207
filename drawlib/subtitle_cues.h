// What the SubRip and WebVTT readers share: the coordinate space their cues are laid out in,
// the checks on a cue's times, and a reader's lines, builder and cues once they are found.
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

// The part of a subtitle reader that is the same for every format: the file's lines, the
// builder set up for the format, and what becomes of a cue once its lines are found. A format
// finds its cues in ReadCues.
class SubtitleReader {
public:
    SubtitleReader(const ScriptText& text, std::string_view baseName, ScriptFormat format);
    virtual ~SubtitleReader() = default;

    // The script, its cues that go over a drawing limit (at frameHeight) skipped like any other
    // cue that cannot be shown, or the failure of a file none of whose cues can be shown.
    std::unique_ptr<Script> Read(int32_t frameHeight);

protected:
    virtual void ReadCues() = 0;

    size_t LineCount() const { return m_text.LineCount(); }
    // Line i (0-based) without its surrounding blanks, nor the first line's byte order marks.
    std::string_view Line(size_t i) const;

    // The times on the timing line of a cue that takes lines of the file; nothing, after a
    // warning that skips the cue, when it cannot be shown at them.
    std::optional<TimeRange> CueTimes(size_t timing, size_t lines);
    void AddCue(const TimeRange& times, const CueStyle& style, std::string_view markup,
                size_t timing, size_t lines);

    ScriptBuilder& Builder() { return m_builder; }

private:
    const ScriptText& m_text;
    ScriptBuilder m_builder;
};

} // namespace dq::drawlib
