#include "overlay_source_pin.h"

#include <algorithm>

#include "frame_buffers.h"
#include "overlay_source.h"

COverlaySourcePin::COverlaySourcePin(COverlaySource* filter, CSectionLock* lock)
    : CBaseOutputPin(WSTR("dq-overlay source output"), filter, lock, nullptr, WSTR("Output")),
      m_pSource(filter) {}

HRESULT COverlaySourcePin::VerifyMediaType(const CMediaType* type) {
    return *type == m_pSource->FrameType() ? S_OK : S_FALSE;
}

HRESULT COverlaySourcePin::GetMediaType(int position, CMediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return type->Assign(m_pSource->FrameType());
}

HRESULT COverlaySourcePin::DecideBufferSize(IMemAllocator* allocator,
                                            ALLOCATOR_PROPERTIES* request) {
    const LONG frameBytes = LONG(m_pSource->Format().FrameBytes());
    const LONG buffers =
        FrameBuffers::CountFor(size_t(frameBytes), FrameBuffers::AvailableMemory());
    request->cBuffers = std::max(request->cBuffers, buffers);
    request->cbBuffer = std::max(request->cbBuffer, frameBytes);
    request->cbAlign = std::max<LONG>(request->cbAlign, 16);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < frameBytes || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

STDMETHODIMP COverlaySourcePin::QueryId(LPWSTR* id) {
    return AllocWideString(WSTR("Out"), id);
}

STDMETHODIMP COverlaySourcePin::Notify(IBaseFilter*, Quality) {
    return S_OK;
}
