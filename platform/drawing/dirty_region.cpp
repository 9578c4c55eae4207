#include "platform/drawing/dirty_region.h"

#include "platform/drawing/rect_math.h"

namespace dq::gfx::detail {
namespace {

bool Near(const Rect& a, const Rect& b) {
    constexpr int g = DirtyRegion::kJoinGap;
    return int64_t(a.x) - g < b.Right() && int64_t(b.x) < int64_t(a.Right()) + g &&
           int64_t(a.y) - g < b.Bottom() && int64_t(b.y) < int64_t(a.Bottom()) + g;
}

int64_t Area(const Rect& r) {
    return int64_t(r.width) * r.height;
}

} // namespace

void DirtyRegion::Add(const Rect& r) {
    if (r.Empty()) {
        return;
    }
    Rect joined = r;
    for (;;) {
        // Take in every rectangle near the growing one, until none is; then the set is disjoint
        // again (each join can only bring the union nearer to others, so go round once more).
        bool grew = false;
        for (int i = 0; i < m_count;) {
            if (Near(m_rects[size_t(i)], joined)) {
                joined = Union(joined, m_rects[size_t(i)]);
                m_rects[size_t(i)] = m_rects[size_t(--m_count)];
                grew = true;
            } else {
                ++i;
            }
        }
        if (grew) {
            continue;
        }
        if (m_count < kMaxRects) {
            break;
        }
        // Full: join the new one with the rectangle whose union adds the least empty area.
        int best = 0;
        int64_t bestWaste = INT64_MAX;
        for (int i = 0; i < m_count; ++i) {
            const Rect& o = m_rects[size_t(i)];
            const int64_t waste = Area(Union(o, joined)) - Area(o) - Area(joined);
            if (waste < bestWaste) {
                bestWaste = waste;
                best = i;
            }
        }
        joined = Union(joined, m_rects[size_t(best)]);
        m_rects[size_t(best)] = m_rects[size_t(--m_count)];
    }
    m_rects[size_t(m_count++)] = joined;
}

void DirtyRegion::MirrorY(int height) {
    for (int i = 0; i < m_count; ++i) {
        m_rects[size_t(i)] = detail::MirrorY(m_rects[size_t(i)], height);
    }
}

Rect DirtyRegion::Bounds() const {
    Rect bounds;
    for (const Rect& r : Rects()) {
        bounds = Union(bounds, r);
    }
    return bounds;
}

} // namespace dq::gfx::detail
