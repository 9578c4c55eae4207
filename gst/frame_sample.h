// A media sample over memory it does not own: the element's own frame buffer, handed to the
// filter so that the overlay is drawn where the frame lies. One per host, pointed at each frame
// in turn; the filter holds it only while it receives it.
#pragma once

#include <atomic>

#include "platform/platform.h"

class FrameSample final : public IMediaSample {
public:
    FrameSample() = default;
    FrameSample(const FrameSample&) = delete;
    FrameSample& operator=(const FrameSample&) = delete;

    // Points the sample at a frame and sets its times and flags.
    void Reset(BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop,
               bool discontinuity);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetPointer(BYTE** buffer) override;
    STDMETHODIMP_(LONG) GetSize() override { return m_size; }
    STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    STDMETHODIMP IsSyncPoint() override { return S_OK; }
    STDMETHODIMP SetSyncPoint(BOOL) override { return S_OK; }
    STDMETHODIMP IsPreroll() override { return S_FALSE; }
    STDMETHODIMP SetPreroll(BOOL) override { return S_OK; }
    STDMETHODIMP_(LONG) GetActualDataLength() override { return m_actual; }
    STDMETHODIMP SetActualDataLength(LONG length) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP IsDiscontinuity() override { return m_discontinuity ? S_OK : S_FALSE; }
    STDMETHODIMP SetDiscontinuity(BOOL on) override;
    STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
    STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

private:
    std::atomic<LONG> m_refs{1}; // the owner's reference; the object is never deleted through it
    BYTE* m_data = nullptr;
    LONG m_size = 0;
    LONG m_actual = 0;
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_stop = 0;
    bool m_timeValid = false;
    bool m_discontinuity = false;
};
