// A plain model of the compositing rules for checking the drawing service against: whole-image
// loops, ordinary division, no dirty tracking.
//
// ARGB images are premultiplied; every product of two bytes is rounded to nearest; source over
// with opacity byte O: s' = round(s * O / 255), d' = s' + round(d * (255 - s'.a) / 255).
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace dq::gfx::testing {

inline unsigned RoundDiv255(unsigned x) {
    return (x + 127) / 255;
}

// Premultiplied b, g, r, a, rows top first.
struct RefImage {
    int width = 0, height = 0;
    std::vector<uint8_t> px;

    RefImage() = default;
    RefImage(int w, int h) : width(w), height(h), px(size_t(w) * h * 4, 0) {}
    uint8_t* At(int x, int y) { return &px[(size_t(y) * width + x) * 4]; }
    const uint8_t* At(int x, int y) const { return &px[(size_t(y) * width + x) * 4]; }

    static RefImage FromStraight(int w, int h, const std::vector<uint8_t>& straight) {
        RefImage img(w, h);
        for (size_t i = 0; i < straight.size(); i += 4) {
            const unsigned a = straight[i + 3];
            for (int c = 0; c < 3; ++c) {
                img.px[i + c] = uint8_t(RoundDiv255(straight[i + c] * a));
            }
            img.px[i + 3] = uint8_t(a);
        }
        return img;
    }

    // As LockBits presents it: straight colour, zero where alpha is zero.
    std::vector<uint8_t> Straight() const {
        std::vector<uint8_t> out(px.size(), 0);
        for (size_t i = 0; i < px.size(); i += 4) {
            const unsigned a = px[i + 3];
            if (a == 0) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                const unsigned v = (px[i + c] * 255 + a / 2) / a;
                out[i + c] = uint8_t(v > 255 ? 255 : v);
            }
            out[i + 3] = uint8_t(a);
        }
        return out;
    }

    void FlipY() {
        for (int y = 0; y < height / 2; ++y) {
            for (int x = 0; x < width; ++x) {
                std::swap_ranges(At(x, y), At(x, y) + 4, At(x, height - 1 - y));
            }
        }
    }
};

inline unsigned OpacityByte(float opacity) {
    return opacity <= 0 ? 0 : opacity >= 1 ? 255 : unsigned(std::lround(opacity * 255.0f));
}

// src over a b, g, r frame whose rows are stride bytes apart, src's top-left at (x, y).
inline void RefBlendOntoRgb24(std::vector<uint8_t>& frame, int fw, int fh, int stride,
                              const RefImage& src, int x, int y, float opacity) {
    const unsigned o = OpacityByte(opacity);
    for (int sy = 0; sy < src.height; ++sy) {
        for (int sx = 0; sx < src.width; ++sx) {
            const int tx = x + sx, ty = y + sy;
            if (tx < 0 || ty < 0 || tx >= fw || ty >= fh) {
                continue;
            }
            const uint8_t* s = src.At(sx, sy);
            const unsigned a = RoundDiv255(s[3] * o);
            uint8_t* d = &frame[size_t(ty) * stride + size_t(tx) * 3];
            for (int c = 0; c < 3; ++c) {
                d[c] = uint8_t(RoundDiv255(s[c] * o) + RoundDiv255(d[c] * (255 - a)));
            }
        }
    }
}

inline void RefBlendOntoArgb(RefImage& dst, const RefImage& src, int x, int y, float opacity) {
    const unsigned o = OpacityByte(opacity);
    for (int sy = 0; sy < src.height; ++sy) {
        for (int sx = 0; sx < src.width; ++sx) {
            const int tx = x + sx, ty = y + sy;
            if (tx < 0 || ty < 0 || tx >= dst.width || ty >= dst.height) {
                continue;
            }
            const uint8_t* s = src.At(sx, sy);
            const unsigned a = RoundDiv255(s[3] * o);
            uint8_t* d = dst.At(tx, ty);
            for (int c = 0; c < 4; ++c) {
                d[c] = uint8_t(RoundDiv255(s[c] * o) + RoundDiv255(d[c] * (255 - a)));
            }
        }
    }
}

// Straight b, g, r, a pixels shaped like rendered text: transparent margins, then runs of
// transparent pixels (with stray colour bytes), opaque pixels and partly transparent edges,
// long enough to cover whole blocks and short enough to split them.
inline std::vector<uint8_t> RandomSpritePixels(int w, int h, std::mt19937& rng) {
    std::vector<uint8_t> px(size_t(w) * h * 4, 0);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int top = pick(0, h / 3), bottom = h - pick(0, h / 3);
    const int left = pick(0, w / 3), right = w - pick(0, w / 3);
    for (int y = top; y < bottom; ++y) {
        int x = left;
        while (x < right) {
            const int kind = pick(0, 2);
            const int run = std::min(right - x, pick(1, 40));
            for (int i = 0; i < run; ++i, ++x) {
                uint8_t* p = &px[(size_t(y) * w + x) * 4];
                p[0] = uint8_t(pick(0, 255));
                p[1] = uint8_t(pick(0, 255));
                p[2] = uint8_t(pick(0, 255));
                p[3] = kind == 0 ? 0 : kind == 1 ? 255 : uint8_t(pick(0, 255));
            }
        }
    }
    return px;
}

} // namespace dq::gfx::testing
