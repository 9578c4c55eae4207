// The 32-bit ARGB surface: premultiplied pixels (see pixel_math.h) in one zero-initialised
// block, rows width * 4 bytes apart, with the dirty region outside which every pixel is zero.
// The block comes from, and goes back to, a pool of freed surfaces (pixel_pool.h).
//
// Turning it upside down only flips the order in which rows are addressed; the rows move in
// memory only when a renderer needs the whole surface upright (StoreUpright).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/drawing/bitmap_base.h"

namespace dq::gfx::detail {

class ArgbBitmap final : public BitmapBase {
public:
    // Sides from 1 to kMaxSide pixels.
    static constexpr int kMaxSide = 32767;

    ArgbBitmap(int width, int height);
    ~ArgbBitmap() override;
    ArgbBitmap(const ArgbBitmap&) = delete;
    ArgbBitmap& operator=(const ArgbBitmap&) = delete;

    PixelFormat Format() const override { return PixelFormat::Format32bppArgb; }

    void Clear() override;
    void RotateFlip(RotateFlipType type) override;
    BitmapData LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) override;
    void UnlockBits(BitmapData& data) override;

    // Premultiplied b, g, r, a bytes of row y, counted from the top as the bitmap is seen.
    uint8_t* Row(int y) const {
        return m_pixels + size_t(m_flipped ? m_height - 1 - y : y) * Stride();
    }
    int Stride() const { return m_width * 4; }

    // Puts the rows back in memory order (top row first) and returns the first of them.
    uint8_t* StoreUpright();

private:
    uint8_t* m_pixels = nullptr;
    size_t m_capacity = 0; // bytes of the block, at least width * height * 4
    bool m_flipped = false;

    // The straight-alpha copy LockBits hands out, kept for the next lock.
    std::vector<uint8_t> m_lockBuffer;
    Rect m_lockRect;
    ImageLockMode m_lockMode = ImageLockMode::ReadOnly;
};

} // namespace dq::gfx::detail
