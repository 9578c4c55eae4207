// Graphics operations that need no text backend: image blending and rectangle fills.
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/drawing/argb_bitmap.h"
#include "platform/drawing/blend_rows.h"
#include "platform/drawing/drawing.h"
#include "platform/drawing/memory_bitmap24.h"
#include "platform/drawing/pixel_math.h"
#include "platform/drawing/rect_math.h"

namespace dq::gfx {

using detail::ArgbBitmap;
using detail::MemoryBitmap24;

namespace {

// source (drawn with its top-left at x, y) over the target's pixels in area. Rows where no dirty
// rectangle of the target meets the area are transparent: the result there is the source itself,
// so they need no blending (the first sprite drawn onto a cleared surface is a copy).
void BlendOntoArgb(ArgbBitmap& target, const ArgbBitmap& source, const Rect& area, int x, int y,
                   unsigned o, const detail::BlendRows& rows) {
    std::array<Rect, detail::DirtyRegion::kMaxRects> meeting;
    size_t n = 0;
    for (const Rect& r : target.DirtyRects()) {
        const Rect m = detail::Intersect(area, r);
        if (!m.Empty()) {
            meeting[n++] = m;
        }
    }
    const int sx = area.x - x;
    const int sy = area.y - y;
    for (int r = 0; r < area.height; ++r) {
        const int ty = area.y + r;
        bool clear = true;
        for (size_t i = 0; i < n && clear; ++i) {
            clear = ty < meeting[i].y || ty >= meeting[i].Bottom();
        }
        (clear ? rows.ontoClearArgb : rows.toArgb)(target.Row(ty) + size_t(area.x) * 4,
                                                   source.Row(sy + r) + size_t(sx) * 4, area.width,
                                                   o);
    }
}

} // namespace

Graphics::Graphics(Bitmap& target) : m_target(target) {
    if (!dynamic_cast<ArgbBitmap*>(&target) && !dynamic_cast<MemoryBitmap24*>(&target)) {
        throw DrawingError("Graphics needs a bitmap made by Bitmap::FromMemory24 or CreateArgb");
    }
}

Graphics::~Graphics() = default;

void Graphics::DrawImage(Bitmap& src, int x, int y, float opacity) {
    auto* source = dynamic_cast<ArgbBitmap*>(&src);
    if (!source) {
        throw DrawingError("DrawImage needs an ARGB source");
    }
    if (&src == &m_target) {
        throw DrawingError("DrawImage of a bitmap onto itself");
    }
    const unsigned o = detail::OpacityByte(opacity);
    if (o == 0) {
        return;
    }
    // Only the source's dirty rectangles can hold anything that is not transparent; being
    // disjoint, they land on disjoint areas of the target, each blended once.
    const Rect bounds{0, 0, m_target.Width(), m_target.Height()};
    std::array<Rect, detail::DirtyRegion::kMaxRects> areas;
    size_t count = 0;
    for (const Rect& r : source->DirtyRects()) {
        const Rect area = detail::Intersect(bounds, r, x, y);
        if (!area.Empty()) {
            areas[count++] = area;
        }
    }
    const detail::BlendRows& rows = detail::SelectBlendRows();
    if (auto* argb = dynamic_cast<ArgbBitmap*>(&m_target)) {
        for (size_t i = 0; i < count; ++i) {
            BlendOntoArgb(*argb, *source, areas[i], x, y, o, rows);
        }
        // Added once all are blended, so that joining rectangles does not turn the copies
        // onto clear rows of later areas into blends.
        for (size_t i = 0; i < count; ++i) {
            argb->AddDirty(areas[i]);
        }
    } else {
        auto& rgb = static_cast<MemoryBitmap24&>(m_target);
        for (size_t i = 0; i < count; ++i) {
            const Rect& area = areas[i];
            const int sx = area.x - x;
            const int sy = area.y - y;
            for (int r = 0; r < area.height; ++r) {
                rows.toRgb24(rgb.Row(area.y + r) + size_t(area.x) * 3,
                             source->Row(sy + r) + size_t(sx) * 4, area.width, o);
            }
            rgb.AddDirty(area);
        }
    }
}

void Graphics::FillRectangle(Color color, const Rect& rect) {
    const Rect area = detail::Intersect(Rect{0, 0, m_target.Width(), m_target.Height()}, rect);
    if (color.a == 0 || area.Empty()) {
        return;
    }
    const uint32_t p = detail::Premultiply(color);
    uint8_t s[4];
    std::memcpy(s, &p, 4);
    const unsigned ia = 255 - color.a;
    if (auto* argb = dynamic_cast<ArgbBitmap*>(&m_target)) {
        for (int y = area.y; y < area.Bottom(); ++y) {
            uint8_t* d = argb->Row(y) + size_t(area.x) * 4;
            for (int x = 0; x < area.width; ++x, d += 4) {
                for (int c = 0; c < 4; ++c) {
                    d[c] = uint8_t(s[c] + detail::Mul(d[c], ia));
                }
            }
        }
        argb->AddDirty(area);
    } else {
        auto& rgb = static_cast<MemoryBitmap24&>(m_target);
        for (int y = area.y; y < area.Bottom(); ++y) {
            uint8_t* d = rgb.Row(y) + size_t(area.x) * 3;
            for (int x = 0; x < area.width; ++x, d += 3) {
                for (int c = 0; c < 3; ++c) {
                    d[c] = uint8_t(s[c] + detail::Mul(d[c], ia));
                }
            }
        }
        rgb.AddDirty(area);
    }
}

} // namespace dq::gfx
