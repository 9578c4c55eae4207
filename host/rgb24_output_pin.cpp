#include "rgb24_output_pin.h"

#include <algorithm>

CRgb24OutputPin::CRgb24OutputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock)
    : CBaseOutputPin(debugName, filter, lock, nullptr, WSTR("Output")) {}

HRESULT CRgb24OutputPin::VerifyMediaType(const CMediaType* type) {
    return *type == FrameType() ? S_OK : S_FALSE;
}

HRESULT CRgb24OutputPin::GetMediaType(int position, CMediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Assign(FrameType());
}

HRESULT CRgb24OutputPin::AgreeBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request,
                                      LONG frameBytes, LONG buffers, LONG align) {
    request->cBuffers = std::max(request->cBuffers, buffers);
    request->cbBuffer = std::max(request->cbBuffer, frameBytes);
    request->cbAlign = std::max(request->cbAlign, align);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < frameBytes || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

STDMETHODIMP CRgb24OutputPin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("Out"), id);
}

STDMETHODIMP CRgb24OutputPin::Notify(IBaseFilter*, Quality) {
    return S_OK;
}
