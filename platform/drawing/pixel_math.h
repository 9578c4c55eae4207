// Compositing arithmetic shared by every backend, exact in integers.
//
// ARGB bitmaps keep premultiplied pixels: bytes blue, green, red, alpha, each colour already
// multiplied by alpha / 255 (the layout cairo renders into on little-endian machines). A pixel
// with alpha 0 is all zeros. LockBits converts back to straight (non-premultiplied) colour.
//
// Every product of two 8-bit values is rounded to nearest: Mul(x, y) = round(x * y / 255),
// computed without division as Div255(x * y + 127). There are no ties (255 is odd).
//
// Source over, with the opacity as a byte O = round(opacity * 255):
//   s' = Mul(s, O)                  for each of the source's four premultiplied channels
//   d' = s' + Mul(d, 255 - s'.alpha) for each channel of the target: blue, green and red of a
//                                    24-bit target (opaque, so straight equals premultiplied),
//                                    all four premultiplied channels of an ARGB target
// Mul(s, 255) == s, so full opacity uses the source as it is; d' never exceeds 255 because
// s'.colour <= s'.alpha.
//
// Straight to premultiplied: p = Mul(c, a). Back: c = round(p * 255 / a), 0 when a == 0. The
// round trip premultiplied -> straight -> premultiplied is lossless.
#pragma once

#include <cmath>
#include <cstdint>

#include "platform/drawing/drawing.h"

namespace dq::gfx::detail {

// floor(t / 255) for 0 <= t <= 255 * 255 + 127, the range Mul and the blend kernels feed it.
constexpr unsigned Div255(unsigned t) {
    return (t + 1 + (t >> 8)) >> 8;
}

constexpr unsigned Mul(unsigned x, unsigned y) {
    return Div255(x * y + 127);
}

constexpr bool Div255IsExactOnItsRange() {
    for (unsigned t = 0; t <= 255 * 255 + 127; ++t) {
        if (Div255(t) != t / 255) {
            return false;
        }
    }
    return true;
}
static_assert(Div255IsExactOnItsRange());

// A colour as the premultiplied bytes b, g, r, a packed little-endian into one word.
constexpr uint32_t Premultiply(Color c) {
    return Mul(c.b, c.a) | Mul(c.g, c.a) << 8 | Mul(c.r, c.a) << 16 | uint32_t(c.a) << 24;
}

constexpr uint8_t Unpremultiply(unsigned p, unsigned a) {
    if (a == 0) {
        return 0;
    }
    const unsigned c = (p * 255 + a / 2) / a;
    return uint8_t(c > 255 ? 255 : c);
}

// The opacity byte O; NaN is a bad argument.
inline unsigned OpacityByte(float opacity) {
    if (std::isnan(opacity)) {
        throw DrawingError("opacity is not a number");
    }
    if (opacity <= 0.0f) {
        return 0;
    }
    if (opacity >= 1.0f) {
        return 255;
    }
    return unsigned(std::lround(opacity * 255.0f));
}

} // namespace dq::gfx::detail
