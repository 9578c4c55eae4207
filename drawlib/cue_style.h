// Everything that says how a cue looks and where it goes, in the script's own coordinates
// (scaled to the frame only when drawn). A style is one of these; every cue resolves its
// style and its own attributes into one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/drawing/drawing.h"

namespace dq::drawlib {

enum class HAlign : uint8_t { Left, Center, Right };
enum class VAlign : uint8_t { Top, Middle, Bottom };
// How the block is placed: at the margins, at pos, moving from one point to another, or
// scrolling across the frame.
enum class Placement : uint8_t { Margins, Pos, Move, Scroll };
enum class ScrollDirection : uint8_t { Left, Right, Up, Down };

struct CueStyle {
    std::string font = "sans-serif";
    float size = 48;
    bool bold = false;
    bool italic = false;
    gfx::Color color = gfx::Color::FromArgb(0xFFFFFFFF);
    float outline = 2;
    gfx::Color outlineColor = gfx::Color::FromArgb(0xFF000000);
    float shadow = 0;
    gfx::Color shadowColor = gfx::Color::FromArgb(0x80000000);
    bool hasBox = false;
    gfx::Color box;
    HAlign halign = HAlign::Center;
    VAlign valign = VAlign::Bottom;
    float marginH = 40, marginV = 40;
    Placement placement = Placement::Margins;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0; // pos uses x1, y1; move goes from 1 to 2
    ScrollDirection scroll = ScrollDirection::Left;
    int32_t fadeIn = 0, fadeOut = 0; // milliseconds
    int32_t layer = 0;
    bool wrap = true;

    bool operator==(const CueStyle&) const = default;
};

struct CueStyleHash {
    size_t operator()(const CueStyle& style) const;
};

} // namespace dq::drawlib
