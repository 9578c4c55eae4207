#include "platform/drawing/linux/glyph_masks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace dq::gfx::detail {
namespace {

// Where cairo puts a glyph it renders at x: the nearest whole pixel, halves upwards.
int WholePixel(double x) {
    return int(std::floor(x + 0.5));
}

// The larger coverage of the two, byte by byte (a loop the vectoriser takes on).
void MaxInto(uint8_t* __restrict out, const uint8_t* __restrict in, int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = in[i] > out[i] ? in[i] : out[i];
    }
}

} // namespace

size_t GlyphMasks::KeyHash::operator()(const Key& k) const {
    size_t h = std::hash<const void*>()(k.font);
    h = h * 31 + k.glyph;
    h = h * 31 + std::hash<float>()(k.outline);
    return h * 31 + size_t(k.kind);
}

GlyphMasks& GlyphMasks::Shared() {
    // Lives as long as the process, like the font map whose fonts it refers to.
    static GlyphMasks* const shared = new GlyphMasks;
    return *shared;
}

GlyphMasks::~GlyphMasks() {
    Forget();
}

void GlyphMasks::Forget() {
    for (auto& [key, mask] : m_masks) {
        cairo_scaled_font_destroy(key.font);
    }
    m_masks.clear();
    m_bytes = 0;
}

GlyphMasks::Mask GlyphMasks::Render(cairo_scaled_font_t* font, uint32_t glyph, float outline,
                                    GlyphMaskKind kind) {
    cairo_glyph_t g{glyph, 0.0, 0.0};
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(font, &g, 1, &extents);
    Mask mask;
    if (extents.width <= 0 || extents.height <= 0) {
        return mask; // a space
    }
    // The stroke reaches outline pixels past the glyph; antialiasing one more.
    const double reach = double(outline) + 2.0;
    mask.left = int(std::floor(extents.x_bearing - reach));
    mask.top = int(std::floor(extents.y_bearing - reach));
    mask.width = int(std::ceil(extents.x_bearing + extents.width + reach)) - mask.left;
    mask.height = int(std::ceil(extents.y_bearing + extents.height + reach)) - mask.top;

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, mask.width, mask.height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_scaled_font(cr, font);
    g.x = -mask.left;
    g.y = -mask.top;
    cairo_glyph_path(cr, &g, 1);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, double(outline) * 2.0);
    if (kind == GlyphMaskKind::Silhouette) {
        if (outline > 0) {
            cairo_fill_preserve(cr);
            cairo_stroke(cr);
        } else {
            cairo_fill(cr);
        }
    } else {
        cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
    const cairo_status_t status = cairo_status(cr);
    if (status == CAIRO_STATUS_SUCCESS) {
        const int stride = cairo_image_surface_get_stride(surface);
        const uint8_t* rows = cairo_image_surface_get_data(surface);
        mask.alpha.resize(size_t(mask.width) * size_t(mask.height));
        for (int y = 0; y < mask.height; ++y) {
            std::memcpy(&mask.alpha[size_t(y) * size_t(mask.width)], rows + size_t(y) * stride,
                        size_t(mask.width));
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw DrawingError(std::string("outline rendering failed: ") +
                           cairo_status_to_string(status));
    }
    return mask;
}

const GlyphMasks::Mask& GlyphMasks::Find(cairo_scaled_font_t* font, uint32_t glyph, float outline,
                                         GlyphMaskKind kind) {
    const Key key{font, glyph, outline, kind};
    if (const auto it = m_masks.find(key); it != m_masks.end()) {
        return it->second;
    }
    Mask mask = Render(font, glyph, outline, kind);
    if (m_bytes + mask.alpha.size() > kBudget) {
        Forget();
    }
    m_bytes += mask.alpha.size();
    cairo_scaled_font_reference(font); // the key's font stays what it is while the mask lives
    return m_masks.emplace(key, std::move(mask)).first->second;
}

bool GlyphMasks::Compose(PangoLayout* layout, double originX, double originY, float outline,
                         GlyphMaskKind kind, const Rect& area, CoverageLayer& layer) {
    layer.area = area;
    layer.stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, area.width);
    layer.alpha.assign(size_t(layer.stride) * size_t(area.height), 0);

    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    bool complete = true;
    do {
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
        if (!run) {
            continue; // the end of a line
        }
        cairo_scaled_font_t* font =
            pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(run->item->analysis.font));
        if (!font || cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
            complete = false;
            break;
        }
        PangoRectangle logical;
        pango_layout_iter_get_run_extents(iter, nullptr, &logical);
        const double baseline =
            originY + double(pango_layout_iter_get_baseline(iter)) / PANGO_SCALE;
        int advance = logical.x;
        const PangoGlyphString* glyphs = run->glyphs;
        for (int i = 0; i < glyphs->num_glyphs; ++i) {
            const PangoGlyphInfo& info = glyphs->glyphs[i];
            const int at = advance + info.geometry.x_offset;
            advance += info.geometry.width;
            if (info.glyph == PANGO_GLYPH_EMPTY) {
                continue;
            }
            if (info.glyph & PANGO_GLYPH_UNKNOWN_FLAG) {
                complete = false;
                break;
            }
            const Mask& mask = Find(font, info.glyph, outline, kind);
            if (mask.alpha.empty()) {
                continue;
            }
            // The mask's top-left in the layer.
            const int x = WholePixel(originX + double(at) / PANGO_SCALE) + mask.left - area.x;
            const int y = WholePixel(baseline + double(info.geometry.y_offset) / PANGO_SCALE) +
                          mask.top - area.y;
            const int x0 = std::max(0, -x), x1 = std::min(mask.width, area.width - x);
            const int y0 = std::max(0, -y), y1 = std::min(mask.height, area.height - y);
            for (int r = y0; r < y1; ++r) {
                MaxInto(layer.alpha.data() + size_t(y + r) * size_t(layer.stride) + x + x0,
                        &mask.alpha[size_t(r) * size_t(mask.width) + size_t(x0)], x1 - x0);
            }
        }
    } while (complete && pango_layout_iter_next_run(iter));
    pango_layout_iter_free(iter);
    return complete;
}

} // namespace dq::gfx::detail
