#include "platform/drawing/bitmap_base.h"

#include "platform/drawing/rect_math.h"

namespace dq::gfx::detail {

void BitmapBase::AddDirty(const Rect& r) {
    m_dirty.Add(Intersect(Rect{0, 0, m_width, m_height}, r));
}

void BitmapBase::CheckLock(const Rect& rect, ImageLockMode mode, PixelFormat format,
                           const char* formatError) const {
    if (format != Format()) {
        throw DrawingError(formatError);
    }
    if (mode != ImageLockMode::ReadOnly && mode != ImageLockMode::WriteOnly &&
        mode != ImageLockMode::ReadWrite) {
        throw DrawingError("unsupported lock mode");
    }
    if (!Within(rect, m_width, m_height)) {
        throw DrawingError("lock rectangle outside the bitmap");
    }
    if (m_locked) {
        throw DrawingError("bitmap is already locked");
    }
}

} // namespace dq::gfx::detail
