// The inline markup of SubRip and WebVTT cue text: <b>, <i> and <font color="#RRGGBB"> become
// bold, italic and colour; every other tag is dropped; the common character references
// (&amp; &lt; &gt; &quot; &nbsp; &lrm; &rlm;) become their characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "drawlib/script.h"

namespace dq::drawlib {

// Appends the visible text of markup to text and its formatted stretches to spans (adjacent
// stretches that look the same are merged). Returns the number of spans appended.
uint32_t AppendMarkup(std::string_view markup, std::string& text, std::vector<TextSpan>& spans);

} // namespace dq::drawlib
