// An output pin: chooses the allocator of its connection, commits it while the filter is active
// and passes samples, end-of-stream, flushes and segments to the connected input pin.
#pragma once

#include "baseclasses/base_pin.h"

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock, HRESULT* result,
                   LPCWSTR pinName);

    HRESULT CheckConnect(IPin* peer) override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT BecomeActive() override;
    HRESULT BecomeInactive() override;

    // The peer's allocator first, then one of this pin's own.
    virtual HRESULT ChooseAllocator(IMemInputPin* peer, IMemAllocator** out);
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT GetDeliverySample(IMediaSample** out, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop, DWORD flags);
    // The caller keeps its reference to the sample.
    virtual HRESULT DeliverSample(IMediaSample* sample);
    virtual HRESULT CreateOwnAllocator(IMemAllocator** out);
    virtual HRESULT SendEndOfStream();
    virtual HRESULT SendBeginFlush();
    virtual HRESULT SendEndFlush();
    virtual HRESULT SendNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // An output pin is not sent these.
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    IMemAllocator* OutputAllocator() const { return m_pOutAllocator; }
    IMemInputPin* PeerInputPin() const { return m_pPeerInputPin; }

protected:
    IMemAllocator* m_pOutAllocator; // counted
    IMemInputPin* m_pPeerInputPin;  // counted
};
