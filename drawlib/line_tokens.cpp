#include "drawlib/line_tokens.h"

namespace dq::drawlib {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

} // namespace

std::string_view TrimBlanks(std::string_view line) {
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

bool StartsWithWord(std::string_view line, std::string_view keyword) {
    return line.substr(0, keyword.size()) == keyword &&
           (line.size() == keyword.size() || IsBlank(line[keyword.size()]));
}

LineTokens TokenizeLine(std::string_view line, const ScriptLocation& where) {
    LineTokens result;
    size_t i = 0;
    const size_t n = line.size();
    while (true) {
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i == n)
            break;
        if (line[i] == '|' && (i + 1 == n || IsBlank(line[i + 1]))) {
            result.hasSeparator = true;
            result.text = TrimBlanks(line.substr(i + 1));
            break;
        }
        Token token;
        const size_t begin = i;
        while (i < n && !IsBlank(line[i]) && line[i] != '=')
            token.name += line[i++];
        if (i < n && line[i] == '=') {
            token.hasValue = true;
            ++i;
            if (i < n && line[i] == '"') {
                ++i;
                bool closed = false;
                while (i < n) {
                    const char c = line[i++];
                    if (c == '"') {
                        closed = true;
                        break;
                    }
                    if (c == '\\' && i < n && (line[i] == '"' || line[i] == '\\'))
                        token.value += line[i++];
                    else
                        token.value += c;
                }
                if (!closed)
                    where.Fail("unterminated quote in " + Quoted(line.substr(begin)));
                if (i < n && !IsBlank(line[i]))
                    where.Fail("missing blank after the closing quote in " +
                               Quoted(line.substr(begin, i - begin + 1)));
            } else {
                while (i < n && !IsBlank(line[i]))
                    token.value += line[i++];
            }
        }
        token.raw = line.substr(begin, i - begin);
        result.tokens.push_back(std::move(token));
    }
    return result;
}

} // namespace dq::drawlib
