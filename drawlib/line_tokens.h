// Splits the head of a script line into blank-separated tokens. A token is a bare word (a time,
// a style name, a flag) or name=value, where a value with blanks is written in double quotes
// (\" and \\ stand for a quote and a backslash inside them). A `|` standing alone, followed by
// a blank or the end of the line, ends the head: the rest of the line is the cue's text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "drawlib/script_location.h"

namespace dq::drawlib {

struct Token {
    std::string_view raw; // as written
    std::string name;     // the whole word when there is no '='
    std::string value;    // unquoted
    bool hasValue = false;
};

struct LineTokens {
    std::vector<Token> tokens;
    bool hasSeparator = false;
    std::string_view text; // after the separator, trimmed
};

LineTokens TokenizeLine(std::string_view line, const ScriptLocation& where);

// line without blanks (spaces, tabs) at either end.
std::string_view TrimBlanks(std::string_view line);

// line is keyword, alone or followed by a blank and more.
bool StartsWithWord(std::string_view line, std::string_view keyword);

} // namespace dq::drawlib
