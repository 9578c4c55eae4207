#include "frame_sink_pin.h"

#include "frame_sink.h"

CFrameSinkPin::CFrameSinkPin(CFrameSink* filter, CSectionLock* lock)
    : CBaseInputPin(WSTR("dqoverlay frame input"), filter, lock, nullptr, WSTR("Input")),
      m_pSink(filter) {}

HRESULT CFrameSinkPin::VerifyMediaType(const CMediaType* type) {
    if (type->majortype != MEDIATYPE_Video || type->subtype != MEDIASUBTYPE_RGB24 ||
        type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr ||
        type->cbFormat < sizeof(VIDEOINFOHEADER))
        return S_FALSE;
    const BITMAPINFOHEADER& bmi =
        reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    return bmi.biWidth == m_pSink->Width() && bmi.biHeight == -m_pSink->Height() &&
                   bmi.biBitCount == 24 && bmi.biCompression == BI_RGB
               ? S_OK
               : S_FALSE;
}

HRESULT CFrameSinkPin::ReadyToReceive() {
    if (m_bInFlush)
        return S_FALSE;
    if (m_pSink->IsStopped())
        return VFW_E_WRONG_STATE;
    return m_bStreamError ? VFW_E_RUNTIME_ERROR : S_OK;
}

STDMETHODIMP CFrameSinkPin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("In"), id);
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
