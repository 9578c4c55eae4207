// Graphics operations that draw text, rendered by pango and cairo straight into the ARGB
// bitmap's premultiplied pixels; outlines and shadows through masks of whole glyphs
// (glyph_masks.h).
#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>
#include <utility>

#include "platform/drawing/argb_bitmap.h"
#include "platform/drawing/linux/glyph_masks.h"
#include "platform/drawing/linux/pango_text.h"
#include "platform/drawing/linux/text_layout_impl.h"

namespace dq::gfx {

// cairo's ARGB32 is one native-endian word per pixel; ours is b, g, r, a bytes.
static_assert(std::endian::native == std::endian::little);

namespace {

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

void SetSource(cairo_t* cr, Color c, double alpha) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
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

// The current source through layer's coverage, onto the layer's area.
void PaintThrough(cairo_t* cr, detail::CoverageLayer& layer) {
    cairo_surface_t* mask = cairo_image_surface_create_for_data(
        layer.alpha.data(), CAIRO_FORMAT_A8, layer.area.width, layer.area.height, layer.stride);
    cairo_mask_surface(cr, mask, layer.area.x, layer.area.y);
    cairo_surface_destroy(mask);
}

// Draws layout with its block's top-left at (x, y): shadow, outline, fill; nothing outside
// clip. Only the pixels around the ink are touched, and only they are added to the dirty area.
void PaintLayout(ArgbBitmap& bitmap, const TextLayout::Impl& text, double x, double y,
                 const TextStyle& style, const Area& clip) {
    if (text.ink.width <= 0 || text.ink.height <= 0) {
        return;
    }
    const double originX = x - double(text.logical.x) / PANGO_SCALE;
    const double originY = y - double(text.logical.y) / PANGO_SCALE;
    const double outline = style.outline.a > 0 ? std::max(0.0f, style.outlineWidth) : 0.0;
    const bool shadow = style.shadow.a > 0 && style.shadowOffset != 0.0f;

    // The stroke reaches outline pixels past the glyphs; antialiasing one more.
    const double reach = outline + 2.0;
    Area ink{originX + double(text.ink.x) / PANGO_SCALE - reach,
             originY + double(text.ink.y) / PANGO_SCALE - reach,
             originX + double(text.ink.x + text.ink.width) / PANGO_SCALE + reach,
             originY + double(text.ink.y + text.ink.height) / PANGO_SCALE + reach};
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
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(bitmap.StoreUpright(), CAIRO_FORMAT_ARGB32,
                                            bitmap.Width(), bitmap.Height(), bitmap.Stride());
    cairo_t* cr = cairo_create(surface);
    // The ink's own bounds leave room around everything drawn, so only a clip of the caller's
    // that cuts through a pixel needs clipping there; any other is clipped at whole pixels,
    // which cairo does without a coverage mask.
    const Area cut = clip.Intersect(bounds);
    const bool whole = [&] {
        for (double edge : {cut.left, cut.top, cut.right, cut.bottom}) {
            if (std::isfinite(edge) && edge != std::floor(edge)) {
                return false;
            }
        }
        return true;
    }();
    if (whole) {
        cairo_rectangle(cr, dirty.x, dirty.y, dirty.width, dirty.height);
    } else {
        cairo_rectangle(cr, visible.left, visible.top, visible.right - visible.left,
                        visible.bottom - visible.top);
    }
    cairo_clip(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, outline * 2.0);

    detail::GlyphMasks& masks = detail::GlyphMasks::Shared();
    detail::CoverageLayer layer;
    if (shadow) {
        // The silhouette of outline and fill in one coverage layer, laid down at the shadow's
        // alpha, so the overlap of stroke and fill is not darker.
        if (masks.Compose(text.layout, originX + style.shadowOffset, originY + style.shadowOffset,
                          float(outline), detail::GlyphMaskKind::Silhouette, dirty, layer)) {
            SetSource(cr, style.shadow, style.shadow.a / 255.0);
            PaintThrough(cr, layer);
        } else {
            cairo_push_group(cr);
            cairo_move_to(cr, originX + style.shadowOffset, originY + style.shadowOffset);
            pango_cairo_layout_path(cr, text.layout);
            SetSource(cr, style.shadow, 1.0);
            if (outline > 0) {
                cairo_fill_preserve(cr);
                cairo_stroke(cr);
            } else {
                cairo_fill(cr);
            }
            cairo_pop_group_to_source(cr);
            cairo_paint_with_alpha(cr, style.shadow.a / 255.0);
        }
    }
    if (outline > 0) {
        SetSource(cr, style.outline, style.outline.a / 255.0);
        if (masks.Compose(text.layout, originX, originY, float(outline),
                          detail::GlyphMaskKind::Ring, dirty, layer)) {
            PaintThrough(cr, layer);
        } else {
            cairo_new_path(cr);
            cairo_move_to(cr, originX, originY);
            pango_cairo_layout_path(cr, text.layout);
            cairo_stroke(cr);
        }
    }
    cairo_new_path(cr);
    cairo_move_to(cr, originX, originY);
    SetSource(cr, style.fill, style.fill.a / 255.0);
    pango_cairo_show_layout(cr, text.layout);

    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    // Whatever cairo managed to draw lies inside the clip, so the dirty rule holds either way.
    bitmap.AddDirty(dirty);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw DrawingError(std::string("text rendering failed: ") + cairo_status_to_string(status));
    }
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
