// Where one bgr24 picture differs from another, in whole blocks of a pixel format's chroma
// samples: per row of blocks, the runs of blocks holding a changed pixel, and the runs grouped
// into bands of adjoining block rows. The tool finds with it what the overlay drew on a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ChangedArea {
public:
    struct Run {
        int x, y, width, height; // pixels; block-aligned, clipped at the picture's edge
    };
    struct Band {
        int x, y, width, height; // the runs' bounding rectangle
        std::vector<Run> runs;
    };

    // Compares two pictures of width x height given by their top rows and the step from a row to
    // the one below (negative for bottom-up bitmaps).
    static ChangedArea Find(const uint8_t* beforeTop, const uint8_t* afterTop, ptrdiff_t step,
                            int width, int height, int blockWidth, int blockHeight) {
        return Find(beforeTop, step, afterTop, step, width, height, blockWidth, blockHeight);
    }
    // The same for pictures whose rows lie differently.
    static ChangedArea Find(const uint8_t* beforeTop, ptrdiff_t beforeStep, const uint8_t* afterTop,
                            ptrdiff_t afterStep, int width, int height, int blockWidth,
                            int blockHeight);

    bool Empty() const { return m_bands.empty(); }
    const std::vector<Band>& Bands() const { return m_bands; }
    // Pixels in the runs, for reports.
    int64_t Pixels() const;

private:
    std::vector<Band> m_bands;
};
