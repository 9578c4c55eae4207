// The 24-bit surface over caller memory: b, g, r bytes, rows stride bytes apart, top row first.
// Nothing is copied; drawing changes the caller's bytes, and LockBits hands out that memory.
#pragma once

#include <cstdint>

#include "platform/drawing/dirty_region.h"
#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

class MemoryBitmap24 final : public Bitmap {
public:
    MemoryBitmap24(int width, int height, int stride, uint8_t* scan0);

    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    PixelFormat Format() const override { return PixelFormat::Format24bppRgb; }
    std::span<const Rect> DirtyRects() const override { return m_dirty.Rects(); }
    Rect DirtyRect() const override { return m_dirty.Bounds(); }

    void Clear() override;
    void RotateFlip(RotateFlipType type) override;
    BitmapData LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) override;
    void UnlockBits(BitmapData& data) override;

    uint8_t* Row(int y) const { return m_scan0 + ptrdiff_t(y) * m_stride; }

    // Records that pixels inside r (clipped to the bitmap) have been drawn.
    void AddDirty(const Rect& r);

private:
    int m_width;
    int m_height;
    int m_stride;
    uint8_t* m_scan0;
    DirtyRegion m_dirty;
    bool m_locked = false;
    uint8_t* m_lockScan0 = nullptr;
};

} // namespace dq::gfx::detail
