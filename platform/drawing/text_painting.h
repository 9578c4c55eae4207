// Painting a text layout, split between what every platform shares (checking the arguments,
// placing the ink, clipping it, keeping the dirty area) in graphics_text.cpp, and the text
// backend's own rendering of a placed layout.
#pragma once

#include <algorithm>
#include <cmath>

#include "platform/drawing/argb_bitmap.h"
#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

// An area in bitmap coordinates, kept as doubles until it has been clipped to the bitmap.
struct Area {
    double left, top, right, bottom;

    Area Intersect(const Area& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    Area Union(const Area& o) const {
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    Area Moved(double d) const { return {left + d, top + d, right + d, bottom + d}; }
    // The whole pixels it touches (call only once clipped to the bitmap).
    Rect Pixels() const {
        const int l = int(std::floor(left));
        const int t = int(std::floor(top));
        const int r = int(std::ceil(right));
        const int b = int(std::ceil(bottom));
        return (r > l && b > t) ? Rect{l, t, r - l, b - t} : Rect{};
    }
};

// A layout placed on a bitmap, with what painting it may touch.
struct PlacedText {
    double x, y;    // the block's top-left
    double outline; // the outline's width, 0 for none
    bool shadow;    // whether the shadow is drawn
    Area clip;      // the caller's clip, within the bitmap
    Area visible;   // ink, outline and shadow, within clip
    Rect dirty;     // the whole pixels of visible (not empty)
};

// Backend: the layout's ink when its block's top-left is at (x, y); false when it has none.
bool LayoutInk(const TextLayout::Impl& text, double x, double y, Area& ink);

// Backend: paints shadow, outline and fill of a placed layout, under the text lock, touching no
// pixel outside placed.visible, and adds placed.dirty to the bitmap's dirty area.
void PaintPlacedText(ArgbBitmap& bitmap, const TextLayout::Impl& text, const TextStyle& style,
                     const PlacedText& placed);

} // namespace dq::gfx::detail
