// WebVTT files as browsers read them.
#include <string>

#include "drawlib/line_tokens.h"
#include "drawlib/subtitle_cues.h"
#include "drawlib/subtitle_parsers.h"
#include "drawlib/webvtt_cue_settings.h"

namespace dq::drawlib {

namespace {

class WebVttReader : public SubtitleReader {
public:
    WebVttReader(const ScriptText& text, std::string_view baseName)
        : SubtitleReader(text, baseName, ScriptFormat::WebVtt) {}

private:
    void ReadCues() override {
        const size_t n = LineCount();
        size_t i = SkipBlank(0) + 1; // past the WEBVTT line
        // The header runs to a blank line; a timing line ends it early, and starts a cue.
        while (i < n && !Line(i).empty() && !HasArrow(Line(i)))
            ++i;
        for (i = SkipBlank(i); i < n; i = SkipBlank(i))
            i = Block(i);
    }

    size_t SkipBlank(size_t i) const {
        while (i < LineCount() && Line(i).empty())
            ++i;
        return i;
    }

    // The block starting at begin (not blank); returns the line after it. A block runs to a
    // blank line; its timing line is its first or second; a later line with `-->` ends it and
    // starts the next.
    size_t Block(size_t begin) {
        const size_t n = LineCount();
        size_t timing = n;
        size_t end = begin;
        for (; end < n && !Line(end).empty(); ++end) {
            if (!HasArrow(Line(end)))
                continue;
            if (timing == n && end - begin < 2) {
                timing = end;
                continue;
            }
            break;
        }
        if (timing == n) {
            const std::string_view first = Line(begin);
            if (!StartsWithWord(first, "NOTE") && !StartsWithWord(first, "STYLE") &&
                !StartsWithWord(first, "REGION"))
                Builder().Warn(begin + 1, "",
                               "block without a time range skipped: " + QuotedExcerpt(first),
                               end - begin);
            return end;
        }
        Cue(timing, end, end - begin);
        return end;
    }

    void Cue(size_t timing, size_t end, size_t lines) {
        const auto times = CueTimes(timing, lines);
        if (!times)
            return;
        std::string markup;
        for (size_t i = timing + 1; i < end; ++i) {
            if (!markup.empty())
                markup += '\n';
            markup += Line(i);
        }
        CueStyle style;
        ApplyCueSettings(times->settings, style);
        AddCue(*times, style, markup, timing, lines);
    }
};

} // namespace

std::unique_ptr<Script> ParseWebVtt(const ScriptText& text, std::string_view baseName,
                                    int32_t frameHeight) {
    return WebVttReader(text, baseName).Read(frameHeight);
}

} // namespace dq::drawlib
