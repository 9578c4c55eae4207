#include "drawlib/subtitle_markup.h"

#include <cctype>

#include "drawlib/script_values.h"
#include "drawlib/unicode.h"

namespace dq::drawlib {

namespace {

struct Format {
    int bold = 0; // nesting depths, so that <b><b>x</b>y</b> stays bold on y
    int italic = 0;
    std::vector<std::optional<gfx::Color>> colors; // one per open <font>
};

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

struct Entity {
    std::string_view name;
    char32_t c;
};
constexpr Entity kEntities[] = {{"&amp;", U'&'},  {"&lt;", U'<'},     {"&gt;", U'>'},
                                {"&quot;", U'"'}, {"&nbsp;", 0x00A0}, {"&lrm;", 0x200E},
                                {"&rlm;", 0x200F}};

} // namespace

uint32_t AppendMarkup(std::string_view markup, std::string& text, std::vector<TextSpan>& spans) {
    Format format;
    const size_t firstSpan = spans.size();
    size_t runStart = text.size();

    const auto current = [&] {
        TextSpan span;
        span.bold = format.bold > 0;
        span.italic = format.italic > 0;
        for (auto it = format.colors.rbegin(); it != format.colors.rend(); ++it)
            if (*it) {
                span.hasColor = true;
                span.color = **it;
                break;
            }
        return span;
    };
    const auto flush = [&] {
        if (text.size() == runStart)
            return;
        TextSpan span = current();
        span.offset = uint32_t(runStart);
        span.length = uint32_t(text.size() - runStart);
        if (spans.size() > firstSpan) {
            TextSpan& last = spans.back();
            if (last.offset + last.length == span.offset && last.bold == span.bold &&
                last.italic == span.italic && last.hasColor == span.hasColor &&
                (!span.hasColor || last.color == span.color)) {
                last.length += span.length;
                runStart = text.size();
                return;
            }
        }
        spans.push_back(span);
        runStart = text.size();
    };

    for (size_t i = 0; i < markup.size();) {
        const char c = markup[i];
        if (c == '<') {
            const size_t close = markup.find('>', i + 1);
            if (close != std::string_view::npos) {
                const std::string_view tag = markup.substr(i + 1, close - i - 1);
                const bool closing = !tag.empty() && tag[0] == '/';
                const std::string_view body = tag.substr(closing ? 1 : 0);
                const std::string name = Lower(body.substr(0, body.find_first_of(" \t.")));
                flush();
                if (name == "b")
                    format.bold += closing ? (format.bold > 0 ? -1 : 0) : 1;
                else if (name == "i")
                    format.italic += closing ? (format.italic > 0 ? -1 : 0) : 1;
                else if (name == "font" && closing && !format.colors.empty())
                    format.colors.pop_back();
                else if (name == "font" && !closing)
                    format.colors.push_back(FontColor(body));
                i = close + 1;
                continue;
            }
        } else if (c == '&') {
            bool matched = false;
            for (const Entity& entity : kEntities)
                if (markup.substr(i, entity.name.size()) == entity.name) {
                    AppendUtf8(text, entity.c);
                    i += entity.name.size();
                    matched = true;
                    break;
                }
            if (matched)
                continue;
        }
        text += c;
        ++i;
    }
    flush();
    return uint32_t(spans.size() - firstSpan);
}

} // namespace dq::drawlib
