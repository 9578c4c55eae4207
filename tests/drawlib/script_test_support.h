// What the script tests read back from a loaded script: cue texts and warnings as strings.
#pragma once

#include <string>
#include <vector>

#include "drawlib/script.h"

namespace dqtest {

// The text of cue, its spans joined.
inline std::string TextOf(const dq::drawlib::Script& script, size_t cue) {
    std::string text;
    const dq::drawlib::Cue& c = script.cues.at(cue);
    for (uint32_t i = 0; i < c.spanCount; ++i)
        text += script.SpanText(script.spans[c.firstSpan + i]);
    return text;
}

inline std::vector<std::string> Texts(const dq::drawlib::Script& script) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < script.cues.size(); ++i)
        texts.push_back(TextOf(script, i));
    return texts;
}

// The kept warnings, each as "line: message".
inline std::vector<std::string> Warnings(const dq::drawlib::Script& script) {
    std::vector<std::string> lines;
    for (const dq::drawlib::ScriptWarning& w : script.warnings)
        lines.push_back(std::to_string(w.line) + ": " + w.message);
    return lines;
}

} // namespace dqtest
