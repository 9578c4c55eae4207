// Converts pictures from one pixel format (and size) to another with libswscale, with the colour
// description of each side. The conversion of 8-bit YUV to packed RGB, which treats every row on
// its own, can be split into horizontal strips, each with its own converter, shared out over
// StripWorkers; conversions that filter across rows stay whole, so no seam can show.
#pragma once

#include <cstdint>
#include <vector>

#include "colour_description.h"
#include "pixel_layout.h"

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
    // libswscale's vector code stores a few bytes past the end of a packed row, so a packed
    // destination without room after its rows (a bitmap's tight rows, walked upwards: every row
    // would clobber the start of the one above) is converted into padded rows and copied out.
    void Convert(const uint8_t* const src[4], const int srcStride[4], uint8_t* const dst[4],
                 const int dstStride[4], StripWorkers* workers = nullptr) const;
    // A stride for packed rows of rowBytes with that room after each, so that Convert writes
    // straight into them.
    static int StrideWithRoom(int rowBytes);

    // How many strips suit a picture of this height on this many threads.
    static int StripsFor(int height, int threads);

private:
    struct Strip {
        int top, rows;
        SwsContext* context;
    };
    Side m_from, m_to;
    PixelLayout m_fromLayout, m_toLayout; // where each strip starts in the pictures
    std::vector<Strip> m_strips;
    mutable std::vector<uint8_t> m_padded; // packed rows with room after each
    int m_rowBytes = 0;                    // of a packed destination; 0 for planar ones
};
