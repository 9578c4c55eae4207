#include "platform/drawing/argb_bitmap.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "platform/drawing/pixel_math.h"
#include "platform/drawing/pixel_pool.h"
#include "platform/drawing/rect_math.h"

namespace dq::gfx {

std::unique_ptr<Bitmap> Bitmap::CreateArgb(int width, int height) {
    return std::make_unique<detail::ArgbBitmap>(width, height);
}

namespace detail {

ArgbBitmap::ArgbBitmap(int width, int height) : BitmapBase(width, height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        throw DrawingError("bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                           " is out of range");
    }
    const PixelBlock block = PixelPool::Take(size_t(width) * size_t(height) * 4);
    m_pixels = block.data;
    m_capacity = block.capacity;
}

ArgbBitmap::~ArgbBitmap() {
    // Zero again, as the pool wants it: only what was drawn.
    Clear();
    PixelPool::Give(PixelBlock{m_pixels, m_capacity});
}

void ArgbBitmap::Clear() {
    for (const Rect& r : m_dirty.Rects()) {
        for (int y = r.y; y < r.Bottom(); ++y) {
            std::memset(Row(y) + size_t(r.x) * 4, 0, size_t(r.width) * 4);
        }
    }
    m_dirty.Clear();
    m_flipped = false;
}

void ArgbBitmap::RotateFlip(RotateFlipType type) {
    if (type != RotateFlipType::RotateNoneFlipY) {
        throw DrawingError("unsupported rotation or flip");
    }
    m_flipped = !m_flipped;
    m_dirty.MirrorY(m_height);
}

uint8_t* ArgbBitmap::StoreUpright() {
    if (!m_flipped) {
        return m_pixels;
    }
    // Logical row y sits in memory row H-1-y: swap each such pair of rows once, over the
    // columns that are dirty in either (elsewhere both are zero). Those column spans are joined
    // first, so that no byte is swapped twice.
    const std::span<const Rect> rects = m_dirty.Rects();
    std::array<std::pair<int, int>, 2 * DirtyRegion::kMaxRects> spans;
    for (int y = 0; y < m_height / 2; ++y) {
        const int partner = m_height - 1 - y;
        size_t n = 0;
        for (const Rect& r : rects) {
            if ((y >= r.y && y < r.Bottom()) || (partner >= r.y && partner < r.Bottom())) {
                spans[n++] = {r.x, r.Right()};
            }
        }
        if (n == 0) {
            continue;
        }
        std::sort(spans.begin(), spans.begin() + ptrdiff_t(n));
        uint8_t* a = m_pixels + size_t(y) * Stride();
        uint8_t* b = m_pixels + size_t(partner) * Stride();
        for (size_t i = 0; i < n;) {
            int left = spans[i].first, right = spans[i].second;
            for (++i; i < n && spans[i].first <= right; ++i) {
                right = std::max(right, spans[i].second);
            }
            std::swap_ranges(a + size_t(left) * 4, a + size_t(right) * 4, b + size_t(left) * 4);
        }
    }
    m_flipped = false;
    return m_pixels;
}

BitmapData ArgbBitmap::LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) {
    CheckLock(rect, mode, format, "an ARGB bitmap can only be locked as ARGB");
    const size_t rowBytes = size_t(rect.width) * 4;
    // Zero outside the dirty region; inside it, converted to straight colour.
    m_lockBuffer.assign(rowBytes * size_t(rect.height), 0);
    for (const Rect& r : m_dirty.Rects()) {
        const Rect dirty = Intersect(rect, r);
        if (dirty.Empty()) {
            continue;
        }
        for (int y = dirty.y; y < dirty.Bottom(); ++y) {
            const uint8_t* in = Row(y) + size_t(dirty.x) * 4;
            uint8_t* o =
                m_lockBuffer.data() + size_t(y - rect.y) * rowBytes + size_t(dirty.x - rect.x) * 4;
            for (int x = 0; x < dirty.width; ++x, in += 4, o += 4) {
                const unsigned a = in[3];
                if (a == 255) {
                    std::memcpy(o, in, 4);
                } else if (a != 0) {
                    o[0] = Unpremultiply(in[0], a);
                    o[1] = Unpremultiply(in[1], a);
                    o[2] = Unpremultiply(in[2], a);
                    o[3] = uint8_t(a);
                }
            }
        }
    }
    m_locked = true;
    m_lockRect = rect;
    m_lockMode = mode;
    return BitmapData{rect.width, rect.height, int(rowBytes), PixelFormat::Format32bppArgb,
                      m_lockBuffer.data()};
}

void ArgbBitmap::UnlockBits(BitmapData& data) {
    if (!m_locked || data.scan0 != m_lockBuffer.data()) {
        throw DrawingError("UnlockBits without a matching LockBits");
    }
    m_locked = false;
    data = BitmapData{};
    if (m_lockMode == ImageLockMode::ReadOnly) {
        return;
    }
    // Write back premultiplied, and add what is not transparent to the dirty region.
    const Rect& r = m_lockRect;
    const size_t rowBytes = size_t(r.width) * 4;
    int left = r.Right(), right = r.x, top = r.Bottom(), bottom = r.y;
    for (int y = r.y; y < r.Bottom(); ++y) {
        const uint8_t* in = m_lockBuffer.data() + size_t(y - r.y) * rowBytes;
        uint8_t* out = Row(y) + size_t(r.x) * 4;
        for (int x = r.x; x < r.Right(); ++x, in += 4, out += 4) {
            const unsigned a = in[3];
            out[0] = uint8_t(Mul(in[0], a));
            out[1] = uint8_t(Mul(in[1], a));
            out[2] = uint8_t(Mul(in[2], a));
            out[3] = uint8_t(a);
            if (a != 0) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
    }
    if (right > left) {
        AddDirty(Rect{left, top, right - left, bottom - top});
    }
}

} // namespace detail
} // namespace dq::gfx
