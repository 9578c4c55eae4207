#include "drawlib/subtitle_cues.h"

#include <algorithm>
#include <vector>

#include "drawlib/line_tokens.h"
#include "drawlib/script_format.h"
#include "drawlib/script_limits.h"
#include "drawlib/script_location.h"
#include "drawlib/script_time.h"

namespace dq::drawlib {

std::optional<std::string> CueTimeProblem(const TimeRange& range) {
    if (range.start < 0)
        return "start time " + FormatTime(range.start) + " is negative";
    return EndTimeProblem(range.start, range.end);
}

std::string QuotedExcerpt(std::string_view line) {
    constexpr size_t kMaxBytes = 60;
    if (line.size() <= kMaxBytes)
        return Quoted(line);
    size_t cut = kMaxBytes;
    while (cut > 0 && (uint8_t(line[cut]) & 0xC0) == 0x80)
        --cut;
    return Quoted(std::string(line.substr(0, cut)) + "...");
}

SubtitleReader::SubtitleReader(const ScriptText& text, std::string_view baseName,
                               ScriptFormat format)
    : m_text(text), m_builder(baseName) {
    m_builder.SetFormat(format);
    m_builder.SetResolution(kSubtitleWidth, kSubtitleHeight);
    for (const ScriptWarning& warning : text.Warnings())
        m_builder.Warn(warning);
}

std::string_view SubtitleReader::Line(size_t i) const {
    return TrimBlanks(i == 0 ? WithoutByteOrderMarks(m_text.Line(0)) : m_text.Line(i));
}

std::optional<TimeRange> SubtitleReader::CueTimes(size_t timing, size_t lines) {
    const std::string_view timingLine = Line(timing);
    std::string_view why;
    const auto range = ParseTimingLine(timingLine, &why);
    if (!range) {
        m_builder.Warn(timing + 1, kCueSkipped,
                       std::string(why) + " in time range " + QuotedExcerpt(timingLine), lines);
        return std::nullopt;
    }
    if (const auto problem = CueTimeProblem(*range)) {
        m_builder.Warn(timing + 1, kCueSkipped, *problem, lines);
        return std::nullopt;
    }
    return range;
}

void SubtitleReader::AddCue(const TimeRange& times, const CueStyle& style, std::string_view markup,
                            size_t timing, size_t lines) {
    m_builder.AddMarkupCue(times.start, times.end, style, markup,
                           ScriptLocation{m_builder.FileName(), timing + 1}, lines);
}

std::unique_ptr<Script> SubtitleReader::Read(int32_t frameHeight) {
    ReadCues();
    std::vector<LimitProblem> over;
    ForEachCueOverLimit(m_builder.Draft(), frameHeight,
                        [&](const LimitProblem& problem) { over.push_back(problem); });
    std::sort(over.begin(), over.end(),
              [](const LimitProblem& a, const LimitProblem& b) { return a.cue < b.cue; });
    std::vector<uint32_t> cues;
    cues.reserve(over.size());
    for (const LimitProblem& problem : over)
        cues.push_back(problem.cue);
    m_builder.SkipAddedCues(cues, kCueSkipped, [&](size_t k) { return Describe(over[k]); });
    if (m_builder.CueCount() == 0)
        m_builder.FailOnFirstSkipped();
    return m_builder.Finish();
}

} // namespace dq::drawlib
