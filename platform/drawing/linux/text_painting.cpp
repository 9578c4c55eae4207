// Text painted by pango and cairo straight into the ARGB bitmap's premultiplied pixels; outlines
// and shadows through masks of whole glyphs (glyph_masks.h).
#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>
#include <utility>

#include "platform/drawing/linux/glyph_masks.h"
#include "platform/drawing/linux/pango_text.h"
#include "platform/drawing/linux/text_layout_impl.h"
#include "platform/drawing/text_painting.h"

namespace dq::gfx {

// cairo's ARGB32 is one native-endian word per pixel; ours is b, g, r, a bytes.
static_assert(std::endian::native == std::endian::little);

namespace {

using detail::Area;
using detail::ArgbBitmap;

void SetSource(cairo_t* cr, Color c, double alpha) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}

// The current source through layer's coverage, onto the layer's area.
void PaintThrough(cairo_t* cr, detail::CoverageLayer& layer) {
    cairo_surface_t* mask = cairo_image_surface_create_for_data(
        layer.alpha.data(), CAIRO_FORMAT_A8, layer.area.width, layer.area.height, layer.stride);
    cairo_mask_surface(cr, mask, layer.area.x, layer.area.y);
    cairo_surface_destroy(mask);
}

} // namespace

bool detail::LayoutInk(const TextLayout::Impl& text, double x, double y, Area& ink) {
    if (text.ink.width <= 0 || text.ink.height <= 0) {
        return false;
    }
    const double originX = x - double(text.logical.x) / PANGO_SCALE;
    const double originY = y - double(text.logical.y) / PANGO_SCALE;
    ink = {originX + double(text.ink.x) / PANGO_SCALE, originY + double(text.ink.y) / PANGO_SCALE,
           originX + double(text.ink.x + text.ink.width) / PANGO_SCALE,
           originY + double(text.ink.y + text.ink.height) / PANGO_SCALE};
    return true;
}

void detail::PaintPlacedText(ArgbBitmap& bitmap, const TextLayout::Impl& text,
                             const TextStyle& style, const PlacedText& placed) {
    const double originX = placed.x - double(text.logical.x) / PANGO_SCALE;
    const double originY = placed.y - double(text.logical.y) / PANGO_SCALE;
    const double outline = placed.outline;
    const Rect& dirty = placed.dirty;
    const Area& visible = placed.visible;
    std::lock_guard lock(detail::TextLock());
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(bitmap.StoreUpright(), CAIRO_FORMAT_ARGB32,
                                            bitmap.Width(), bitmap.Height(), bitmap.Stride());
    cairo_t* cr = cairo_create(surface);
    // The ink's own bounds leave room around everything drawn, so only a clip of the caller's
    // that cuts through a pixel needs clipping there; any other is clipped at whole pixels,
    // which cairo does without a coverage mask.
    const Area& cut = placed.clip;
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
    if (placed.shadow) {
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

} // namespace dq::gfx
