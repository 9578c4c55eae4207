// What both bitmaps made here (argb_bitmap.h, memory_bitmap24.h) keep alike: their size, the
// region drawn on (dirty_region.h), whether they are locked, and the checks a lock must pass.
#pragma once

#include "platform/drawing/dirty_region.h"
#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

class BitmapBase : public Bitmap {
public:
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    std::span<const Rect> DirtyRects() const override { return m_dirty.Rects(); }
    Rect DirtyRect() const override { return m_dirty.Bounds(); }

    // Records that pixels inside r (clipped to the bitmap) may have been drawn.
    void AddDirty(const Rect& r);

protected:
    BitmapBase(int width, int height) : m_width(width), m_height(height) {}

    // Throws DrawingError unless a lock of rect in mode and format may be taken now; format must
    // be the bitmap's own (formatError is the message when it is not).
    void CheckLock(const Rect& rect, ImageLockMode mode, PixelFormat format,
                   const char* formatError) const;

    int m_width;
    int m_height;
    DirtyRegion m_dirty;
    bool m_locked = false;
};

} // namespace dq::gfx::detail
