// Input format negotiation: uncompressed 24-bit RGB in a VIDEOINFOHEADER.
#include <cstdlib>

#include "drawlib/draw_quorbit.h"
#include "filter/direct_quorbit.h"

namespace {

// Bytes of one row: three per pixel, padded to a multiple of four.
int32_t RowStride(int32_t width) {
    return (width * 3 + 3) & ~3;
}

// The format block holds a whole VIDEOINFOHEADER describing a frame whose bytes can be counted.
bool UsableVideoInfo(const AM_MEDIA_TYPE* type) {
    if (type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    const BITMAPINFOHEADER& bmi =
        reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    if (bmi.biWidth <= 0 || bmi.biHeight == 0 || bmi.biHeight == INT32_MIN)
        return false;
    const int64_t frameBytes = int64_t(bmi.biWidth) * 3 * std::llabs(bmi.biHeight);
    return bmi.biWidth <= (INT32_MAX - 3) / 3 && frameBytes <= INT32_MAX / 2;
}

} // namespace

HRESULT CDirectQuorbit::CheckInputType(const CMediaType* type) {
    if (type == nullptr)
        return E_POINTER;
    if (type->pbFormat == nullptr)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (type->majortype != MEDIATYPE_Video || type->subtype != MEDIASUBTYPE_RGB24 ||
        type->formattype != FORMAT_VideoInfo)
        return VFW_E_TYPE_NOT_ACCEPTED;
    // A short block, an empty frame or one too large to address are refused rather than read.
    if (!UsableVideoInfo(type))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const BITMAPINFOHEADER& bmi =
        reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    if (bmi.biBitCount != 24 || bmi.biCompression != BI_RGB)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CDirectQuorbit::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    if (direction != PINDIR_INPUT)
        return S_OK;
    if (type == nullptr)
        return E_POINTER;
    if (type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr || !UsableVideoInfo(type))
        return VFW_E_TYPE_NOT_ACCEPTED;

    const BITMAPINFOHEADER& bmi =
        reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    m_nWidth = bmi.biWidth;
    m_nHeight = bmi.biHeight;
    m_nStride = RowStride(m_nWidth);
    m_pDraw->width(m_nWidth);
    m_pDraw->height(m_nHeight);
    // A missing or broken script must not fail the connection: it shows on the video instead.
    static_cast<IDirectQuorbit*>(this)->reload_File();
    return S_OK;
}
