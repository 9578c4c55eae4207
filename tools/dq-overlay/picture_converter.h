// Converts pictures from one pixel format (and size) to another with libswscale, with the colour
// description of each side. A conversion without scaling can be split into horizontal strips,
// each with its own converter, shared out over StripWorkers.
#pragma once

#include <cstdint>
#include <vector>

#include "colour_description.h"

struct SwsContext;
class StripWorkers;

class PictureConverter {
public:
    struct Side {
        int width, height;
        AVPixelFormat format;
        ColourDescription colour;
    };

    // `strips` is how many parts a picture is cut into (1 for none); it applies only without
    // scaling. Valid() is false when libswscale cannot make the conversion.
    PictureConverter(const Side& from, const Side& to, int flags, int strips = 1);
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    bool Valid() const { return !m_strips.empty(); }
    const Side& From() const { return m_from; }
    const Side& To() const { return m_to; }

    // A negative stride walks a picture upwards (a bottom-up bitmap given by its top row).
    void Convert(const uint8_t* const src[4], const int srcStride[4], uint8_t* const dst[4],
                 const int dstStride[4], StripWorkers* workers = nullptr) const;

    // How many strips suit a picture of this height on this many threads.
    static int StripsFor(int height, int threads);

private:
    struct Strip {
        int top, rows;
        SwsContext* context;
    };
    Side m_from, m_to;
    std::vector<Strip> m_strips;
};
