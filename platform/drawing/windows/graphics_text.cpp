// Graphics operations that draw text, rendered by GDI+ straight into the ARGB bitmap's
// premultiplied pixels (GDI+'s PARGB layout is ours: blue, green, red, alpha).
#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

#include "platform/drawing/argb_bitmap.h"
#include "platform/drawing/windows/text_layout_impl.h"

namespace dq::gfx {

namespace {

using detail::ArgbBitmap;
using detail::Check;

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

Gdiplus::Color ToGdiplus(Color c, uint8_t alpha) {
    return Gdiplus::Color(alpha, c.r, c.g, c.b);
}

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

// A GDI+ drawing surface over premultiplied pixels, set up as text is drawn everywhere:
// antialiased, pixel (x, y) covering the square from (x, y) to (x + 1, y + 1), clipped to clip
// (in the same coordinates as the pixels) and with its origin moved to (dx, dy).
class Surface {
public:
    Surface(int width, int height, int stride, uint8_t* pixels, const Area& clip, double dx,
            double dy)
        : m_bitmap(width, height, stride, PixelFormat32bppPARGB, pixels), m_graphics(&m_bitmap) {
        Check(m_bitmap.GetLastStatus(), "wrapping a bitmap");
        Check(m_graphics.GetLastStatus(), "drawing on a bitmap");
        Check(m_graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias), "antialiasing");
        Check(m_graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf), "pixel offset");
        Check(m_graphics.SetCompositingMode(Gdiplus::CompositingModeSourceOver), "compositing");
        Check(m_graphics.SetClip(Gdiplus::RectF(float(clip.left), float(clip.top),
                                                float(clip.right - clip.left),
                                                float(clip.bottom - clip.top))),
              "clipping");
        Check(m_graphics.TranslateTransform(float(dx), float(dy)), "placing text");
    }
    ~Surface() { m_graphics.Flush(Gdiplus::FlushIntentionSync); }

    void Stroke(const Gdiplus::GraphicsPath& path, Gdiplus::Color color, double width) {
        Gdiplus::Pen pen(color, float(width));
        Check(pen.GetLastStatus(), "making a pen");
        pen.SetLineJoin(Gdiplus::LineJoinRound);
        Check(m_graphics.DrawPath(&pen, &path), "stroking text");
    }
    void Fill(const Gdiplus::GraphicsPath& path, Gdiplus::Color color) {
        Gdiplus::SolidBrush brush(color);
        Check(m_graphics.FillPath(&brush, &path), "filling text");
    }

private:
    Gdiplus::Bitmap m_bitmap;
    Gdiplus::Graphics m_graphics;
};

// Draws layout with its block's top-left at (x, y): shadow, outline, fill; nothing outside
// clip. Only the pixels around the ink are touched, and only they are added to the dirty area.
void PaintLayout(ArgbBitmap& bitmap, const TextLayout::Impl& text, double x, double y,
                 const TextStyle& style, const Area& clip) {
    if (text.ink.Width <= 0 || text.ink.Height <= 0) {
        return;
    }
    const double outline = style.outline.a > 0 ? std::max(0.0f, style.outlineWidth) : 0.0;
    const bool shadow = style.shadow.a > 0 && style.shadowOffset != 0.0f;

    // The stroke reaches outline pixels past the glyphs; antialiasing one more.
    const double reach = outline + 2.0;
    Area ink{x + text.ink.X - reach, y + text.ink.Y - reach,
             x + double(text.ink.X) + text.ink.Width + reach,
             y + double(text.ink.Y) + text.ink.Height + reach};
    if (shadow) {
        ink = ink.Union(ink.Moved(style.shadowOffset));
    }
    const Area bounds{0.0, 0.0, double(bitmap.Width()), double(bitmap.Height())};
    const Area visible = ink.Intersect(clip).Intersect(bounds);
    const Rect dirty = visible.Pixels();
    if (dirty.Empty()) {
        return;
    }

    std::lock_guard lock(detail::TextLock());
    uint8_t* pixels = bitmap.StoreUpright();
    if (shadow) {
        // The silhouette of outline and fill, drawn opaque and then laid down at the shadow's
        // alpha, so the overlap of stroke and fill is not darker.
        ArgbBitmap silhouette(dirty.width, dirty.height);
        {
            const Area local{visible.left - dirty.x, visible.top - dirty.y, visible.right - dirty.x,
                             visible.bottom - dirty.y};
            Surface s(dirty.width, dirty.height, silhouette.Stride(), silhouette.StoreUpright(),
                      local, x + style.shadowOffset - dirty.x, y + style.shadowOffset - dirty.y);
            const Gdiplus::Color opaque = ToGdiplus(style.shadow, 255);
            s.Fill(*text.whole, opaque);
            if (outline > 0) {
                s.Stroke(*text.whole, opaque, outline * 2.0);
            }
        }
        silhouette.AddDirty(Rect{0, 0, dirty.width, dirty.height});
        Graphics(bitmap).DrawImage(silhouette, dirty.x, dirty.y, style.shadow.a / 255.0f);
    }
    {
        Surface s(bitmap.Width(), bitmap.Height(), bitmap.Stride(), pixels, visible, x, y);
        if (outline > 0) {
            s.Stroke(*text.whole, ToGdiplus(style.outline, style.outline.a), outline * 2.0);
        }
        for (const TextLayout::Impl::Fill& fill : text.fills) {
            const Color c = fill.hasColor ? fill.color : style.fill;
            if (c.a > 0) {
                s.Fill(*fill.path, ToGdiplus(c, c.a));
            }
        }
    }
    // Whatever GDI+ managed to draw lies inside the clip, so the dirty rule holds either way.
    bitmap.AddDirty(dirty);
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
