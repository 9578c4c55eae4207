// Text painted by GDI+ straight into the ARGB bitmap's premultiplied pixels (GDI+'s PARGB
// layout is ours: blue, green, red, alpha).
#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

#include "platform/drawing/text_painting.h"
#include "platform/drawing/windows/text_layout_impl.h"

namespace dq::gfx {

namespace {

using detail::Area;
using detail::ArgbBitmap;
using detail::Check;

Gdiplus::Color ToGdiplus(Color c, uint8_t alpha) {
    return Gdiplus::Color(alpha, c.r, c.g, c.b);
}

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

} // namespace

bool detail::LayoutInk(const TextLayout::Impl& text, double x, double y, Area& ink) {
    if (text.ink.Width <= 0 || text.ink.Height <= 0) {
        return false;
    }
    ink = {x + text.ink.X, y + text.ink.Y, x + double(text.ink.X) + text.ink.Width,
           y + double(text.ink.Y) + text.ink.Height};
    return true;
}

void detail::PaintPlacedText(ArgbBitmap& bitmap, const TextLayout::Impl& text,
                             const TextStyle& style, const PlacedText& placed) {
    const double x = placed.x;
    const double y = placed.y;
    const double outline = placed.outline;
    const Rect& dirty = placed.dirty;
    const Area& visible = placed.visible;
    std::lock_guard lock(detail::TextLock());
    uint8_t* pixels = bitmap.StoreUpright();
    if (placed.shadow) {
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

} // namespace dq::gfx
