#include "drawlib/script_format.h"

#include "drawlib/line_tokens.h"
#include "drawlib/subtitle_times.h"

namespace dq::drawlib {

std::string_view WithoutByteOrderMarks(std::string_view line) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    while (line.substr(0, kMark.size()) == kMark)
        line.remove_prefix(kMark.size());
    return line;
}

ScriptFormat DetectFormat(std::string_view content) {
    ScriptFormat format = ScriptFormat::Quorent;
    size_t seen = 0;
    ForEachLine(content, [&](std::string_view raw) {
        const std::string_view line = TrimBlanks(seen == 0 ? WithoutByteOrderMarks(raw) : raw);
        if (line.empty())
            return true;
        if (seen++ == 0 && StartsWithWord(line, "WEBVTT")) {
            format = ScriptFormat::WebVtt;
            return false;
        }
        if (HasArrow(line) && ParseTimingLine(line)) {
            format = ScriptFormat::SubRip;
            return false;
        }
        return seen < kSubRipSniffLines;
    });
    return format;
}

} // namespace dq::drawlib
