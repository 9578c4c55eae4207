#include "drawlib/subtitle_cues.h"

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

std::unique_ptr<Script> FinishSubtitles(ScriptBuilder& builder) {
    if (builder.CueCount() == 0)
        builder.FailOnFirstSkipped();
    return builder.Finish();
}

} // namespace dq::drawlib
