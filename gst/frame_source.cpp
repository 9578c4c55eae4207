#include "frame_source.h"

DQ_DEFINE_GUID(CLSID_DqGstFrameSource, 0x5D0F3A71, 0x2C4E, 0x4B8A, 0x9E, 0x11, 0x7A, 0x60, 0xC2,
               0x3B, 0x51, 0x11);

CFrameSource::CFrameSource(int width, int height)
    : CBaseFilter(WSTR("dqoverlay frame source"), nullptr, &m_lock, CLSID_DqGstFrameSource),
      m_pin(this, &m_lock), m_width(width), m_height(height) {}

CFrameSource* CFrameSource::Create(int width, int height) {
    auto* source = new CFrameSource(width, height);
    source->Itf()->AddRef();
    return source;
}

CMediaType CFrameSource::FrameType() const {
    CMediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = ULONG(FrameBytes());
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (info == nullptr)
        return type;
    *info = VIDEOINFOHEADER{};
    info->rcSource = {0, 0, m_width, m_height};
    info->rcTarget = info->rcSource;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = m_width;
    info->bmiHeader.biHeight = -m_height; // negative: top row first, as the element's frames are
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = DWORD(FrameBytes());
    type.pbFormat = reinterpret_cast<BYTE*>(info);
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    return type;
}
