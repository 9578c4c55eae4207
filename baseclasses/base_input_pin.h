// An input pin with the memory transport: provides or accepts the connection's allocator,
// checks each received sample and records its properties, tracks flushing and stream errors.
#pragma once

#include <atomic>

#include "baseclasses/base_pin.h"

static_assert(sizeof(void*) != 4 || sizeof(AM_SAMPLE2_PROPERTIES) == 48);

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock, HRESULT* result,
                  LPCWSTR pinName);
    ~CBaseInputPin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // S_OK when a sample or end-of-stream may be processed now; anything else is returned to
    // the sender as it is.
    virtual HRESULT ReadyToReceive() = 0;

    HRESULT BreakConnect() override;
    HRESULT BecomeInactive() override;

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** out) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    // Checks the sample and records its properties; derived pins process it when this gives S_OK.
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** samples, LONG count, LONG* done) override;
    STDMETHODIMP ReceiveCanBlock() override;

    // IPin
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    // IQualityControl
    STDMETHODIMP Notify(IBaseFilter* sender, Quality q) override;

    // Passes a quality message to the sink set with SetSink, else to the upstream pin.
    HRESULT ForwardQualityNotice(Quality& q);

    // The properties of the sample being received.
    AM_SAMPLE2_PROPERTIES* LastSampleProps() { return &m_sampleProps; }
    IMemAllocator* InputAllocator() const { return m_pInAllocator; }
    bool IsReadOnly() const { return m_bReadOnlySamples; }
    bool IsFlushing() const { return m_bInFlush; }

protected:
    IMemAllocator* m_pInAllocator; // counted
    bool m_bReadOnlySamples;
    // Set by the flushing thread, read by the streaming thread.
    std::atomic<bool> m_bInFlush;
    AM_SAMPLE2_PROPERTIES m_sampleProps;

private:
    void FreeSampleType();

    // The media type copy a sample without the second sample interface hands out; the recorded
    // properties point at it until the next sample.
    AM_MEDIA_TYPE* m_pSampleTypeCopy;
};
