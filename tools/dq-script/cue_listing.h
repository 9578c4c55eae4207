// What dq-script prints about a loaded script: one line per cue, or the whole as JSON.
#pragma once

#include <iosfwd>
#include <string>

#include "drawlib/script.h"

// The visible text of a cue: markup gone, references decoded, '\n' between lines.
std::string VisibleText(const dq::drawlib::Script& script, const dq::drawlib::Cue& cue);

// "0:00:01.000  0:00:04.000  0  bottom  Two lines\nof text", one line per cue in file order:
// start, end, layer, alignment and the text with `\n` between its lines (and `\\` for a
// backslash).
void ListCues(const dq::drawlib::Script& script, std::ostream& out);

// {"format":"srt","cues":[{"start_ms":1000,"end_ms":4000,"text":"..."}],
//  "warnings":[{"line":12,"message":"..."}]} on one line.
void WriteJson(const dq::drawlib::Script& script, std::ostream& out);
