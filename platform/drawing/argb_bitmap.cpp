#include "platform/drawing/argb_bitmap.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/drawing/pixel_math.h"
#include "platform/drawing/rect_math.h"

namespace dq::gfx {

std::unique_ptr<Bitmap> Bitmap::CreateArgb(int width, int height) {
    return std::make_unique<detail::ArgbBitmap>(width, height);
}

namespace detail {

ArgbBitmap::ArgbBitmap(int width, int height) : m_width(width), m_height(height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        throw DrawingError("bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                           " is out of range");
    }
    // calloc: the operating system hands out zeroed pages, so a large surface costs nothing
    // until it is drawn on.
    m_pixels.reset(static_cast<uint8_t*>(std::calloc(size_t(width) * size_t(height), 4)));
    if (!m_pixels) {
        throw DrawingError("out of memory for a " + std::to_string(width) + "x" +
                           std::to_string(height) + " bitmap");
    }
}

void ArgbBitmap::Clear() {
    if (!m_dirty.Empty()) {
        for (int y = m_dirty.y; y < m_dirty.Bottom(); ++y) {
            std::memset(Row(y) + size_t(m_dirty.x) * 4, 0, size_t(m_dirty.width) * 4);
        }
    }
    m_dirty = {};
    m_flipped = false;
}

void ArgbBitmap::RotateFlip(RotateFlipType type) {
    if (type != RotateFlipType::RotateNoneFlipY) {
        throw DrawingError("unsupported rotation or flip");
    }
    m_flipped = !m_flipped;
    m_dirty = MirrorY(m_dirty, m_height);
}

uint8_t* ArgbBitmap::StoreUpright() {
    if (m_flipped) {
        // Logical row y sits in memory row H-1-y. Swap the two within the dirty columns (the
        // rest of both rows is zero), each pair once.
        const size_t offset = size_t(m_dirty.x) * 4;
        const size_t bytes = size_t(m_dirty.width) * 4;
        uint8_t* base = m_pixels.get();
        for (int y = m_dirty.y; y < m_dirty.Bottom(); ++y) {
            const int partner = m_height - 1 - y;
            const bool partnerDirty = partner >= m_dirty.y && partner < m_dirty.Bottom();
            if (partner == y || (partnerDirty && partner < y)) {
                continue;
            }
            uint8_t* a = base + size_t(y) * Stride() + offset;
            uint8_t* b = base + size_t(partner) * Stride() + offset;
            std::swap_ranges(a, a + bytes, b);
        }
        m_flipped = false;
    }
    return m_pixels.get();
}

void ArgbBitmap::AddDirty(const Rect& r) {
    m_dirty = Union(m_dirty, Intersect(Rect{0, 0, m_width, m_height}, r));
}

BitmapData ArgbBitmap::LockBits(const Rect& rect, ImageLockMode mode, PixelFormat format) {
    if (format != PixelFormat::Format32bppArgb) {
        throw DrawingError("an ARGB bitmap can only be locked as ARGB");
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
    const size_t rowBytes = size_t(rect.width) * 4;
    m_lockBuffer.resize(rowBytes * size_t(rect.height));

    // Rows outside the dirty rectangle are zero; inside it, only its columns need converting.
    const Rect dirty = Intersect(rect, m_dirty);
    for (int y = rect.y; y < rect.Bottom(); ++y) {
        uint8_t* out = m_lockBuffer.data() + size_t(y - rect.y) * rowBytes;
        if (dirty.Empty() || y < dirty.y || y >= dirty.Bottom()) {
            std::memset(out, 0, rowBytes);
            continue;
        }
        const size_t before = size_t(dirty.x - rect.x) * 4;
        const size_t inside = size_t(dirty.width) * 4;
        std::memset(out, 0, before);
        std::memset(out + before + inside, 0, rowBytes - before - inside);
        const uint8_t* in = Row(y) + size_t(dirty.x) * 4;
        uint8_t* o = out + before;
        for (int x = 0; x < dirty.width; ++x, in += 4, o += 4) {
            const unsigned a = in[3];
            if (a == 255) {
                std::memcpy(o, in, 4);
            } else if (a == 0) {
                std::memset(o, 0, 4);
            } else {
                o[0] = Unpremultiply(in[0], a);
                o[1] = Unpremultiply(in[1], a);
                o[2] = Unpremultiply(in[2], a);
                o[3] = uint8_t(a);
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
    // Write back premultiplied, and widen the dirty rectangle to what is not transparent.
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
