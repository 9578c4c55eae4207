// The row kernels of source-over compositing (formula in pixel_math.h). Sources are rows of
// premultiplied b, g, r, a bytes; the best variant for the processor is chosen once.
#pragma once

#include <cstdint>
#include <vector>

namespace dq::gfx::detail {

struct BlendRows {
    const char* name;
    // count source pixels over count b, g, r pixels; opacity is the byte O (1..255).
    void (*toRgb24)(uint8_t* dst, const uint8_t* src, int count, unsigned opacity);
    // count source pixels over count premultiplied b, g, r, a pixels.
    void (*toArgb)(uint8_t* dst, const uint8_t* src, int count, unsigned opacity);
    // The same over count pixels that are all transparent (zero).
    void (*ontoClearArgb)(uint8_t* dst, const uint8_t* src, int count, unsigned opacity);
};

// The best variant this processor runs.
const BlendRows& SelectBlendRows();

// Every variant this processor runs, best first, the portable one last.
const std::vector<BlendRows>& RunnableBlendRows();

} // namespace dq::gfx::detail
