// SubRip files as players read them.
#include <string>
#include <vector>

#include "drawlib/line_tokens.h"
#include "drawlib/subtitle_cues.h"
#include "drawlib/subtitle_parsers.h"

namespace dq::drawlib {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsNumber(std::string_view line) {
    return !line.empty() && line.find_first_not_of("0123456789") == std::string_view::npos;
}

// A line that starts a cue: it holds `-->` and begins as a time does. Text that merely holds an
// arrow ("go --> there") stays text.
bool IsTimingLine(std::string_view line) {
    if (!HasArrow(line))
        return false;
    const size_t first = line[0] == '-' ? 1 : 0;
    return first < line.size() && IsDigit(line[first]);
}

class SubRipReader : public SubtitleReader {
public:
    SubRipReader(const ScriptText& text, std::string_view baseName)
        : SubtitleReader(text, baseName, ScriptFormat::SubRip) {}

private:
    void ReadCues() override {
        const size_t n = LineCount();
        std::vector<size_t> timings;
        for (size_t i = 0; i < n; ++i)
            if (IsTimingLine(Line(i)))
                timings.push_back(i);

        const size_t first = timings.empty() ? n : timings[0];
        size_t junk = 0, junkLine = 0;
        for (size_t i = 0; i < TextEnd(first); ++i)
            if (!Line(i).empty() && junk++ == 0)
                junkLine = i + 1;
        if (junk > 0)
            Builder().Warn(junkLine, "", "text before the first cue skipped", junk);

        for (size_t k = 0; k < timings.size(); ++k) {
            const size_t end = k + 1 < timings.size() ? TextEnd(timings[k + 1]) : n;
            Cue(timings[k], end);
        }
    }

    // Where the text before the timing line at timing ends: before its number, if it has one.
    size_t TextEnd(size_t timing) const {
        return timing > 0 && IsNumber(Line(timing - 1)) ? timing - 1 : timing;
    }

    // The cue whose timing line is timing, with the text up to end.
    void Cue(size_t timing, size_t end) {
        std::string markup;
        size_t lines = 1 + (TextEnd(timing) < timing ? 1 : 0);
        for (size_t i = timing + 1; i < end; ++i) {
            const std::string_view line = Line(i);
            if (line.empty())
                continue;
            if (!markup.empty())
                markup += '\n';
            markup += line;
            ++lines;
        }
        if (const auto times = CueTimes(timing, lines))
            AddCue(*times, CueStyle{}, markup, timing, lines);
    }
};

} // namespace

std::unique_ptr<Script> ParseSubRip(const ScriptText& text, std::string_view baseName,
                                    int32_t frameHeight) {
    return SubRipReader(text, baseName).Read(frameHeight);
}

} // namespace dq::drawlib
