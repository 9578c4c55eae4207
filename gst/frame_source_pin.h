// The element's output pin towards the filter: offers its frames as RGB24 with rows top-down
// (a negative height in the VIDEOINFOHEADER), as they lie in the element's buffers.
#pragma once

#include "baseclasses/streams.h"

class CFrameSource;

class CFrameSourcePin : public CBaseOutputPin {
public:
    CFrameSourcePin(CFrameSource* filter, CSectionLock* lock);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    // Upstream of the element decides about quality; the filter's notes are not needed.
    STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;

private:
    CFrameSource* m_pSource;
};
