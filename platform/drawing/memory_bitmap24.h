// The 24-bit surface over caller memory: b, g, r bytes, rows stride bytes apart, top row first.
// Nothing is copied; drawing changes the caller's bytes, and LockBits hands out that memory.
#pragma once

#include <cstdint>

#include "platform/drawing/bitmap_base.h"

namespace dq::gfx::detail {

class MemoryBitmap24 final : public BitmapBase {
public:
    MemoryBitmap24(int width, int height, int stride, uint8_t* scan0);

    PixelFormat Format() const override { return PixelFormat::Format24bppRgb; }

    void Clear() override;
    void RotateFlip(RotateFlipType type) override;
    BitmapData LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) override;
    void UnlockBits(BitmapData& data) override;

    uint8_t* Row(int y) const { return m_scan0 + ptrdiff_t(y) * m_stride; }

private:
    int m_stride;
    uint8_t* m_scan0;
    uint8_t* m_lockScan0 = nullptr;
};

} // namespace dq::gfx::detail
