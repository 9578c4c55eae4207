// The source filter's output pin: offers the reader's frames as RGB24 in a VIDEOINFOHEADER
// (bottom-up rows, positive height) and asks for enough buffers to read ahead of the writer.
#pragma once

#include "baseclasses/streams.h"

class COverlaySource;

class COverlaySourcePin : public CBaseOutputPin {
public:
    COverlaySourcePin(COverlaySource* filter, CSectionLock* lock);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    // Nothing to do about quality: every frame is wanted.
    STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;

private:
    COverlaySource* m_pSource;
};
