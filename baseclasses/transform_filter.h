// A filter with one input and one output pin that turns each received sample into a delivered
// one. Two locks: the filter lock (state changes, connections, flushes) and the receive lock
// (a sample or end-of-stream being processed). The filter lock is always taken first; the
// streaming thread takes only the receive lock.
#pragma once

#include <atomic>

#include "baseclasses/base_filter.h"
#include "baseclasses/media_type.h"

class CTransformInputPin;
class CTransformOutputPin;

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(LPCWSTR debugName, IUnknown* outer, REFCLSID clsid);
    ~CTransformFilter() override;

    // Two, also before the pins exist.
    int GetPinCount() override;

    // IBaseFilter
    STDMETHODIMP FindPin(LPCWSTR id, IPin** out) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;

    // What a derived filter decides.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
    virtual HRESULT CheckInputType(const CMediaType* type) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    virtual HRESULT StartStreaming();
    virtual HRESULT StopStreaming();
    // S_FALSE: not handled here, pass it upstream.
    virtual HRESULT AlterQuality(Quality q);
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) = 0;
    virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* peer);
    virtual HRESULT BreakConnect(PIN_DIRECTION direction);
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* peer) = 0;
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    // What the input pin passes on downstream.
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    CTransformInputPin* InputPin() const { return m_pInputPin; }
    CTransformOutputPin* OutputPin() const { return m_pOutputPin; }

protected:
    friend class CTransformInputPin;
    friend class CTransformOutputPin;

    BOOL m_bEndOfStreamSent; // under the filter lock
    // Written by the streaming thread and by Pause.
    std::atomic<BOOL> m_bSampleDropped;
    std::atomic<BOOL> m_bQualityEventSent;
    CSectionLock m_filterLock;
    CSectionLock m_receiveLock;
    CTransformInputPin* m_pInputPin;   // owned
    CTransformOutputPin* m_pOutputPin; // owned
};
