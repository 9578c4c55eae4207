// Outlines drawn from glyphs instead of from each block's whole path: the ring a stroke of a given
// width leaves around one glyph (and the glyph's silhouette with it, for shadows) is rendered once
// into an 8-bit coverage mask and kept, so that a new block of text costs a few mask copies per
// glyph rather than a stroke of every curve in it.
//
// Glyphs sit at whole pixels, where the text's own rendering puts them (unhinted outlines, so a
// glyph's shape does not depend on where it lands). Where the rings of neighbouring glyphs
// overlap, a layer keeps the larger coverage, so a translucent outline is not darker there.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <pango/pangocairo.h>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

enum class GlyphMaskKind : uint8_t {
    Ring,       // the stroke alone, for the outline under the fill
    Silhouette, // fill and stroke together, for the shadow
};

// A coverage layer over a rectangle of a bitmap, rows stride bytes apart (cairo's A8 layout).
struct CoverageLayer {
    Rect area;
    int stride = 0;
    std::vector<uint8_t> alpha;
};

// Every use (and the cache's life) is under TextLock.
class GlyphMasks {
public:
    // Keeps masks up to this many bytes; past it, the cache starts again.
    static constexpr size_t kBudget = size_t(16) << 20;

    static GlyphMasks& Shared();

    // Lays the masks of every glyph of layout (its origin at originX, originY) into layer, which
    // covers area. False when some glyph has no outline to draw from (a missing-glyph box), so
    // the caller strokes the path instead.
    bool Compose(PangoLayout* layout, double originX, double originY, float outline,
                 GlyphMaskKind kind, const Rect& area, CoverageLayer& layer);

    size_t Bytes() const { return m_bytes; }
    size_t Count() const { return m_masks.size(); }

private:
    struct Key {
        cairo_scaled_font_t* font;
        uint32_t glyph;
        float outline;
        GlyphMaskKind kind;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const;
    };
    // Coverage of the glyph drawn at (0, 0), over left..left+width, top..top+height.
    struct Mask {
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<uint8_t> alpha; // rows width bytes apart
    };

    GlyphMasks() = default;
    ~GlyphMasks();
    const Mask& Find(cairo_scaled_font_t* font, uint32_t glyph, float outline, GlyphMaskKind kind);
    static Mask Render(cairo_scaled_font_t* font, uint32_t glyph, float outline,
                       GlyphMaskKind kind);
    void Forget();

    std::unordered_map<Key, Mask, KeyHash> m_masks;
    size_t m_bytes = 0;
};

} // namespace dq::gfx::detail
