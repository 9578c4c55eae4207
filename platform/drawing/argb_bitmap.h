// The 32-bit ARGB surface: premultiplied pixels (see pixel_math.h) in one zero-initialised
// block, rows width * 4 bytes apart, with the dirty rectangle outside which every pixel is zero.
//
// Turning it upside down only flips the order in which rows are addressed; the rows move in
// memory only when a renderer needs the whole surface upright (StoreUpright).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

class ArgbBitmap final : public Bitmap {
public:
    // Sides from 1 to kMaxSide pixels.
    static constexpr int kMaxSide = 32767;

    ArgbBitmap(int width, int height);

    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    PixelFormat Format() const override { return PixelFormat::Format32bppArgb; }
    Rect DirtyRect() const override { return m_dirty; }

    void Clear() override;
    void RotateFlip(RotateFlipType type) override;
    BitmapData LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) override;
    void UnlockBits(BitmapData& data) override;

    // Premultiplied b, g, r, a bytes of row y, counted from the top as the bitmap is seen.
    uint8_t* Row(int y) const {
        return m_pixels.get() + size_t(m_flipped ? m_height - 1 - y : y) * Stride();
    }
    int Stride() const { return m_width * 4; }

    // Puts the rows back in memory order (top row first) and returns the first of them.
    uint8_t* StoreUpright();

    // Records that pixels inside r (clipped to the bitmap) may have been drawn.
    void AddDirty(const Rect& r);

private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const { std::free(p); }
    };

    int m_width;
    int m_height;
    std::unique_ptr<uint8_t, FreeDeleter> m_pixels;
    bool m_flipped = false;
    Rect m_dirty;

    // The straight-alpha copy LockBits hands out, kept for the next lock.
    std::vector<uint8_t> m_lockBuffer;
    bool m_locked = false;
    Rect m_lockRect;
    ImageLockMode m_lockMode = ImageLockMode::ReadOnly;
};

} // namespace dq::gfx::detail
