// The pins of a transform filter: every pin-level event becomes a call on the filter.
#pragma once

#include <atomic>

#include "baseclasses/base_input_pin.h"
#include "baseclasses/base_output_pin.h"

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
public:
    CTransformInputPin(LPCWSTR debugName, CTransformFilter* filter, HRESULT* result,
                       LPCWSTR pinName);

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* peer) override;
    // Output connected, not flushing, not stopped, no stream error.
    HRESULT ReadyToReceive() override;

    // IPin
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IMemInputPin
    STDMETHODIMP Receive(IMediaSample* sample) override;

protected:
    CTransformFilter* const m_pTransform; // not counted: the pin lives inside the filter
};

class CTransformOutputPin : public CBaseOutputPin {
public:
    CTransformOutputPin(LPCWSTR debugName, CTransformFilter* filter, HRESULT* result,
                        LPCWSTR pinName);
    ~CTransformOutputPin() override;

    // Seeking requests are answered by a pass-through to the upstream filter.
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT VerifyMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // IPin
    STDMETHODIMP QueryId(LPWSTR* id) override;

    // IQualityControl: what the filter does not handle goes upstream.
    STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;

protected:
    CTransformFilter* const m_pTransform; // not counted
    // The aggregated pass-through's inner unknown, counted; made on first demand by any thread.
    std::atomic<IUnknown*> m_pSeekingPassThru;
};
