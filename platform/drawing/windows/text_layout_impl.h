// TextLayout's GDI+ side: the text as glyph outlines placed line by line, ready to be filled and
// stroked, and the block's size.
#pragma once

#include <memory>
#include <vector>

#include "platform/drawing/windows/gdiplus_text.h"

namespace dq::gfx {

struct TextLayout::Impl {
    // Glyphs that share a colour: the run's own, or (hasColor false) the style's fill.
    struct Fill {
        std::unique_ptr<Gdiplus::GraphicsPath> path;
        bool hasColor = false;
        Color color;
    };

    // Every glyph, for the outline and the shadow's silhouette.
    std::unique_ptr<Gdiplus::GraphicsPath> whole;
    std::vector<Fill> fills;
    // The block, in pixels, and the glyphs' extent relative to its top-left corner.
    float width = 0;
    float height = 0;
    Gdiplus::RectF ink;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl(); // under the text lock
};

} // namespace dq::gfx
