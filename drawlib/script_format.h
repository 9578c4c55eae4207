// Which kind of script a file is, told by its content and never by its name:
// - WebVTT when its first non-blank line is `WEBVTT`, alone or followed by a blank and more;
// - SubRip when one of its first non-blank lines is a time range `START --> END`, whether or
//   not a number or other lines come before it;
// - the native format otherwise.
// Byte-order marks at the start (one or several) are passed over, and lines may end with CR,
// LF or CRLF.
#pragma once

#include <string_view>

#include "drawlib/script.h"

namespace dq::drawlib {

// How many non-blank lines at the start are searched for SubRip's first time range.
inline constexpr size_t kSubRipSniffLines = 8;

// content is the file's text (bytes that are not UTF-8 do not matter here).
ScriptFormat DetectFormat(std::string_view content);

// line without the byte-order marks (U+FEFF in UTF-8) at its start.
std::string_view WithoutByteOrderMarks(std::string_view line);

// Calls f(line) for each line of content, split at CR, LF or CRLF, until f returns false.
template <typename F> void ForEachLine(std::string_view content, F f) {
    for (size_t begin = 0; begin < content.size();) {
        const size_t end = content.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            f(content.substr(begin));
            return;
        }
        if (!f(content.substr(begin, end - begin)))
            return;
        begin =
            end +
            (content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n' ? 2 : 1);
    }
}

} // namespace dq::drawlib
