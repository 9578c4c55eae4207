#include "frame_sink.h"

#include <algorithm>
#include <cstring>

DQ_DEFINE_GUID(CLSID_DqGstFrameSink, 0x5D0F3A71, 0x2C4E, 0x4B8A, 0x9E, 0x11, 0x7A, 0x60, 0xC2, 0x3B,
               0x51, 0x12);

CFrameSink::CFrameSink(int width, int height)
    : CBaseFilter(WSTR("dqoverlay frame sink"), nullptr, &m_lock, CLSID_DqGstFrameSink),
      m_pin(this, &m_lock), m_width(width), m_height(height) {}

CFrameSink* CFrameSink::Create(int width, int height) {
    auto* sink = new CFrameSink(width, height);
    sink->Itf()->AddRef();
    return sink;
}

void CFrameSink::Expect(BYTE* frame, LONG bytes) {
    m_frame = frame;
    m_bytes = bytes;
    m_received = false;
}

HRESULT CFrameSink::Take(IMediaSample* sample) {
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || data == nullptr)
        return E_POINTER;
    if (m_frame == nullptr)
        return VFW_E_WRONG_STATE; // nobody is waiting for a frame
    if (data != m_frame) {
        const LONG n = std::min(sample->GetActualDataLength(), m_bytes);
        std::memcpy(m_frame, data, size_t(std::max<LONG>(n, 0)));
    }
    m_received = true;
    return S_OK;
}
