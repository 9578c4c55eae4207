// Puts what the overlay drew into the decoded picture. The filter works on bgr24; converting every
// filtered frame back would put every pixel through two colour conversions. Instead the decoded
// picture is kept, the filtered frame is compared with the one handed to the filter, and only the
// blocks that differ are converted back and copied in: everything else leaves as decoded, at its
// own bit depth, and a frame with nothing drawn costs no conversion back at all.
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include "changed_area.h"
#include "colour_description.h"
#include "frame_format.h"
#include "picture_converter.h"
#include "pixel_layout.h"

struct AVFrame;
class StripWorkers;

class OverlayMerge {
public:
    // Output pictures of the frame format's size in `format` (one PixelLayout can address),
    // described by `colour`. The workers, when given, outlive the merge.
    OverlayMerge(const FrameFormat& frames, AVPixelFormat format, const ColourDescription& colour,
                 StripWorkers* workers);
    ~OverlayMerge();
    OverlayMerge(const OverlayMerge&) = delete;
    OverlayMerge& operator=(const OverlayMerge&) = delete;

    // Makes `out` (unreferenced first) the decoded picture, converted to the output format when
    // it is another, with the blocks where `filtered` (a bottom-up bgr24 frame of the frame
    // format) differs from `handed` (the picture as given to the filter, by its top row and row
    // step) converted from `filtered` and copied in. Throws std::runtime_error when libswscale
    // cannot convert, std::bad_alloc when out of memory.
    void Compose(const AVFrame* decoded, const uint8_t* handedTop, ptrdiff_t handedStep,
                 const uint8_t* filtered, AVFrame* out);

    // Totals for --verbose: frames with something drawn, and pixels converted back.
    int64_t FramesChanged() const { return m_framesChanged; }
    int64_t PixelsConverted() const { return m_pixelsConverted; }

private:
    // The whole decoded picture in the output format and size, into `out`.
    void ConvertDecoded(const AVFrame* decoded, AVFrame* out);
    const PictureConverter& RegionConverter(int width, int height);
    // The rectangle converted for a band: grown to sizes that recur, so converters are reused.
    void ConversionRect(const ChangedArea::Band& band, int& x, int& y, int& w, int& h) const;

    FrameFormat m_frames;
    PixelLayout m_layout;
    ColourDescription m_colour;
    StripWorkers* m_workers;
    AVFrame* m_scratch = nullptr; // a band converted back, before its runs are copied out
    std::unique_ptr<PictureConverter> m_decodedConverter;
    std::list<std::unique_ptr<PictureConverter>> m_regionConverters; // most recently used first
    int64_t m_framesChanged = 0;
    int64_t m_pixelsConverted = 0;
};
