#include "drawlib/subtitle_markup.h"

#include <cctype>

#include "drawlib/html_entities.h"
#include "drawlib/script_values.h"
#include "drawlib/subtitle_times.h"
#include "drawlib/unicode.h"

namespace dq::drawlib {

namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The colour of a <font ...> tag's color attribute, when it is one we understand.
std::optional<gfx::Color> FontColor(std::string_view tag) {
    const std::string lower = Lower(tag);
    size_t at = lower.find("color");
    if (at == std::string::npos)
        return std::nullopt;
    at = lower.find('=', at);
    if (at == std::string::npos)
        return std::nullopt;
    std::string_view value = tag.substr(at + 1);
    while (!value.empty() && (value[0] == ' ' || value[0] == '\t'))
        value.remove_prefix(1);
    if (!value.empty() && (value[0] == '"' || value[0] == '\'')) {
        const size_t close = value.find(value[0], 1);
        value = value.substr(1, close == std::string_view::npos ? value.npos : close - 1);
    } else {
        value = value.substr(0, value.find_first_of(" \t"));
    }
    return ParseColor(value);
}

// The next occurrence of c at or after a position, remembered: the positions asked for only
// grow, so every character is searched over once however many times it is asked for.
class NextOf {
public:
    NextOf(std::string_view text, char c) : m_text(text), m_c(c) {}
    size_t From(size_t i) {
        if (!m_known || (m_at != std::string_view::npos && m_at < i)) {
            m_at = m_text.find(m_c, i);
            m_known = true;
        }
        return m_at;
    }

private:
    std::string_view m_text;
    char m_c;
    bool m_known = false;
    size_t m_at = 0;
};

// A numeric reference's code point as HTML reads it: the C1 range as Windows-1252, what is
// not a character as U+FFFD.
char32_t NumericCharacter(uint32_t value) {
    if (value >= 0x80 && value < 0xA0)
        return Windows1252Char(uint8_t(value));
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFD;
    return value;
}

// The reference at markup[i] (a '&'): appends its characters and returns its length, or 0
// when it is not one.
size_t AppendReference(std::string_view markup, size_t i, std::string& text) {
    size_t k = i + 1;
    if (k < markup.size() && markup[k] == '#') {
        ++k;
        const bool hex = k < markup.size() && (markup[k] == 'x' || markup[k] == 'X');
        if (hex)
            ++k;
        const size_t digits = k;
        uint32_t value = 0;
        // Eight digits reach past U+10FFFF already; more are not a character.
        while (k < markup.size() && k - digits < 8 &&
               (hex ? IsHexDigit(markup[k]) : IsDigit(markup[k]))) {
            const char c = markup[k];
            const uint32_t digit = IsDigit(c) ? uint32_t(c - '0') : uint32_t((c | 0x20) - 'a' + 10);
            value = value * (hex ? 16 : 10) + digit;
            ++k;
        }
        if (k == digits || k >= markup.size() || markup[k] != ';')
            return 0;
        AppendUtf8(text, NumericCharacter(value));
        return k + 1 - i;
    }
    while (k < markup.size() && k - i <= kMaxHtmlEntityName &&
           (IsAlpha(markup[k]) || IsDigit(markup[k])))
        ++k;
    if (k == i + 1 || k >= markup.size() || markup[k] != ';')
        return 0;
    const auto entity = FindHtmlEntity(markup.substr(i + 1, k - i - 1));
    if (!entity)
        return 0;
    AppendUtf8(text, entity->first);
    if (entity->second != 0)
        AppendUtf8(text, entity->second);
    return k + 1 - i;
}

// Does markup[i] (a '<') start a tag: a letter, '/' and a letter, or a timestamp after it?
bool StartsTag(std::string_view markup, size_t i, size_t close) {
    if (close == std::string_view::npos || i + 1 >= close)
        return false;
    const char c = markup[i + 1];
    if (IsAlpha(c))
        return true;
    if (c == '/')
        return i + 2 < close && IsAlpha(markup[i + 2]);
    if (IsDigit(c))
        return ParseSubtitleTime(markup.substr(i + 1, close - i - 1)).has_value();
    return false;
}

struct Format {
    int bold = 0; // nesting depths, so that <b><b>x</b>y</b> stays bold on y
    int italic = 0;
    bool overrideBold = false; // {\b1}
    bool overrideItalic = false;
    // The colour in effect inside each open <font>: its own, or the one around it when it has
    // none, so that the current colour is always the top.
    std::vector<std::optional<gfx::Color>> colors;
};

// The overrides of one block's body (`\an8\i1`), applied to format and keypad.
void ApplyOverrides(std::string_view body, Format& format, uint8_t& keypad) {
    for (size_t at = body.find('\\'); at != std::string_view::npos;) {
        const size_t next = body.find('\\', at + 1);
        const std::string_view item =
            body.substr(at + 1, next == body.npos ? body.npos : next - at - 1);
        if (item.size() == 3 && item.substr(0, 2) == "an" && item[2] >= '1' && item[2] <= '9') {
            if (keypad == 0)
                keypad = uint8_t(item[2] - '0');
        } else if (item == "i1" || item == "i0") {
            format.overrideItalic = item[1] == '1';
        } else if (item == "b1" || item == "b0") {
            format.overrideBold = item[1] == '1';
        }
        at = next;
    }
}

} // namespace

void SetKeypadAlignment(CueStyle& style, uint8_t keypad) {
    if (keypad < 1 || keypad > 9)
        return;
    const int column = (keypad - 1) % 3; // 0 left, 1 centre, 2 right
    const int row = (keypad - 1) / 3;    // 0 bottom, 1 middle, 2 top
    style.halign = HAlign(column);
    style.valign = row == 0 ? VAlign::Bottom : row == 1 ? VAlign::Middle : VAlign::Top;
    style.placement = Placement::Margins;
}

MarkupResult AppendMarkup(std::string_view markup, std::string& text,
                          std::vector<TextSpan>& spans) {
    Format format;
    MarkupResult result;
    const size_t firstSpan = spans.size();
    size_t runStart = text.size();

    const auto flush = [&] {
        if (text.size() == runStart)
            return;
        TextSpan span;
        span.bold = format.bold > 0 || format.overrideBold;
        span.italic = format.italic > 0 || format.overrideItalic;
        if (!format.colors.empty() && format.colors.back()) {
            span.hasColor = true;
            span.color = *format.colors.back();
        }
        span.offset = uint32_t(runStart);
        span.length = uint32_t(text.size() - runStart);
        runStart = text.size();
        if (spans.size() > firstSpan) {
            TextSpan& last = spans.back();
            if (last.offset + last.length == span.offset && last.bold == span.bold &&
                last.italic == span.italic && last.hasColor == span.hasColor &&
                (!span.hasColor || last.color == span.color)) {
                last.length += span.length;
                return;
            }
        }
        spans.push_back(span);
    };

    NextOf nextGreater(markup, '>');
    NextOf nextBrace(markup, '}');
    for (size_t i = 0; i < markup.size();) {
        const char c = markup[i];
        if (c == '<') {
            const size_t close = nextGreater.From(i + 1);
            if (StartsTag(markup, i, close)) {
                const std::string_view tag = markup.substr(i + 1, close - i - 1);
                const bool closing = tag[0] == '/';
                const std::string_view body = tag.substr(closing ? 1 : 0);
                const std::string name = Lower(body.substr(0, body.find_first_of(" \t./")));
                flush();
                if (name == "b")
                    format.bold += closing ? (format.bold > 0 ? -1 : 0) : 1;
                else if (name == "i")
                    format.italic += closing ? (format.italic > 0 ? -1 : 0) : 1;
                else if (name == "font" && closing && !format.colors.empty())
                    format.colors.pop_back();
                else if (name == "font" && !closing) {
                    std::optional<gfx::Color> color = FontColor(body);
                    if (!color && !format.colors.empty())
                        color = format.colors.back();
                    format.colors.push_back(color);
                }
                i = close + 1;
                continue;
            }
        } else if (c == '{' && i + 1 < markup.size() && markup[i + 1] == '\\') {
            const size_t close = nextBrace.From(i + 2);
            if (close != std::string_view::npos) {
                flush();
                ApplyOverrides(markup.substr(i + 1, close - i - 1), format, result.keypad);
                i = close + 1;
                continue;
            }
        } else if (c == '&') {
            if (const size_t length = AppendReference(markup, i, text)) {
                i += length;
                continue;
            }
        }
        text += c;
        ++i;
    }
    flush();
    result.spanCount = uint32_t(spans.size() - firstSpan);
    return result;
}

} // namespace dq::drawlib
