#include "rgb24_input_pin.h"

#include "rgb24_frame_type.h"

CRgb24InputPin::CRgb24InputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock)
    : CBaseInputPin(debugName, filter, lock, nullptr, WSTR("Input")) {}

HRESULT CRgb24InputPin::VerifyMediaType(const CMediaType* type) {
    return rgb24::IsFrameType(*type, FrameWidth(), FrameHeight()) ? S_OK : S_FALSE;
}

HRESULT CRgb24InputPin::ReadyToReceive() {
    if (m_bInFlush)
        return S_FALSE;
    if (OwnerFilter()->IsStopped())
        return VFW_E_WRONG_STATE;
    return m_bStreamError ? VFW_E_RUNTIME_ERROR : S_OK;
}

HRESULT CRgb24InputPin::Admit(IMediaSample* sample) {
    const HRESULT hr = ReadyToReceive();
    return hr == S_OK ? CBaseInputPin::Receive(sample) : hr;
}

STDMETHODIMP CRgb24InputPin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("In"), id);
}
