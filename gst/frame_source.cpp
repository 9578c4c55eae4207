#include "frame_source.h"

#include "rgb24_frame_type.h"

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
    return rgb24::FrameType(m_width,
                            -m_height); // negative: top row first, as the element's frames are
}
