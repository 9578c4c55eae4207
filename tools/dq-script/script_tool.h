// The dq-script command line:
//   dq-script check FILE [--size WxH]         the load's warnings or error, `file:line: message`
//   dq-script cues FILE [--size WxH] [--json] what was loaded, one cue a line (or as JSON)
// The file is loaded as the filter loads it for frames of that size (1920x1080 when not given).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Exit codes.
inline constexpr int kScriptClean = 0;    // check: loads without warnings; cues: loads
inline constexpr int kScriptWarnings = 1; // check: loads, with warnings
inline constexpr int kScriptUsage = 2;    // the command line is wrong
inline constexpr int kScriptFailed = 3;   // the file does not load

// args without the program's name. Writes the listing to out and messages to err.
int RunScriptTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
