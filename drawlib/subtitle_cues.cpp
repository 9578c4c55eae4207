#include "drawlib/subtitle_cues.h"

#include <algorithm>
#include <vector>

#include "drawlib/script_limits.h"
#include "drawlib/script_location.h"
#include "drawlib/script_time.h"

namespace dq::drawlib {

std::optional<std::string> CueTimeProblem(const TimeRange& range) {
    if (range.start < 0)
        return "start time " + FormatTime(range.start) + " is negative";
    if (range.end < range.start)
        return "end time " + FormatTime(range.end) + " is before start time " +
               FormatTime(range.start);
    if (range.end == range.start)
        return "end time " + FormatTime(range.end) + " is not after start time " +
               FormatTime(range.start);
    return std::nullopt;
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

void StartSubtitles(ScriptBuilder& builder, ScriptFormat format, const ScriptText& text) {
    builder.SetFormat(format);
    builder.SetResolution(kSubtitleWidth, kSubtitleHeight);
    for (const ScriptWarning& warning : text.Warnings())
        builder.Warn(warning);
}

std::unique_ptr<Script> FinishSubtitles(ScriptBuilder& builder, int32_t frameHeight) {
    std::vector<LimitProblem> over;
    ForEachCueOverLimit(builder.Draft(), frameHeight,
                        [&](const LimitProblem& problem) { over.push_back(problem); });
    std::sort(over.begin(), over.end(),
              [](const LimitProblem& a, const LimitProblem& b) { return a.cue < b.cue; });
    std::vector<uint32_t> cues;
    cues.reserve(over.size());
    for (const LimitProblem& problem : over)
        cues.push_back(problem.cue);
    builder.SkipAddedCues(cues, kCueSkipped, [&](size_t k) { return Describe(over[k]); });
    if (builder.CueCount() == 0)
        builder.FailOnFirstSkipped();
    return builder.Finish();
}

} // namespace dq::drawlib
