#include "drawlib/style_attributes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "drawlib/script_values.h"

namespace dq::drawlib {

namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

struct AlignName {
    std::string_view name;
    HAlign h;
    VAlign v;
};
constexpr AlignName kAligns[] = {
    {"top-left", HAlign::Left, VAlign::Top},         {"top", HAlign::Center, VAlign::Top},
    {"top-right", HAlign::Right, VAlign::Top},       {"left", HAlign::Left, VAlign::Middle},
    {"center", HAlign::Center, VAlign::Middle},      {"right", HAlign::Right, VAlign::Middle},
    {"bottom-left", HAlign::Left, VAlign::Bottom},   {"bottom", HAlign::Center, VAlign::Bottom},
    {"bottom-right", HAlign::Right, VAlign::Bottom},
};

struct ScrollName {
    std::string_view name;
    ScrollDirection direction;
};
constexpr ScrollName kScrolls[] = {{"left", ScrollDirection::Left},
                                   {"right", ScrollDirection::Right},
                                   {"up", ScrollDirection::Up},
                                   {"down", ScrollDirection::Down}};

constexpr std::string_view kNames[] = {
    "font",          "size",   "bold",         "italic", "color", "outline",
    "outline-color", "shadow", "shadow-color", "box",    "align", "margin",
    "pos",           "move",   "scroll",       "fade",   "layer", "wrap"};

class Applier {
public:
    Applier(CueStyle& style, const ScriptLocation& where) : m_style(style), m_where(where) {}

    void Apply(const Token& token) {
        m_token = &token;
        const std::string& name = token.name;
        if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames))
            m_where.Fail("unknown attribute " + Quoted(name));
        if (!token.hasValue && name != "bold" && name != "italic")
            m_where.Fail("attribute " + Quoted(name) + " needs a value (" + name + "=...)");
        const std::string_view value = token.value;

        if (name == "font") {
            if (TrimmedEmpty(value))
                Bad("a font family name");
            m_style.font = value;
        } else if (name == "size") {
            m_style.size = Number(value, "a number of pixels above 0", false, true);
        } else if (name == "bold" || name == "italic") {
            bool& flag = name == "bold" ? m_style.bold : m_style.italic;
            if (!token.hasValue || value == "1")
                flag = true;
            else if (value == "0")
                flag = false;
            else
                Bad("0 or 1");
        } else if (name == "color") {
            m_style.color = Colour(value);
        } else if (name == "outline") {
            m_style.outline = Number(value, "a number of pixels", false, false);
        } else if (name == "outline-color") {
            m_style.outlineColor = Colour(value);
        } else if (name == "shadow") {
            m_style.shadow = Number(value, "a number of pixels", false, false);
        } else if (name == "shadow-color") {
            m_style.shadowColor = Colour(value);
        } else if (name == "box") {
            m_style.hasBox = !EqualsIgnoreCase(value, "none");
            m_style.box = m_style.hasBox ? Colour(value) : gfx::Color{};
        } else if (name == "align") {
            const auto it =
                std::find_if(std::begin(kAligns), std::end(kAligns),
                             [&](const AlignName& a) { return EqualsIgnoreCase(a.name, value); });
            if (it == std::end(kAligns))
                Bad("top-left, top, top-right, left, center, right, bottom-left, bottom or "
                    "bottom-right");
            m_style.halign = it->h;
            m_style.valign = it->v;
        } else if (name == "margin") {
            float values[2];
            const size_t count = Numbers(value, values, 2, "M or H,V pixels", false);
            m_style.marginH = values[0];
            m_style.marginV = count == 2 ? values[1] : values[0];
        } else if (name == "pos") {
            if (!Placement(Placement::Pos, value)) {
                float values[2];
                if (Numbers(value, values, 2, "X,Y", true) != 2)
                    Bad("X,Y");
                m_style.x1 = values[0];
                m_style.y1 = values[1];
            }
        } else if (name == "move") {
            if (!Placement(Placement::Move, value)) {
                float values[4];
                if (Numbers(value, values, 4, "X1,Y1,X2,Y2", true) != 4)
                    Bad("X1,Y1,X2,Y2");
                m_style.x1 = values[0];
                m_style.y1 = values[1];
                m_style.x2 = values[2];
                m_style.y2 = values[3];
            }
        } else if (name == "scroll") {
            if (!Placement(Placement::Scroll, value)) {
                const auto it = std::find_if(
                    std::begin(kScrolls), std::end(kScrolls),
                    [&](const ScrollName& s) { return EqualsIgnoreCase(s.name, value); });
                if (it == std::end(kScrolls))
                    Bad("left, right, up or down");
                m_style.scroll = it->direction;
            }
        } else if (name == "fade") {
            std::string_view parts[2];
            const size_t count = SplitCommas(value, parts, 2);
            const auto in = count ? ParseInteger(parts[0], 0, 1'000'000'000) : std::nullopt;
            const auto out =
                count == 2 ? ParseInteger(parts[1], 0, 1'000'000'000) : std::optional<int64_t>(0);
            if (!in || !out)
                Bad("IN or IN,OUT milliseconds");
            m_style.fadeIn = int32_t(*in);
            m_style.fadeOut = int32_t(*out);
        } else if (name == "layer") {
            const auto layer = ParseInteger(value, INT32_MIN, INT32_MAX);
            if (!layer)
                Bad("a whole number");
            m_style.layer = int32_t(*layer);
        } else if (name == "wrap") {
            if (EqualsIgnoreCase(value, "on"))
                m_style.wrap = true;
            else if (EqualsIgnoreCase(value, "off"))
                m_style.wrap = false;
            else
                Bad("on or off");
        } else {
            m_where.Fail("unknown attribute " + Quoted(name));
        }
    }

private:
    [[noreturn]] void Bad(std::string_view expected) const {
        m_where.Fail("bad value " + Quoted(m_token->value) + " for attribute " +
                     Quoted(m_token->name) + " (expected " + std::string(expected) + ")");
    }

    static bool TrimmedEmpty(std::string_view value) {
        return value.find_first_not_of(" \t") == std::string_view::npos;
    }

    gfx::Color Colour(std::string_view value) const {
        const auto color = ParseColor(value);
        if (!color)
            m_where.Fail("bad colour " + Quoted(value) + " for attribute " + Quoted(m_token->name) +
                         " (expected #RRGGBB or #AARRGGBB)");
        return *color;
    }

    float Number(std::string_view value, std::string_view expected, bool allowNegative,
                 bool positive) const {
        const auto number = ParseDecimal(value);
        if (!number || (!allowNegative && *number < 0) || (positive && *number <= 0))
            Bad(expected);
        return float(*number);
    }

    // Comma-separated numbers into out; 1..max of them, or fails.
    size_t Numbers(std::string_view value, float* out, size_t max, std::string_view expected,
                   bool allowNegative) const {
        std::string_view parts[4];
        const size_t count = SplitCommas(value, parts, max);
        if (count == 0)
            Bad(expected);
        for (size_t i = 0; i < count; ++i)
            out[i] = Number(parts[i], expected, allowNegative, false);
        return count;
    }

    // Records that the block is placed by kind; `none` puts it back at the margins (and
    // returns true: no value to read).
    bool Placement(dq::drawlib::Placement kind, std::string_view value) {
        if (m_placementToken)
            m_where.Fail("attributes " + Quoted(m_placementToken->name) + " and " +
                         Quoted(m_token->name) + " cannot be combined");
        m_placementToken = m_token;
        if (EqualsIgnoreCase(value, "none")) {
            m_style.placement = Placement::Margins;
            return true;
        }
        m_style.placement = kind;
        return false;
    }

    CueStyle& m_style;
    const ScriptLocation& m_where;
    const Token* m_token = nullptr;
    const Token* m_placementToken = nullptr;
};

std::string Pixels(double value) {
    char text[48];
    std::snprintf(text, sizeof text, value == double(int64_t(value)) ? "%.0f" : "%.1f", value);
    return text;
}

} // namespace

void ApplyAttributes(CueStyle& style, std::span<const Token> attrs,
                     std::span<const std::string_view> skip, const ScriptLocation& where) {
    for (size_t i = 0; i < attrs.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (attrs[i].name == attrs[j].name)
                where.Fail("attribute " + Quoted(attrs[i].name) + " is given twice");
    Applier applier(style, where);
    for (const Token& token : attrs) {
        if (std::find(skip.begin(), skip.end(), token.name) != skip.end())
            continue;
        applier.Apply(token);
    }
}

void CheckSizeLimits(const CueStyle& style, double scaleY, const ScriptLocation& where) {
    const double size = style.size * scaleY;
    const double outline = style.outline * scaleY;
    const double shadow = style.shadow * scaleY;
    if (size > kMaxTextSize)
        where.Fail("text size " + Pixels(size) + " px is over the limit of 1000 px");
    if (outline > kMaxOutline)
        where.Fail("outline " + Pixels(outline) + " px is over the limit of 100 px");
    if (shadow > kMaxShadow)
        where.Fail("shadow offset " + Pixels(shadow) + " px is over the limit of 1000 px");
}

std::string_view AlignmentName(HAlign h, VAlign v) {
    for (const AlignName& a : kAligns)
        if (a.h == h && a.v == v)
            return a.name;
    return {};
}

} // namespace dq::drawlib
