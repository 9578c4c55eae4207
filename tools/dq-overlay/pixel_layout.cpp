#include "pixel_layout.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/common.h>
#include <libavutil/pixdesc.h>
}

PixelLayout::PixelLayout(AVPixelFormat format) : m_format(format) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (desc == nullptr || desc->nb_components == 0 ||
        (desc->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL |
                        AV_PIX_FMT_FLAG_BAYER)))
        return;
    m_chromaShiftX = desc->log2_chroma_w;
    m_chromaShiftY = desc->log2_chroma_h;
    bool seen[4] = {};
    for (int c = 0; c < desc->nb_components; ++c) {
        const AVComponentDescriptor& comp = desc->comp[c];
        const bool chroma = (c == 1 || c == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        Plane p{chroma ? m_chromaShiftX : 0, chroma ? m_chromaShiftY : 0, comp.step};
        Plane& plane = m_plane[comp.plane];
        // Every sample of a plane must sit on the same grid, with the same size.
        if (seen[comp.plane] &&
            (plane.shiftX != p.shiftX || plane.shiftY != p.shiftY || plane.step != p.step))
            return;
        seen[comp.plane] = true;
        plane = p;
        m_planes = std::max(m_planes, comp.plane + 1);
    }
    m_addressable = true;
}

void PixelLayout::At(uint8_t* const data[4], const int linesize[4], int x, int y,
                     uint8_t* out[4]) const {
    for (int i = 0; i < 4; ++i) {
        if (i >= m_planes || data[i] == nullptr) {
            out[i] = nullptr;
            continue;
        }
        const Plane& p = m_plane[i];
        out[i] =
            data[i] + ptrdiff_t(y >> p.shiftY) * linesize[i] + ptrdiff_t(x >> p.shiftX) * p.step;
    }
}

void PixelLayout::Copy(uint8_t* const from[4], const int fromLinesize[4], int fromX, int fromY,
                       uint8_t* const to[4], const int toLinesize[4], int toX, int toY, int w,
                       int h) const {
    for (int i = 0; i < m_planes; ++i) {
        if (from[i] == nullptr || to[i] == nullptr)
            continue;
        const Plane& p = m_plane[i];
        // The samples the rectangle covers, a partly covered one at the picture's edge included.
        const int columns = AV_CEIL_RSHIFT(fromX + w, p.shiftX) - (fromX >> p.shiftX);
        const int rows = AV_CEIL_RSHIFT(fromY + h, p.shiftY) - (fromY >> p.shiftY);
        const uint8_t* src = from[i] + ptrdiff_t(fromY >> p.shiftY) * fromLinesize[i] +
                             ptrdiff_t(fromX >> p.shiftX) * p.step;
        uint8_t* dst = to[i] + ptrdiff_t(toY >> p.shiftY) * toLinesize[i] +
                       ptrdiff_t(toX >> p.shiftX) * p.step;
        for (int r = 0; r < rows; ++r)
            std::memcpy(dst + ptrdiff_t(r) * toLinesize[i], src + ptrdiff_t(r) * fromLinesize[i],
                        size_t(columns) * size_t(p.step));
    }
}
