// Rectangle arithmetic for dirty tracking and clipping, safe against int overflow.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

// The overlap of a and b moved by (dx, dy); empty (all zero) when they do not meet.
inline Rect Intersect(const Rect& a, const Rect& b, int64_t dx = 0, int64_t dy = 0) {
    if (a.Empty() || b.Empty()) {
        return {};
    }
    const int64_t left = std::max<int64_t>(a.x, int64_t(b.x) + dx);
    const int64_t top = std::max<int64_t>(a.y, int64_t(b.y) + dy);
    const int64_t right = std::min<int64_t>(int64_t(a.x) + a.width, int64_t(b.x) + b.width + dx);
    const int64_t bottom = std::min<int64_t>(int64_t(a.y) + a.height, int64_t(b.y) + b.height + dy);
    if (right <= left || bottom <= top) {
        return {};
    }
    return Rect{int(left), int(top), int(right - left), int(bottom - top)};
}

// The smallest rectangle holding both (both within one bitmap, so no overflow).
inline Rect Union(const Rect& a, const Rect& b) {
    if (a.Empty()) {
        return b.Empty() ? Rect{} : b;
    }
    if (b.Empty()) {
        return a;
    }
    const int left = std::min(a.x, b.x);
    const int top = std::min(a.y, b.y);
    return Rect{left, top, std::max(a.Right(), b.Right()) - left,
                std::max(a.Bottom(), b.Bottom()) - top};
}

// Where r lands when a bitmap of the given height is turned upside down.
inline Rect MirrorY(const Rect& r, int height) {
    if (r.Empty()) {
        return {};
    }
    return Rect{r.x, height - r.Bottom(), r.width, r.height};
}

// Whether r lies within a width x height bitmap (and is not empty).
inline bool Within(const Rect& r, int width, int height) {
    return !r.Empty() && r.x >= 0 && r.y >= 0 && int64_t(r.x) + r.width <= width &&
           int64_t(r.y) + r.height <= height;
}

} // namespace dq::gfx::detail
