// Where a pixel of a picture in a given format lies in its planes, so that rectangles can be
// addressed and copied from one picture to another without a conversion. Formats that pack
// samples of different sizes into one plane (bitstreams, palettes, packed 4:2:2) are not covered.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/pixfmt.h>
}

class PixelLayout {
public:
    explicit PixelLayout(AVPixelFormat format);

    // False for the formats this cannot address.
    bool Addressable() const { return m_addressable; }
    AVPixelFormat Format() const { return m_format; }
    // The smallest rectangle that holds whole chroma samples (1x1 without subsampling).
    int BlockWidth() const { return 1 << m_chromaShiftX; }
    int BlockHeight() const { return 1 << m_chromaShiftY; }

    // The plane pointers of the pixel at (x, y), a corner of a block.
    void At(uint8_t* const data[4], const int linesize[4], int x, int y, uint8_t* out[4]) const;
    // Copies the w x h rectangle at (x, y), block-aligned, from one picture to another of the
    // same format and size. Width and height reach whole blocks or the picture's edge.
    void Copy(uint8_t* const from[4], const int fromLinesize[4], int fromX, int fromY,
              uint8_t* const to[4], const int toLinesize[4], int toX, int toY, int w, int h) const;

private:
    struct Plane {
        int shiftX = 0, shiftY = 0;
        int step = 0; // bytes of one sample position
    };
    AVPixelFormat m_format;
    bool m_addressable = false;
    int m_planes = 0;
    int m_chromaShiftX = 0, m_chromaShiftY = 0;
    Plane m_plane[4];
};
