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
    HRESULT hr = ReadyToReceive();
    if (hr != S_OK)
        return hr;
    hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_pSink->Take(sample);
}
