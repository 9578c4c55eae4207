// Collects the cues of a script as a parser finds them: shares equal styles, stores the text,
// keeps the cue limit, and builds the time index at the end.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drawlib/script.h"
#include "drawlib/script_location.h"

namespace dq::drawlib {

class ScriptBuilder {
public:
    explicit ScriptBuilder(std::string_view fileName);

    void SetResolution(int32_t width, int32_t height);
    void SetFormat(ScriptFormat format);

    // A piece of the file passed over (skippedLines of it, 0 when nothing was left out) with
    // the reason; reason is what the warning says after its prefix ("cue skipped: ").
    void Warn(size_t line, std::string_view prefix, std::string_view reason, size_t skippedLines);
    void Warn(const ScriptWarning& warning);
    size_t CueCount() const { return m_script->cues.size(); }
    std::string_view FileName() const { return m_script->fileName; }
    // For a file none of whose cues can be shown: fails naming the first piece passed over, if
    // there was one. Returns when nothing was passed over.
    void FailOnFirstSkipped() const;

    // A cue whose text is plain (one span; empty text draws nothing).
    void AddPlainCue(int64_t start, int64_t end, const CueStyle& style, std::string_view text,
                     const ScriptLocation& where);
    // A cue whose text carries SubRip/WebVTT markup, taking lines of the file; an alignment
    // override in it (`{\an8}`) replaces the style's placement.
    void AddMarkupCue(int64_t start, int64_t end, const CueStyle& style, std::string_view markup,
                      const ScriptLocation& where, size_t lines);

    // The script as built so far, for checks on its cues as a whole.
    const Script& Draft() const { return *m_script; }
    // Takes out cues already added (indexes into Draft().cues, ascending, each once), each
    // passed over with a warning at its line as if it had been skipped where it stands.
    // reasonOf(k) says why cues[k] is skipped; it is asked only for warnings that are kept.
    void SkipAddedCues(std::span<const uint32_t> cues, std::string_view prefix,
                       const std::function<std::string(size_t)>& reasonOf);

    std::unique_ptr<Script> Finish();

private:
    Cue& NewCue(int64_t start, int64_t end, const CueStyle& style, const ScriptLocation& where);

    std::unique_ptr<Script> m_script;
    std::unordered_map<CueStyle, uint32_t, CueStyleHash> m_styleIds;
    std::vector<uint32_t> m_cueLines; // lines of the file each cue takes
    size_t m_firstSkippedLine = 0;    // 0: nothing skipped yet
    std::string m_firstSkippedReason;
};

// Why a cue cannot end at end after starting at start (end is not after start), or nothing.
std::optional<std::string> EndTimeProblem(int64_t start, int64_t end);
// The shared checks on a cue's two times: end after start.
void CheckCueTimes(int64_t start, int64_t end, const ScriptLocation& where);

} // namespace dq::drawlib
