#include "drawlib/subtitle_parsers.h"

#include <string>

#include "drawlib/line_tokens.h"
#include "drawlib/script_builder.h"
#include "drawlib/script_time.h"

namespace dq::drawlib {

namespace {

bool IsNumber(std::string_view line) {
    return !line.empty() && line.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsTimeRange(std::string_view line) {
    return line.find("-->") != std::string_view::npos;
}

// line is keyword, alone or followed by a blank and more.
bool StartsWithWord(std::string_view line, std::string_view keyword) {
    return line.substr(0, keyword.size()) == keyword &&
           (line.size() == keyword.size() || line[keyword.size()] == ' ' ||
            line[keyword.size()] == '\t');
}

size_t SkipBlankLines(const ScriptText& text, size_t i) {
    while (i < text.LineCount() && TrimBlanks(text.Line(i)).empty())
        ++i;
    return i;
}

// Reads the timing line at i and the text lines after it up to a blank line or the end, adds
// the cue, and returns the line after it.
size_t AddCue(const ScriptText& text, size_t timing, std::string_view baseName,
              ScriptBuilder& builder) {
    const ScriptLocation where{baseName, timing + 1};
    const std::string_view line = TrimBlanks(text.Line(timing));
    int64_t start = 0, end = 0;
    if (!ParseTimeRange(line, start, end))
        where.Fail("bad time range " + Quoted(line) + " (expected START --> END)");
    CheckCueTimes(start, end, where);
    std::string markup;
    size_t i = timing + 1;
    for (; i < text.LineCount(); ++i) {
        const std::string_view textLine = TrimBlanks(text.Line(i));
        if (textLine.empty())
            break;
        if (!markup.empty())
            markup += '\n';
        markup += textLine;
    }
    builder.AddMarkupCue(start, end, CueStyle{}, markup, where);
    return i;
}

} // namespace

ScriptFormat DetectFormat(const ScriptText& text) {
    const size_t first = SkipBlankLines(text, 0);
    if (first == text.LineCount())
        return ScriptFormat::Quorent;
    const std::string_view line = TrimBlanks(text.Line(first));
    if (StartsWithWord(line, "WEBVTT"))
        return ScriptFormat::WebVtt;
    if (IsNumber(line) && first + 1 < text.LineCount() && IsTimeRange(text.Line(first + 1)))
        return ScriptFormat::SubRip;
    return ScriptFormat::Quorent;
}

std::unique_ptr<Script> ParseSubRip(const ScriptText& text, std::string_view baseName) {
    ScriptBuilder builder(baseName);
    for (size_t i = SkipBlankLines(text, 0); i < text.LineCount(); i = SkipBlankLines(text, i)) {
        const std::string_view line = TrimBlanks(text.Line(i));
        size_t timing;
        if (IsTimeRange(line))
            timing = i; // the number is optional in practice
        else if (IsNumber(line) && i + 1 < text.LineCount() && IsTimeRange(text.Line(i + 1)))
            timing = i + 1;
        else
            ScriptLocation{baseName, i + 1}.Fail(
                "expected a subtitle number followed by a time range START --> END, found " +
                Quoted(line));
        i = AddCue(text, timing, baseName, builder);
    }
    return builder.Finish();
}

std::unique_ptr<Script> ParseWebVtt(const ScriptText& text, std::string_view baseName) {
    ScriptBuilder builder(baseName);
    size_t i = SkipBlankLines(text, 0);
    while (i < text.LineCount() && !TrimBlanks(text.Line(i)).empty())
        ++i; // the WEBVTT line and its header
    for (i = SkipBlankLines(text, i); i < text.LineCount(); i = SkipBlankLines(text, i)) {
        const std::string_view line = TrimBlanks(text.Line(i));
        if (StartsWithWord(line, "NOTE") || StartsWithWord(line, "STYLE") ||
            StartsWithWord(line, "REGION")) {
            while (i < text.LineCount() && !TrimBlanks(text.Line(i)).empty())
                ++i;
            continue;
        }
        size_t timing;
        if (IsTimeRange(line))
            timing = i;
        else if (i + 1 < text.LineCount() && IsTimeRange(text.Line(i + 1)))
            timing = i + 1; // after the cue's identifier
        else
            ScriptLocation{baseName, i + 1}.Fail("expected a time range START --> END, found " +
                                                 Quoted(line));
        i = AddCue(text, timing, baseName, builder);
    }
    return builder.Finish();
}

} // namespace dq::drawlib
