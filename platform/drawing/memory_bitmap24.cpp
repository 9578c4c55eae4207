#include "platform/drawing/memory_bitmap24.h"

#include <algorithm>
#include <memory>

namespace dq::gfx {

std::unique_ptr<Bitmap> Bitmap::FromMemory24(int width, int height, int stride, uint8_t* scan0) {
    return std::make_unique<detail::MemoryBitmap24>(width, height, stride, scan0);
}

namespace detail {

MemoryBitmap24::MemoryBitmap24(int width, int height, int stride, uint8_t* scan0)
    : BitmapBase(width, height), m_stride(stride), m_scan0(scan0) {
    if (width < 1 || height < 1) {
        throw DrawingError("bitmap size out of range");
    }
    if (int64_t(stride) < int64_t(width) * 3) {
        throw DrawingError("stride shorter than a row of pixels");
    }
    if (!scan0) {
        throw DrawingError("null pixel memory");
    }
}

void MemoryBitmap24::Clear() {
    throw DrawingError("a 24-bit bitmap cannot be cleared to transparent");
}

void MemoryBitmap24::RotateFlip(RotateFlipType type) {
    if (type != RotateFlipType::RotateNoneFlipY) {
        throw DrawingError("unsupported rotation or flip");
    }
    const size_t rowBytes = size_t(m_width) * 3;
    for (int y = 0, partner = m_height - 1; y < partner; ++y, --partner) {
        std::swap_ranges(Row(y), Row(y) + rowBytes, Row(partner));
    }
    m_dirty.MirrorY(m_height);
}

BitmapData MemoryBitmap24::LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) {
    CheckLock(rect, mode, format, "a 24-bit bitmap can only be locked as 24-bit");
    m_locked = true;
    m_lockScan0 = Row(rect.y) + ptrdiff_t(rect.x) * 3;
    return BitmapData{rect.width, rect.height, m_stride, PixelFormat::Format24bppRgb, m_lockScan0};
}

void MemoryBitmap24::UnlockBits(BitmapData& data) {
    if (!m_locked || data.scan0 != m_lockScan0) {
        throw DrawingError("UnlockBits without a matching LockBits");
    }
    m_locked = false;
    data = BitmapData{};
}

} // namespace detail
} // namespace dq::gfx
