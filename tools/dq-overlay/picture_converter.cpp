#include "picture_converter.h"

#include <algorithm>

#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "strip_workers.h"

namespace {

// Strips start on rows that every subsampled format in use can start a slice on.
constexpr int kStripAlign = 16;
// Room after a packed row for what the vector code stores past its end.
constexpr int kRowSlack = 64;

} // namespace

int PictureConverter::StrideWithRoom(int rowBytes) {
    return (rowBytes + kRowSlack + 63) & ~63;
}

int PictureConverter::StripsFor(int height, int threads) {
    // Below a few hundred rows the strips' start-up costs more than the sharing saves.
    return std::clamp(height / 256, 1, std::max(threads, 1));
}

PictureConverter::PictureConverter(const Side& from, const Side& to, int flags, int strips)
    : m_from(from), m_to(to), m_fromLayout(from.format), m_toLayout(to.format) {
    const bool scaled = from.width != to.width || from.height != to.height;
    // Strips are cut through both pictures' planes, which needs formats that can be addressed,
    // and give the whole picture's result only where rows are converted on their own.
    const AVPixFmtDescriptor* fromDesc = av_pix_fmt_desc_get(from.format);
    const bool rowByRow = fromDesc != nullptr && IsYuv(from.format) &&
                          (fromDesc->flags & AV_PIX_FMT_FLAG_PLANAR) &&
                          fromDesc->comp[0].depth == 8 && av_pix_fmt_count_planes(to.format) == 1 &&
                          !IsYuv(to.format) && !(flags & (SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT));
    if (scaled || !rowByRow || !m_fromLayout.Addressable() || !m_toLayout.Addressable())
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
    if (av_pix_fmt_count_planes(to.format) == 1)
        m_rowBytes = av_image_get_linesize(to.format, to.width, 0);
}

PictureConverter::~PictureConverter() {
    for (Strip& s : m_strips)
        sws_freeContext(s.context);
}

void PictureConverter::Convert(const uint8_t* const src[4], const int srcStride[4],
                               uint8_t* const dst[4], const int dstStride[4],
                               StripWorkers* workers) const {
    const bool padded = m_rowBytes > 0 && std::abs(dstStride[0]) < m_rowBytes + kRowSlack;
    const int paddedStride = StrideWithRoom(m_rowBytes);
    if (padded && m_padded.empty())
        m_padded.resize(size_t(paddedStride) * size_t(m_to.height));
    auto one = [&](int i) {
        const Strip& s = m_strips[size_t(i)];
        const bool scaled = m_strips.size() == 1;
        uint8_t* in[4] = {const_cast<uint8_t*>(src[0]), const_cast<uint8_t*>(src[1]),
                          const_cast<uint8_t*>(src[2]), const_cast<uint8_t*>(src[3])};
        if (!scaled)
            m_fromLayout.At(const_cast<uint8_t* const*>(src), srcStride, 0, s.top, in);
        const int inRows = scaled ? m_from.height : s.rows;
        const int outTop = scaled ? 0 : s.top;
        const int outRows = scaled ? m_to.height : s.rows;
        if (!padded) {
            uint8_t* out[4];
            m_toLayout.At(dst, dstStride, 0, outTop, out);
            sws_scale(s.context, in, srcStride, 0, inRows, out, dstStride);
            return;
        }
        uint8_t* out[4] = {m_padded.data() + size_t(outTop) * size_t(paddedStride), nullptr,
                           nullptr, nullptr};
        const int outStride[4] = {paddedStride, 0, 0, 0};
        sws_scale(s.context, in, srcStride, 0, inRows, out, outStride);
        for (int r = 0; r < outRows; ++r)
            std::memcpy(dst[0] + ptrdiff_t(outTop + r) * dstStride[0],
                        out[0] + ptrdiff_t(r) * paddedStride, size_t(m_rowBytes));
    };
    if (workers != nullptr && m_strips.size() > 1)
        workers->Run(int(m_strips.size()), one);
    else
        for (size_t i = 0; i < m_strips.size(); ++i)
            one(int(i));
}
