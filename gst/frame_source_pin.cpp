#include "frame_source_pin.h"

#include <algorithm>

#include "frame_source.h"

CFrameSourcePin::CFrameSourcePin(CFrameSource* filter, CSectionLock* lock)
    : CBaseOutputPin(WSTR("dqoverlay frame output"), filter, lock, nullptr, WSTR("Output")),
      m_pSource(filter) {}

HRESULT CFrameSourcePin::VerifyMediaType(const CMediaType* type) {
    return *type == m_pSource->FrameType() ? S_OK : S_FALSE;
}

HRESULT CFrameSourcePin::GetMediaType(int position, CMediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Assign(m_pSource->FrameType());
}

// The frames travel in samples over the element's own buffers; the allocator is agreed on because
// the pins must have one, and one buffer is all it ever needs.
HRESULT CFrameSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    const LONG frameBytes = m_pSource->FrameBytes();
    request->cBuffers = std::max<LONG>(request->cBuffers, 1);
    request->cbBuffer = std::max(request->cbBuffer, frameBytes);
    request->cbAlign = std::max<LONG>(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < frameBytes || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

STDMETHODIMP CFrameSourcePin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("Out"), id);
}

STDMETHODIMP CFrameSourcePin::Notify(IBaseFilter*, Quality) {
    return S_OK;
}
