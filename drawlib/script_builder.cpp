#include "drawlib/script_builder.h"

#include <algorithm>
#include <cstdint>

#include "drawlib/script_time.h"
#include "drawlib/subtitle_markup.h"

namespace dq::drawlib {

ScriptBuilder::ScriptBuilder(std::string_view fileName) : m_script(std::make_unique<Script>()) {
    m_script->fileName = fileName;
}

void ScriptBuilder::SetFormat(ScriptFormat format) {
    m_script->format = format;
}

void ScriptBuilder::Warn(size_t line, std::string_view prefix, std::string_view reason,
                         size_t skippedLines) {
    Script& s = *m_script;
    ++s.warningCount;
    s.skippedLines += skippedLines;
    if (skippedLines > 0 && m_firstSkippedLine == 0) {
        m_firstSkippedLine = line;
        m_firstSkippedReason = reason;
    }
    if (s.warnings.size() < kMaxKeptWarnings) {
        std::string message(prefix);
        message += reason;
        s.warnings.push_back({line, std::move(message)});
    }
}

void ScriptBuilder::Warn(const ScriptWarning& warning) {
    Warn(warning.line, "", warning.message, 0);
}

void ScriptBuilder::FailOnFirstSkipped() const {
    if (m_firstSkippedLine != 0)
        ScriptLocation{m_script->fileName, m_firstSkippedLine}.Fail(
            m_firstSkippedReason + " (no cue of the file can be shown)");
}

void ScriptBuilder::SetResolution(int32_t width, int32_t height) {
    m_script->resolutionWidth = width;
    m_script->resolutionHeight = height;
}

Cue& ScriptBuilder::NewCue(int64_t start, int64_t end, const CueStyle& style,
                           const ScriptLocation& where) {
    if (m_script->cues.size() >= kMaxCues)
        where.Fail("more than 1000000 cues");
    auto [it, added] = m_styleIds.try_emplace(style, uint32_t(m_script->styles.size()));
    if (added)
        m_script->styles.push_back(style);
    Cue& cue = m_script->cues.emplace_back();
    cue.start = start;
    cue.end = end;
    cue.style = it->second;
    cue.line = uint32_t(std::min<size_t>(where.line, UINT32_MAX));
    cue.firstSpan = uint32_t(m_script->spans.size());
    m_cueLines.push_back(1);
    return cue;
}

void ScriptBuilder::AddPlainCue(int64_t start, int64_t end, const CueStyle& style,
                                std::string_view text, const ScriptLocation& where) {
    Cue& cue = NewCue(start, end, style, where);
    if (text.empty())
        return;
    TextSpan span;
    span.offset = uint32_t(m_script->text.size());
    span.length = uint32_t(text.size());
    m_script->text += text;
    m_script->spans.push_back(span);
    cue.spanCount = 1;
}

void ScriptBuilder::AddMarkupCue(int64_t start, int64_t end, const CueStyle& style,
                                 std::string_view markup, const ScriptLocation& where,
                                 size_t lines) {
    const uint32_t firstSpan = uint32_t(m_script->spans.size());
    const MarkupResult result = AppendMarkup(markup, m_script->text, m_script->spans);
    CueStyle placed = style;
    if (result.keypad != 0)
        SetKeypadAlignment(placed, result.keypad);
    Cue& cue = NewCue(start, end, placed, where);
    cue.firstSpan = firstSpan;
    cue.spanCount = result.spanCount;
    m_cueLines.back() = uint32_t(std::min<size_t>(lines, UINT32_MAX));
}

void ScriptBuilder::SkipAddedCues(std::span<const uint32_t> cues, std::string_view prefix,
                                  const std::function<std::string(size_t)>& reasonOf) {
    if (cues.empty())
        return;
    Script& s = *m_script;
    // Cues are in file order, so their warnings are too: merged with the others by line they
    // stand where the reader would have put them, and the first kept are still the first.
    std::vector<ScriptWarning> late;
    late.reserve(std::min(cues.size(), kMaxKeptWarnings));
    for (size_t k = 0; k < cues.size(); ++k) {
        const size_t line = s.cues[cues[k]].line;
        ++s.warningCount;
        s.skippedLines += m_cueLines[cues[k]];
        const bool first = m_firstSkippedLine == 0 || line < m_firstSkippedLine;
        if (!first && k >= kMaxKeptWarnings)
            continue;
        std::string reason = reasonOf(k);
        if (first) {
            m_firstSkippedLine = line;
            m_firstSkippedReason = reason;
        }
        if (k < kMaxKeptWarnings)
            late.push_back({line, std::string(prefix) + reason});
    }
    std::vector<ScriptWarning> merged;
    merged.reserve(std::min(s.warnings.size() + late.size(), kMaxKeptWarnings));
    auto a = s.warnings.begin(), b = late.begin();
    while (merged.size() < kMaxKeptWarnings && (a != s.warnings.end() || b != late.end())) {
        if (b == late.end() || (a != s.warnings.end() && a->line <= b->line))
            merged.push_back(std::move(*a++));
        else
            merged.push_back(std::move(*b++));
    }
    s.warnings = std::move(merged);

    // The skipped cues' text stays in Script::text unused: taking it out would move the rest.
    size_t kept = 0, k = 0;
    for (size_t i = 0; i < s.cues.size(); ++i) {
        if (k < cues.size() && cues[k] == i) {
            ++k;
            continue;
        }
        s.cues[kept] = s.cues[i];
        m_cueLines[kept] = m_cueLines[i];
        ++kept;
    }
    s.cues.resize(kept);
    m_cueLines.resize(kept);
}

std::unique_ptr<Script> ScriptBuilder::Finish() {
    std::vector<CueIndex::Interval> intervals;
    intervals.reserve(m_script->cues.size());
    for (const Cue& cue : m_script->cues)
        intervals.push_back({cue.start, cue.end});
    m_script->index.Build(intervals);
    m_cueLines = {};
    m_script->cues.shrink_to_fit();
    m_script->spans.shrink_to_fit();
    m_script->text.shrink_to_fit();
    m_script->warnings.shrink_to_fit();
    return std::move(m_script);
}

std::optional<std::string> EndTimeProblem(int64_t start, int64_t end) {
    if (end < start)
        return "end time " + FormatTime(end) + " is before start time " + FormatTime(start);
    if (end == start)
        return "end time " + FormatTime(end) + " is not after start time " + FormatTime(start);
    return std::nullopt;
}

void CheckCueTimes(int64_t start, int64_t end, const ScriptLocation& where) {
    if (const auto problem = EndTimeProblem(start, end))
        where.Fail(*problem);
}

} // namespace dq::drawlib
