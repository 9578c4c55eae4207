// A transform filter whose output sample is its input sample: each sample is changed where it
// lies and passed on. Upstream, this filter and downstream share one allocator whenever the
// upstream buffers may be written; only read-only upstream buffers make the filter copy each
// sample into a buffer of the downstream allocator first.
#pragma once

#include "baseclasses/transform_filter.h"

class CTransInPlaceInputPin;
class CTransInPlaceOutputPin;

class CTransInPlaceFilter : public CTransformFilter {
public:
    // altersData: Transform writes into the sample data.
    CTransInPlaceFilter(LPCWSTR debugName, IUnknown* outer, REFCLSID clsid, HRESULT* result,
                        bool altersData);

    // Creates both pins on the first call; they exist together or not at all.
    CBasePin* GetPin(int n) override;

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* peer) override;
    HRESULT Receive(IMediaSample* sample) override;

    using CTransformFilter::Transform;
    // Changes the sample in place. S_FALSE drops it.
    virtual HRESULT Transform(IMediaSample* sample) = 0;

    // The two pins hold different allocators: each sample is copied.
    bool AllocatorsDiffer() const;
    // A new sample of the output allocator holding a copy of source (data, times, flags), with
    // one reference for the caller; null when none can be made.
    IMediaSample* CopySample(IMediaSample* source);

    CTransInPlaceInputPin* InPlaceInputPin() const;
    CTransInPlaceOutputPin* InPlaceOutputPin() const;

protected:
    friend class CTransInPlaceInputPin;
    friend class CTransInPlaceOutputPin;

    const bool m_bAltersData;
};
