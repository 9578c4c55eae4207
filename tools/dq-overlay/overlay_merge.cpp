#include "overlay_merge.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "strip_workers.h"

namespace {

// Band sizes are rounded up to these, so a cue that moves or changes its text a little reuses a
// converter; both are multiples of every chroma block.
constexpr int kWidthStep = 64;
constexpr int kHeightStep = 16;
constexpr size_t kConverters = 8;

// Converting back is done on few pixels, so it can afford the accurate rounding.
constexpr int kBackFlags = SWS_AREA | SWS_ACCURATE_RND;
constexpr int kDecodedFlags = SWS_BICUBIC;

const char* Name(AVPixelFormat format) {
    const char* name = av_get_pix_fmt_name(format);
    return name != nullptr ? name : "unknown";
}

// Grows [start, start + size) to `step` within [0, limit), keeping it on `align`.
void Grow(int& start, int& size, int step, int align, int limit) {
    const int end = start + size;
    int grown = (size + step - 1) / step * step;
    if (grown >= limit) {
        start = 0;
        size = limit;
        return;
    }
    int moved = std::min(start, (limit - grown) / align * align);
    size = std::max(grown, end - moved);
    start = moved;
}

} // namespace

OverlayMerge::OverlayMerge(const FrameFormat& frames, AVPixelFormat format,
                           const ColourDescription& colour, StripWorkers* workers)
    : m_frames(frames), m_layout(format), m_colour(colour), m_workers(workers) {
    m_scratch = av_frame_alloc();
    if (m_scratch == nullptr)
        throw std::bad_alloc();
    m_scratch->format = format;
    m_scratch->width = frames.width;
    m_scratch->height = frames.height;
    if (av_frame_get_buffer(m_scratch, 0) < 0) {
        av_frame_free(&m_scratch);
        throw std::bad_alloc();
    }
}

OverlayMerge::~OverlayMerge() {
    av_frame_free(&m_scratch);
}

void OverlayMerge::ConvertDecoded(const AVFrame* decoded, AVFrame* out) {
    const PictureConverter::Side from = {decoded->width, decoded->height,
                                         AVPixelFormat(decoded->format), m_frames.colour};
    if (m_decodedConverter == nullptr || m_decodedConverter->From().width != from.width ||
        m_decodedConverter->From().height != from.height ||
        m_decodedConverter->From().format != from.format) {
        const PictureConverter::Side to = {m_frames.width, m_frames.height, m_layout.Format(),
                                           m_colour};
        const int threads = m_workers != nullptr ? m_workers->Threads() : 1;
        m_decodedConverter = std::make_unique<PictureConverter>(
            from, to, kDecodedFlags, PictureConverter::StripsFor(from.height, threads));
        if (!m_decodedConverter->Valid()) {
            m_decodedConverter.reset();
            throw std::runtime_error(std::string("cannot convert ") + Name(from.format) + " to " +
                                     Name(m_layout.Format()));
        }
    }
    out->format = m_layout.Format();
    out->width = m_frames.width;
    out->height = m_frames.height;
    if (av_frame_get_buffer(out, 0) < 0 || av_frame_copy_props(out, decoded) < 0)
        throw std::bad_alloc();
    m_decodedConverter->Convert(decoded->data, decoded->linesize, out->data, out->linesize,
                                m_workers);
}

const PictureConverter& OverlayMerge::RegionConverter(int width, int height) {
    for (auto it = m_regionConverters.begin(); it != m_regionConverters.end(); ++it)
        if ((*it)->From().width == width && (*it)->From().height == height) {
            m_regionConverters.splice(m_regionConverters.begin(), m_regionConverters, it);
            return *m_regionConverters.front();
        }
    // The matrix of an untagged picture follows the whole picture's height, not the band's.
    ColourDescription colour = m_colour;
    colour.matrix = m_colour.ConversionMatrix(m_frames.height);
    const PictureConverter::Side from = {width, height, AV_PIX_FMT_BGR24, colour};
    const PictureConverter::Side to = {width, height, m_layout.Format(), colour};
    auto converter = std::make_unique<PictureConverter>(from, to, kBackFlags);
    if (!converter->Valid())
        throw std::runtime_error(std::string("cannot convert bgr24 to ") + Name(m_layout.Format()));
    m_regionConverters.push_front(std::move(converter));
    if (m_regionConverters.size() > kConverters)
        m_regionConverters.pop_back();
    return *m_regionConverters.front();
}

void OverlayMerge::ConversionRect(const ChangedArea::Band& band, int& x, int& y, int& w,
                                  int& h) const {
    x = band.x;
    y = band.y;
    w = band.width;
    h = band.height;
    Grow(x, w, kWidthStep, m_layout.BlockWidth(), m_frames.width);
    Grow(y, h, kHeightStep, m_layout.BlockHeight(), m_frames.height);
}

void OverlayMerge::Compose(const AVFrame* decoded, const uint8_t* handedTop, ptrdiff_t handedStep,
                           const uint8_t* filtered, AVFrame* out) {
    av_frame_unref(out);
    const bool same = decoded->format == m_layout.Format() && decoded->width == m_frames.width &&
                      decoded->height == m_frames.height;
    if (same) {
        if (av_frame_ref(out, decoded) < 0)
            throw std::bad_alloc();
    } else {
        ConvertDecoded(decoded, out);
    }
    // The decoder's picture type would force the encoder's hand.
    out->pict_type = AV_PICTURE_TYPE_NONE;

    const ChangedArea area = ChangedArea::Find(handedTop, handedStep, m_frames.TopRow(filtered),
                                               m_frames.DownStep(), m_frames.width, m_frames.height,
                                               m_layout.BlockWidth(), m_layout.BlockHeight());
    if (area.Empty())
        return;
    ++m_framesChanged;
    // The decoder may still refer to its picture: drawing goes on a copy of it.
    if (av_frame_make_writable(out) < 0 || av_frame_make_writable(m_scratch) < 0)
        throw std::bad_alloc();
    for (const ChangedArea::Band& band : area.Bands()) {
        int x, y, w, h;
        ConversionRect(band, x, y, w, h);
        const PictureConverter& converter = RegionConverter(w, h);
        const uint8_t* src[4] = {m_frames.TopRow(filtered) + ptrdiff_t(y) * m_frames.DownStep() +
                                     ptrdiff_t(x) * 3,
                                 nullptr, nullptr, nullptr};
        const int srcStride[4] = {m_frames.DownStep(), 0, 0, 0};
        converter.Convert(src, srcStride, m_scratch->data, m_scratch->linesize);
        m_pixelsConverted += int64_t(w) * h;
        for (const ChangedArea::Run& run : band.runs)
            m_layout.Copy(m_scratch->data, m_scratch->linesize, run.x - x, run.y - y, out->data,
                          out->linesize, run.x, run.y, run.width, run.height);
    }
}
