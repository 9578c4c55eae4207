// The video frames that go through the graph: bgr24, rows bottom-up and padded to four bytes, as
// an uncompressed 24-bit bitmap stores them; and what a writer needs to keep their timing.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include <cstddef>
#include <cstdint>

#include "colour_description.h"

// Sample times are counts of 100 ns.
inline constexpr AVRational kRefTimeBase = {1, 10'000'000};

struct FrameFormat {
    int width = 0;
    int height = 0;
    AVRational frameRate = {0, 1};         // average; 0/1 when unknown
    AVRational timeBase = {1, 10'000'000}; // the input's own clock, so a writer keeps its ticks
    AVRational sampleAspect = {0, 1};
    // The decoded pictures' own format and colour description, as the input gave them; none for
    // raw bgr24 input.
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    ColourDescription colour;

    int Stride() const { return (width * 3 + 3) & ~3; }
    size_t FrameBytes() const { return size_t(Stride()) * size_t(height); }
    // The topmost picture row, and the step from one picture row to the one below it.
    uint8_t* TopRow(uint8_t* rows) const { return rows + size_t(height - 1) * Stride(); }
    const uint8_t* TopRow(const uint8_t* rows) const {
        return rows + size_t(height - 1) * Stride();
    }
    int DownStep() const { return -Stride(); }
};
