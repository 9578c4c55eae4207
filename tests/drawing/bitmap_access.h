// Reading and writing whole bitmaps through LockBits, for the tests.
#pragma once

#include <cstring>
#include <vector>

#include "platform/drawing/drawing.h"

namespace dq::gfx::testing {

// Straight b, g, r, a pixels of a whole ARGB bitmap, rows packed.
inline std::vector<uint8_t> ReadArgb(Bitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    BitmapData data =
        bitmap.LockBits(Rect{0, 0, w, h}, ImageLockMode::ReadOnly, PixelFormat::Format32bppArgb);
    std::vector<uint8_t> out(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        std::memcpy(&out[size_t(y) * w * 4], data.scan0 + size_t(y) * data.stride, size_t(w) * 4);
    }
    bitmap.UnlockBits(data);
    return out;
}

inline void WriteArgb(Bitmap& bitmap, const std::vector<uint8_t>& straight) {
    const int w = bitmap.Width(), h = bitmap.Height();
    BitmapData data =
        bitmap.LockBits(Rect{0, 0, w, h}, ImageLockMode::WriteOnly, PixelFormat::Format32bppArgb);
    for (int y = 0; y < h; ++y) {
        std::memcpy(data.scan0 + size_t(y) * data.stride, &straight[size_t(y) * w * 4],
                    size_t(w) * 4);
    }
    bitmap.UnlockBits(data);
}

} // namespace dq::gfx::testing
