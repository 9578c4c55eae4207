// What the hosts' output pins share: they offer one RGB24 frame type, which the derived pin names,
// and take no quality notes (the tool wants every frame; in the element, upstream decides). How
// many buffers to ask for is the derived pin's.
#pragma once

#include "baseclasses/streams.h"

class CRgb24OutputPin : public CBaseOutputPin {
public:
    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;

protected:
    CRgb24OutputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock);

    virtual CMediaType FrameType() const = 0;

    // Asks allocator for at least buffers buffers of frameBytes each, aligned to align, and fails
    // when it grants less than one frame.
    static HRESULT AgreeBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request,
                                LONG frameBytes, LONG buffers, LONG align);
};
