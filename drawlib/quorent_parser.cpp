#include "drawlib/quorent_parser.h"

#include <unordered_map>

#include "drawlib/line_tokens.h"
#include "drawlib/script_builder.h"
#include "drawlib/script_time.h"
#include "drawlib/script_values.h"
#include "drawlib/style_attributes.h"

namespace dq::drawlib {

namespace {

constexpr std::string_view kDefaultStyle = "default";

class QuorentParser {
public:
    QuorentParser(std::string_view baseName, int32_t frameHeight)
        : m_baseName(baseName), m_frameHeight(frameHeight), m_builder(baseName) {
        m_default = &m_styles.emplace(kDefaultStyle, CueStyle{}).first->second;
    }

    std::unique_ptr<Script> Parse(const ScriptText& text) {
        for (size_t i = 0; i < text.LineCount(); ++i) {
            const ScriptLocation where{m_baseName, i + 1};
            const std::string_view line = TrimBlanks(text.Line(i));
            if (line.empty() || line[0] == '#')
                continue;
            if (line[0] == '@')
                Directive(line, where);
            else
                CueLine(line, where);
        }
        return m_builder.Finish();
    }

private:
    void Directive(std::string_view line, const ScriptLocation& where) {
        const size_t blank = line.find_first_of(" \t");
        const std::string_view name = line.substr(0, blank);
        const std::string_view rest =
            blank == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(blank));
        if (name == "@quorent") {
            if (rest.empty())
                where.Fail("missing version after @quorent");
            if (rest != "1")
                where.Fail("unsupported format version " + Quoted(rest) +
                           " (this version reads 1)");
        } else if (name == "@resolution") {
            Resolution(rest, where);
        } else if (name == "@style") {
            Style(rest, where);
        } else {
            where.Fail("unknown directive " + Quoted(name));
        }
    }

    void Resolution(std::string_view rest, const ScriptLocation& where) {
        if (m_hasResolution)
            where.Fail("@resolution is given twice");
        if (m_seenStylesOrCues)
            where.Fail("@resolution must come before styles and cues");
        const size_t x = rest.find_first_of("xX");
        const auto width = ParseInteger(rest.substr(0, x), 1, 100'000);
        const auto height = x == std::string_view::npos
                                ? std::nullopt
                                : ParseInteger(rest.substr(x + 1), 1, 100'000);
        if (!width || !height)
            where.Fail("bad resolution " + Quoted(rest) + " (expected WIDTHxHEIGHT, as 1920x1080)");
        m_hasResolution = true;
        m_builder.SetResolution(int32_t(*width), int32_t(*height));
        m_scaleY = double(m_frameHeight) / double(*height);
    }

    void Style(std::string_view rest, const ScriptLocation& where) {
        m_seenStylesOrCues = true;
        const LineTokens tokens = TokenizeLine(rest, where);
        if (tokens.hasSeparator)
            where.Fail("unexpected \"|\" in @style");
        if (tokens.tokens.empty() || tokens.tokens[0].hasValue)
            where.Fail("missing style name after @style");
        const std::string& name = tokens.tokens[0].name;
        const std::span<const Token> attrs = std::span(tokens.tokens).subspan(1);

        const Token* base = nullptr;
        for (const Token& token : attrs)
            if (token.name == "base" || token.name == "style") {
                if (base && base->name != token.name)
                    where.Fail("attributes \"base\" and \"style\" cannot be combined");
                base = &token;
            }
        // `@style default` builds on the current defaults; any other style starts afresh
        // from them; base= names another starting point.
        CueStyle style = base ? Lookup(*base, where) : *m_default;
        static constexpr std::string_view kSkip[] = {"base", "style"};
        ApplyAttributes(style, attrs, kSkip, where);
        CheckSizeLimits(style, m_scaleY, where);
        m_styles.insert_or_assign(name, std::move(style));
    }

    const CueStyle& Lookup(const Token& token, const ScriptLocation& where) const {
        if (!token.hasValue)
            where.Fail("attribute " + Quoted(token.name) + " needs a value (" + token.name +
                       "=...)");
        const auto it = m_styles.find(token.value);
        if (it == m_styles.end())
            where.Fail("unknown style " + Quoted(token.value));
        return it->second;
    }

    void CueLine(std::string_view line, const ScriptLocation& where) {
        m_seenStylesOrCues = true;
        const LineTokens parts = TokenizeLine(line, where);
        const std::vector<Token>& tokens = parts.tokens;
        if (tokens.empty())
            where.Fail("missing start time before \" | \"");
        const auto start = tokens[0].hasValue ? std::nullopt : ParseTime(tokens[0].raw);
        if (!start)
            where.Fail("bad start time " + Quoted(tokens[0].raw) +
                       " (expected [[h:]mm:]ss[.fff] or Nf)");
        if (tokens.size() < 2)
            where.Fail(parts.hasSeparator ? "missing end time before \" | \""
                                          : "missing end time and \" | \" before the text");
        std::optional<int64_t> end;
        const std::string_view endText = tokens[1].raw;
        if (!tokens[1].hasValue && !endText.empty() && endText[0] == '+') {
            if (const auto duration = ParseTime(endText.substr(1)))
                end = *start + *duration;
        } else if (!tokens[1].hasValue) {
            end = ParseTime(endText);
        }
        if (!end)
            where.Fail("bad end time " + Quoted(endText) +
                       " (expected [[h:]mm:]ss[.fff], Nf or +DURATION)");
        CheckCueTimes(*start, *end, where);
        if (!parts.hasSeparator)
            where.Fail("missing \" | \" before the cue's text");

        const std::span<const Token> attrs = std::span(tokens).subspan(2);
        const Token* styleToken = nullptr;
        for (const Token& token : attrs)
            if (token.name == "style" && !styleToken)
                styleToken = &token;
        CueStyle style = styleToken ? Lookup(*styleToken, where) : *m_default;
        static constexpr std::string_view kSkip[] = {"style"};
        ApplyAttributes(style, attrs, kSkip, where);
        CheckSizeLimits(style, m_scaleY, where);
        m_builder.AddPlainCue(*start, *end, style, UnescapeCueText(parts.text), where);
    }

    std::string_view m_baseName;
    int32_t m_frameHeight;
    ScriptBuilder m_builder;
    std::unordered_map<std::string, CueStyle> m_styles;
    const CueStyle* m_default; // m_styles["default"]; nodes stay put when the map grows
    bool m_hasResolution = false;
    bool m_seenStylesOrCues = false;
    double m_scaleY = 1;
};

} // namespace

std::unique_ptr<Script> ParseQuorent(const ScriptText& text, std::string_view baseName,
                                     int32_t frameHeight) {
    return QuorentParser(baseName, frameHeight).Parse(text);
}

std::string UnescapeCueText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            if (text[i + 1] == 'n') {
                out += '\n';
                ++i;
                continue;
            }
            if (text[i + 1] == '\\') {
                out += '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace dq::drawlib
