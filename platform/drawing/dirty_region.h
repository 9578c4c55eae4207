// Where a bitmap may have been drawn on: a few disjoint rectangles. Two small cues far apart stay
// two rectangles, so clearing, flipping, blending and locking walk only what they cover. Drawn
// areas that overlap or nearly touch become one rectangle (the pixels between cost less than a
// second pass over the rows), and past kMaxRects the pair whose union wastes least is joined.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

class DirtyRegion {
public:
    static constexpr int kMaxRects = 64;
    // Rectangles less than this many pixels apart (on both axes) are joined.
    static constexpr int kJoinGap = 8;

    // Adds r (already clipped to the bitmap; an empty r changes nothing).
    void Add(const Rect& r);
    void Clear() { m_count = 0; }
    // Every rectangle turned upside down in a bitmap of that height.
    void MirrorY(int height);

    bool Empty() const { return m_count == 0; }
    // Pairwise disjoint, none empty.
    std::span<const Rect> Rects() const { return {m_rects.data(), size_t(m_count)}; }
    // The smallest rectangle holding them all.
    Rect Bounds() const;

private:
    std::array<Rect, kMaxRects> m_rects{};
    int m_count = 0;
};

} // namespace dq::gfx::detail
