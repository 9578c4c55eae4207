// The inline markup of SubRip and WebVTT cue text:
// - tags: <b>, <i> and <font color="..."> become bold, italic and colour; every other tag
//   (<u>, <c.x>, <v Name>, <ruby>, WebVTT timestamps <00:01.000>) is dropped and its text kept.
//   A `<` starts a tag only when a letter, `/` and a letter, or a timestamp follows it and a `>`
//   closes it; otherwise it is text (`5 < 6`).
// - override blocks `{\...}` are not shown; in them `\anN` (N = 1..9, laid out like a numeric
//   keypad: 1 bottom-left ... 9 top-right) sets the cue's alignment, `\i1`/`\i0` and
//   `\b1`/`\b0` switch italic and bold.
// - character references: every HTML named one (`&copy;`, `&apos;`) and numeric ones
//   (`&#39;`, `&#x2014;`); an unknown or unterminated one stays as written.
// Every step looks at each character a bounded number of times: the cost is linear in the text
// whatever its markup.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "drawlib/script.h"

namespace dq::drawlib {

struct MarkupResult {
    uint32_t spanCount = 0; // spans appended
    uint8_t keypad = 0;     // 1..9 from the first {\anN}; 0: none
};

// Appends the visible text of markup to text and its formatted stretches to spans (adjacent
// stretches that look the same are merged).
MarkupResult AppendMarkup(std::string_view markup, std::string& text, std::vector<TextSpan>& spans);

// Aligns style at the margins as keypad (1..9) says.
void SetKeypadAlignment(CueStyle& style, uint8_t keypad);

} // namespace dq::drawlib
