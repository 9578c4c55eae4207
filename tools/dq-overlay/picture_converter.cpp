#include "picture_converter.h"

#include <algorithm>

extern "C" {
#include <libswscale/swscale.h>
}

#include "pixel_layout.h"
#include "strip_workers.h"

namespace {

// Strips start on rows that every subsampled format in use can start a slice on.
constexpr int kStripAlign = 16;

} // namespace

int PictureConverter::StripsFor(int height, int threads) {
    // Below a few hundred rows the strips' start-up costs more than the sharing saves.
    return std::clamp(height / 256, 1, std::max(threads, 1));
}

PictureConverter::PictureConverter(const Side& from, const Side& to, int flags, int strips)
    : m_from(from), m_to(to) {
    const bool scaled = from.width != to.width || from.height != to.height;
    // Strips are cut through both pictures' planes, which needs formats that can be addressed.
    if (scaled || !PixelLayout(from.format).Addressable() || !PixelLayout(to.format).Addressable())
        strips = 1;
    strips = std::clamp(strips, 1, std::max(1, from.height / kStripAlign));
    int per = (from.height + strips - 1) / strips;
    per = (per + kStripAlign - 1) / kStripAlign * kStripAlign;
    for (int top = 0; top < from.height; top += per) {
        const int rows = std::min(per, from.height - top);
        SwsContext* c =
            sws_getContext(from.width, scaled ? from.height : rows, from.format, to.width,
                           scaled ? to.height : rows, to.format, flags, nullptr, nullptr, nullptr);
        if (c == nullptr) {
            for (Strip& s : m_strips)
                sws_freeContext(s.context);
            m_strips.clear();
            return;
        }
        SetUpColourConversion(c, from.format, from.colour, to.format, to.colour, from.height);
        m_strips.push_back({top, rows, c});
    }
}

PictureConverter::~PictureConverter() {
    for (Strip& s : m_strips)
        sws_freeContext(s.context);
}

void PictureConverter::Convert(const uint8_t* const src[4], const int srcStride[4],
                               uint8_t* const dst[4], const int dstStride[4],
                               StripWorkers* workers) const {
    if (m_strips.size() == 1) {
        sws_scale(m_strips[0].context, src, srcStride, 0, m_from.height, dst, dstStride);
        return;
    }
    const PixelLayout fromLayout(m_from.format);
    const PixelLayout toLayout(m_to.format);
    auto one = [&](int i) {
        const Strip& s = m_strips[size_t(i)];
        uint8_t* in[4];
        uint8_t* out[4];
        fromLayout.At(const_cast<uint8_t* const*>(src), srcStride, 0, s.top, in);
        toLayout.At(dst, dstStride, 0, s.top, out);
        sws_scale(s.context, in, srcStride, 0, s.rows, out, dstStride);
    };
    if (workers != nullptr)
        workers->Run(int(m_strips.size()), one);
    else
        for (size_t i = 0; i < m_strips.size(); ++i)
            one(int(i));
}
