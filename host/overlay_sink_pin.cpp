#include "overlay_sink_pin.h"

#include "overlay_sink.h"

COverlaySinkPin::COverlaySinkPin(COverlaySink* filter, CSectionLock* lock)
    : CRgb24InputPin(WSTR("dq-overlay sink input"), filter, lock), m_pSink(filter) {}

LONG COverlaySinkPin::FrameWidth() const {
    return m_pSink->Format().width;
}

LONG COverlaySinkPin::FrameHeight() const {
    return m_pSink->Format().height;
}

STDMETHODIMP COverlaySinkPin::Receive(IMediaSample* sample) {
    CSectionGuard guard(m_pSink->ReceiveLock());
    const HRESULT hr = Admit(sample);
    return hr == S_OK ? m_pSink->Queue(sample) : hr;
}

STDMETHODIMP COverlaySinkPin::EndOfStream() {
    CSectionGuard guard(m_pSink->ReceiveLock());
    const HRESULT hr = ReadyToReceive();
    if (hr != S_OK)
        return hr;
    return m_pSink->Queue(nullptr);
}

STDMETHODIMP COverlaySinkPin::BeginFlush() {
    const HRESULT hr = CBaseInputPin::BeginFlush();
    m_pSink->DropQueued();
    return hr;
}
