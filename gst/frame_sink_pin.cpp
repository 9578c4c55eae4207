#include "frame_sink_pin.h"

#include "frame_sink.h"

CFrameSinkPin::CFrameSinkPin(CFrameSink* filter, CSectionLock* lock)
    : CRgb24InputPin(WSTR("dqoverlay frame input"), filter, lock), m_pSink(filter) {}

LONG CFrameSinkPin::FrameWidth() const {
    return m_pSink->Width();
}

LONG CFrameSinkPin::FrameHeight() const {
    return -m_pSink->Height();
}

STDMETHODIMP CFrameSinkPin::Receive(IMediaSample* sample) {
    const HRESULT hr = Admit(sample);
    return hr == S_OK ? m_pSink->Take(sample) : hr;
}
