#include "rgb24_frame_type.h"

namespace rgb24 {

CMediaType FrameType(LONG width, LONG height, REFERENCE_TIME avgTimePerFrame) {
    const LONG bytes = FrameBytes(width, height);
    CMediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = ULONG(bytes);
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (info == nullptr)
        return type;
    *info = VIDEOINFOHEADER{};
    info->AvgTimePerFrame = avgTimePerFrame;
    info->rcSource = {0, 0, width, height < 0 ? -height : height};
    info->rcTarget = info->rcSource;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = DWORD(bytes);
    type.pbFormat = reinterpret_cast<BYTE*>(info);
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    return type;
}

bool IsFrameType(const CMediaType& type, LONG width, LONG height) {
    if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB24 ||
        type.formattype != FORMAT_VideoInfo || type.pbFormat == nullptr ||
        type.cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    const BITMAPINFOHEADER& bmi =
        reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    return bmi.biWidth == width && bmi.biHeight == height && bmi.biBitCount == 24 &&
           bmi.biCompression == BI_RGB;
}

} // namespace rgb24
