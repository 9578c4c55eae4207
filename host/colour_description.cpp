#include "colour_description.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

ColourDescription ColourDescription::Of(const AVCodecParameters* p) {
    ColourDescription d;
    d.matrix = p->color_space;
    d.range = p->color_range;
    d.primaries = p->color_primaries;
    d.transfer = p->color_trc;
    d.chromaLocation = p->chroma_location;
    return d;
}

ColourDescription ColourDescription::Conventional(int height) {
    ColourDescription d;
    d.range = AVCOL_RANGE_MPEG;
    if (height >= 720) {
        d.matrix = AVCOL_SPC_BT709;
        d.primaries = AVCOL_PRI_BT709;
        d.transfer = AVCOL_TRC_BT709;
    } else {
        d.matrix = AVCOL_SPC_SMPTE170M;
        d.primaries = AVCOL_PRI_SMPTE170M;
        d.transfer = AVCOL_TRC_SMPTE170M;
    }
    return d;
}

void ColourDescription::ApplyTo(AVCodecContext* c) const {
    c->colorspace = matrix;
    c->color_range = range;
    c->color_primaries = primaries;
    c->color_trc = transfer;
    c->chroma_sample_location = chromaLocation;
}

AVColorSpace ColourDescription::ConversionMatrix(int height) const {
    if (matrix != AVCOL_SPC_UNSPECIFIED && matrix != AVCOL_SPC_RGB && matrix != AVCOL_SPC_RESERVED)
        return matrix;
    return height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
}

bool ColourDescription::FullRange(AVPixelFormat format) const {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return range == AVCOL_RANGE_JPEG;
    }
}

bool IsYuv(AVPixelFormat format) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    return desc != nullptr && !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) &&
           desc->nb_components >= 3;
}

void SetUpColourConversion(SwsContext* converter, AVPixelFormat from,
                           const ColourDescription& fromColour, AVPixelFormat to,
                           const ColourDescription& toColour, int height) {
    const bool fromYuv = IsYuv(from);
    const bool toYuv = IsYuv(to);
    if (!fromYuv && !toYuv)
        return;
    // The RGB side of a conversion is full range; its matrix is not used.
    const int* fromTable = sws_getCoefficients(fromColour.ConversionMatrix(height));
    const int* toTable = sws_getCoefficients(toColour.ConversionMatrix(height));
    if (!fromYuv)
        fromTable = toTable;
    if (!toYuv)
        toTable = fromTable;
    sws_setColorspaceDetails(converter, fromTable, fromYuv ? fromColour.FullRange(from) : 1,
                             toTable, toYuv ? toColour.FullRange(to) : 1, 0, 1 << 16, 1 << 16);
}
