#include "overlay_sink_pin.h"

#include "overlay_sink.h"

COverlaySinkPin::COverlaySinkPin(COverlaySink* filter, CSectionLock* lock)
    : CBaseInputPin(WSTR("dq-overlay sink input"), filter, lock, nullptr, WSTR("Input")),
      m_pSink(filter) {}

HRESULT COverlaySinkPin::VerifyMediaType(const CMediaType* type) {
    if (type->majortype != MEDIATYPE_Video || type->subtype != MEDIASUBTYPE_RGB24 ||
        type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr ||
        type->cbFormat < sizeof(VIDEOINFOHEADER))
        return S_FALSE;
    const BITMAPINFOHEADER& bmi =
        reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    const FrameFormat& f = m_pSink->Format();
    return bmi.biWidth == f.width && bmi.biHeight == f.height && bmi.biBitCount == 24 &&
                   bmi.biCompression == BI_RGB
               ? S_OK
               : S_FALSE;
}

HRESULT COverlaySinkPin::ReadyToReceive() {
    if (m_bInFlush)
        return S_FALSE;
    if (m_pSink->IsStopped())
        return VFW_E_WRONG_STATE;
    return m_bStreamError ? VFW_E_RUNTIME_ERROR : S_OK;
}

STDMETHODIMP COverlaySinkPin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("In"), id);
}

STDMETHODIMP COverlaySinkPin::Receive(IMediaSample* sample) {
    CSectionGuard guard(m_pSink->ReceiveLock());
    HRESULT hr = ReadyToReceive();
    if (hr != S_OK)
        return hr;
    hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_pSink->Queue(sample);
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
