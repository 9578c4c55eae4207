// A sample of the standard memory allocator: a buffer the allocator owns, with the sample's
// properties. Internal to the platform library.
#pragma once

#include <mutex>

#include "platform/linux/dshow/dshow_interfaces.h"

namespace dqplatform {

class MediaSample final : public IMediaSample2 {
public:
    // owner is not counted: the allocator counts its outstanding samples itself.
    MediaSample(IMemAllocator* owner, BYTE* buffer, LONG size);
    ~MediaSample();
    MediaSample(const MediaSample&) = delete;
    MediaSample& operator=(const MediaSample&) = delete;

    // Called by the allocator when it hands the sample out: one reference, no properties, the
    // whole buffer as its data.
    void Prepare();
    LONG RefCount() const;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    // The last release gives the sample back to its allocator (IMemAllocator::ReleaseBuffer).
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetPointer(BYTE** ppBuffer) override;
    STDMETHODIMP_(LONG) GetSize() override;
    STDMETHODIMP GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    STDMETHODIMP SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    STDMETHODIMP IsSyncPoint() override;
    STDMETHODIMP SetSyncPoint(BOOL bIsSyncPoint) override;
    STDMETHODIMP IsPreroll() override;
    STDMETHODIMP SetPreroll(BOOL bIsPreroll) override;
    STDMETHODIMP_(LONG) GetActualDataLength() override;
    STDMETHODIMP SetActualDataLength(LONG length) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
    STDMETHODIMP IsDiscontinuity() override;
    STDMETHODIMP SetDiscontinuity(BOOL bDiscontinuity) override;
    STDMETHODIMP GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
    STDMETHODIMP SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

    STDMETHODIMP GetProperties(DWORD cbProperties, BYTE* pbProperties) override;
    STDMETHODIMP SetProperties(DWORD cbProperties, const BYTE* pbProperties) override;

private:
    HRESULT Flag(DWORD flag);
    HRESULT SetFlag(DWORD flag, BOOL on);
    void ClearProperties();

    IMemAllocator* const m_owner;
    BYTE* const m_buffer;
    const LONG m_size;
    LONG m_refs = 0;

    std::mutex m_lock; // guards the properties below
    DWORD m_flags = 0; // AM_SAMPLE_* bits; AM_SAMPLE_TYPECHANGED follows m_type
    DWORD m_typeSpecificFlags = 0;
    LONG m_actual = 0;
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_stop = 0;
    DWORD m_streamId = AM_STREAM_MEDIA;
    AM_MEDIA_TYPE* m_type = nullptr; // task memory, or null
    bool m_mediaTimeValid = false;
    LONGLONG m_mediaStart = 0;
    LONGLONG m_mediaStop = 0;
};

} // namespace dqplatform
