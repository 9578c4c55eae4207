#include "drawlib/webvtt_cue_settings.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "drawlib/script_values.h"
#include "drawlib/subtitle_cues.h"

namespace dq::drawlib {

namespace {

enum class Edge { Start, Center, End }; // left/top, centre, right/bottom

// "12.5%" as a percentage from 0 to 100, or nothing.
std::optional<double> Percentage(std::string_view text) {
    if (text.empty() || text.back() != '%' || text.front() == '-')
        return std::nullopt;
    const auto value = ParseDecimal(text.substr(0, text.size() - 1));
    if (!value || *value < 0 || *value > 100)
        return std::nullopt;
    return value;
}

struct Settings {
    std::optional<Edge> align;
    std::optional<double> position; // percent
    std::optional<Edge> positionAlign;
    std::optional<double> size; // percent
    enum class Line { Auto, Percent, Number } line = Line::Auto;
    double lineValue = 0; // percent, or a line number
    Edge lineAlign = Edge::Start;

    bool Any() const { return align || position || size || line != Line::Auto; }
};

// "value[,alignment]"
std::pair<std::string_view, std::string_view> SplitComma(std::string_view value) {
    const size_t comma = value.find(',');
    if (comma == std::string_view::npos)
        return {value, {}};
    return {value.substr(0, comma), value.substr(comma + 1)};
}

void Read(std::string_view name, std::string_view value, Settings& s) {
    if (name == "align") {
        if (value == "start" || value == "left")
            s.align = Edge::Start;
        else if (value == "center" || value == "middle")
            s.align = Edge::Center;
        else if (value == "end" || value == "right")
            s.align = Edge::End;
    } else if (name == "size") {
        s.size = Percentage(value);
    } else if (name == "position") {
        const auto [number, edge] = SplitComma(value);
        const auto position = Percentage(number);
        if (!position)
            return;
        if (edge == "line-left" || edge == "start")
            s.positionAlign = Edge::Start;
        else if (edge == "center" || edge == "middle")
            s.positionAlign = Edge::Center;
        else if (edge == "line-right" || edge == "end")
            s.positionAlign = Edge::End;
        else if (!edge.empty())
            return;
        s.position = position;
    } else if (name == "line") {
        const auto [number, edge] = SplitComma(value);
        Edge lineAlign = Edge::Start;
        if (edge == "center" || edge == "middle")
            lineAlign = Edge::Center;
        else if (edge == "end")
            lineAlign = Edge::End;
        else if (!edge.empty() && edge != "start")
            return;
        if (!number.empty() && number.back() == '%') {
            if (const auto percent = Percentage(number)) {
                s.line = Settings::Line::Percent;
                s.lineValue = *percent;
                s.lineAlign = lineAlign;
            }
            return;
        }
        const auto line = ParseInteger(number, std::numeric_limits<int64_t>::min(),
                                       std::numeric_limits<int64_t>::max());
        if (!line)
            return;
        s.line = Settings::Line::Number;
        s.lineValue = double(*line);
    }
}

} // namespace

void ApplyCueSettings(std::string_view settings, CueStyle& style) {
    Settings s;
    for (size_t at = 0; at < settings.size();) {
        const size_t end = std::min(settings.find_first_of(" \t", at), settings.size());
        const std::string_view word = settings.substr(at, end - at);
        const size_t colon = word.find(':');
        if (colon != std::string_view::npos && colon > 0 && colon + 1 < word.size())
            Read(word.substr(0, colon), word.substr(colon + 1), s);
        at = settings.find_first_not_of(" \t", end);
    }
    if (!s.Any())
        return;

    constexpr double kWidth = kSubtitleWidth, kHeight = kSubtitleHeight;
    const double marginX = style.marginH, marginY = style.marginV;

    // Across: the box from position, its alignment and size; the text at the box's edge or
    // centre that align names.
    const Edge align = s.align.value_or(Edge::Center);
    const double position = s.position.value_or(align == Edge::Start ? 0
                                                : align == Edge::End ? 100
                                                                     : 50);
    const Edge positionAlign = s.positionAlign.value_or(align);
    const double room = positionAlign == Edge::Start ? 100 - position
                        : positionAlign == Edge::End ? position
                                                     : 2 * std::min(position, 100 - position);
    const double size = std::min(s.size.value_or(100), room);
    const double left = positionAlign == Edge::Start ? position
                        : positionAlign == Edge::End ? position - size
                                                     : position - size / 2;
    const double anchor = align == Edge::Start ? left
                          : align == Edge::End ? left + size
                                               : left + size / 2;
    style.halign = align == Edge::Start ? HAlign::Left
                   : align == Edge::End ? HAlign::Right
                                        : HAlign::Center;
    style.x1 = float(std::clamp(anchor * kWidth / 100, marginX, kWidth - marginX));
    style.marginH = float(std::max(marginX, (kWidth - size * kWidth / 100) / 2));

    // Down: the bottom margin unless line says otherwise.
    double y = kHeight - marginY;
    VAlign valign = VAlign::Bottom;
    if (s.line == Settings::Line::Percent) {
        y = s.lineValue * kHeight / 100;
        valign = s.lineAlign == Edge::Start    ? VAlign::Top
                 : s.lineAlign == Edge::Center ? VAlign::Middle
                                               : VAlign::Bottom;
    } else if (s.line == Settings::Line::Number) {
        // Lines as tall as the text's usual line height.
        const double lineHeight = style.size * 1.2;
        if (s.lineValue >= 0) {
            y = s.lineValue * lineHeight;
            valign = VAlign::Top;
        } else {
            y = kHeight + (s.lineValue + 1) * lineHeight;
            valign = VAlign::Bottom;
        }
    }
    style.valign = valign;
    style.y1 = float(std::clamp(y, marginY, kHeight - marginY));
    style.placement = Placement::Pos;
}

} // namespace dq::drawlib
