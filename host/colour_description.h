// How the input's pixel values are meant: the matrix between RGB and YUV, the range, the primaries,
// the transfer characteristics and where the chroma samples sit. The output is tagged with it as it
// came, and the conversions to and from the filter's bgr24 use its matrix and range, so that a
// picture converted there and back lands where it started.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVCodecParameters;
struct AVCodecContext;
struct SwsContext;

struct ColourDescription {
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVChromaLocation chromaLocation = AVCHROMA_LOC_UNSPECIFIED;

    static ColourDescription Of(const AVCodecParameters* parameters);
    // What an untagged picture of this height is taken to be: BT.709 from 720 rows up, BT.601
    // below, limited range.
    static ColourDescription Conventional(int height);

    // Tags an encoder's output with this description.
    void ApplyTo(AVCodecContext* encoder) const;
    // The matrix the conversions use: the given one, else the conventional one for the height.
    AVColorSpace ConversionMatrix(int height) const;
    // Whether pictures of this format, so described, use the full range of their values.
    bool FullRange(AVPixelFormat format) const;

    bool operator==(const ColourDescription&) const = default;
};

// Whether the format stores luma and chroma (and not RGB, gray or a palette).
bool IsYuv(AVPixelFormat format);

// Sets up a converter from `from` to `to` with the matrices and ranges of each side's description;
// one side is usually bgr24, whose description is ignored.
void SetUpColourConversion(SwsContext* converter, AVPixelFormat from,
                           const ColourDescription& fromColour, AVPixelFormat to,
                           const ColourDescription& toColour, int height);
