// Graphics operations that draw text: the arguments checked, the layout placed and clipped, and
// the text backend asked to paint it (text_painting.h).
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "platform/drawing/text_painting.h"

namespace dq::gfx {

namespace {

using detail::Area;
using detail::ArgbBitmap;

ArgbBitmap& TextTarget(Bitmap& bitmap) {
    auto* argb = dynamic_cast<ArgbBitmap*>(&bitmap);
    if (!argb) {
        throw DrawingError("text can only be drawn on an ARGB bitmap");
    }
    return *argb;
}

void CheckFinite(std::initializer_list<float> values) {
    for (float v : values) {
        if (!std::isfinite(v)) {
            throw DrawingError("drawing position or size is not a finite number");
        }
    }
}

// Draws layout with its block's top-left at (x, y): shadow, outline, fill; nothing outside
// clip. Only the pixels around the ink are touched, and only they are added to the dirty area.
void PaintLayout(ArgbBitmap& bitmap, const TextLayout::Impl& text, double x, double y,
                 const TextStyle& style, const Area& clip) {
    Area ink{};
    if (!detail::LayoutInk(text, x, y, ink)) {
        return;
    }
    const double outline = style.outline.a > 0 ? std::max(0.0f, style.outlineWidth) : 0.0;
    const bool shadow = style.shadow.a > 0 && style.shadowOffset != 0.0f;

    // The stroke reaches outline pixels past the glyphs; antialiasing one more.
    const double reach = outline + 2.0;
    ink = {ink.left - reach, ink.top - reach, ink.right + reach, ink.bottom + reach};
    if (shadow) {
        ink = ink.Union(ink.Moved(style.shadowOffset));
    }
    const Area bounds{0.0, 0.0, double(bitmap.Width()), double(bitmap.Height())};
    const Area visible = ink.Intersect(clip).Intersect(bounds);
    const Rect dirty = visible.Pixels();
    if (dirty.Empty()) {
        return;
    }
    const detail::PlacedText placed{x, y, outline, shadow, clip.Intersect(bounds), visible, dirty};
    detail::PaintPlacedText(bitmap, text, style, placed);
}

} // namespace

void Graphics::DrawText(const TextLayout& layout, float x, float y, const TextStyle& style) {
    ArgbBitmap& bitmap = TextTarget(m_target);
    CheckFinite({x, y, style.outlineWidth, style.shadowOffset});
    const double inf = INFINITY;
    PaintLayout(bitmap, layout.impl(), x, y, style, Area{-inf, -inf, inf, inf});
}

void Graphics::DrawString(std::u16string_view text, const Font& font, Color brush,
                          const RectF& layout) {
    ArgbBitmap& bitmap = TextTarget(m_target);
    CheckFinite({layout.x, layout.y, layout.width, layout.height});
    // As the platform's own DrawString does: a side of zero (or less) neither wraps nor clips.
    const double inf = INFINITY;
    const Area clip{layout.width > 0 ? layout.x : -inf, layout.height > 0 ? layout.y : -inf,
                    layout.width > 0 ? double(layout.x) + layout.width : inf,
                    layout.height > 0 ? double(layout.y) + layout.height : inf};
    TextRun run;
    run.text = text;
    const TextLayout block(font, {std::move(run)}, std::max(0.0f, layout.width), TextAlign::Left);
    TextStyle style;
    style.fill = brush;
    style.outlineWidth = 0;
    style.shadowOffset = 0;
    PaintLayout(bitmap, block.impl(), layout.x, layout.y, style, clip);
}

} // namespace dq::gfx
