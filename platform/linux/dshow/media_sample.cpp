#include "platform/linux/dshow/media_sample.h"

#include <cstddef>
#include <cstring>

#include "platform/linux/dshow/media_type_copy.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

constexpr DWORD kTimeFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;

// Whether the first cb bytes of a properties record hold the whole field.
#define DQ_COVERS(cb, field)                                                                       \
    ((cb) >= offsetof(AM_SAMPLE2_PROPERTIES, field) + sizeof(AM_SAMPLE2_PROPERTIES::field))

} // namespace

MediaSample::MediaSample(IMemAllocator* owner, BYTE* buffer, LONG size)
    : m_owner(owner), m_buffer(buffer), m_size(size), m_actual(size) {}

MediaSample::~MediaSample() {
    DeleteMediaType(m_type);
}

void MediaSample::Prepare() {
    std::lock_guard lock(m_lock);
    m_actual = m_size;
    __atomic_store_n(&m_refs, 1, __ATOMIC_SEQ_CST);
}

LONG MediaSample::RefCount() const {
    return __atomic_load_n(&m_refs, __ATOMIC_SEQ_CST);
}

void MediaSample::ClearProperties() {
    std::lock_guard lock(m_lock);
    m_flags = 0;
    m_typeSpecificFlags = 0;
    m_start = m_stop = 0;
    m_streamId = AM_STREAM_MEDIA;
    DeleteMediaType(m_type);
    m_type = nullptr;
    m_mediaTimeValid = false;
    m_mediaStart = m_mediaStop = 0;
}

STDMETHODIMP MediaSample::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IMediaSample) ||
        IsEqualGUID(riid, IID_IMediaSample2)) {
        *ppv = static_cast<IMediaSample2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) MediaSample::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) MediaSample::Release() {
    LONG n = InterlockedDecrement(&m_refs);
    if (n == 0) {
        // The allocator may free this object before ReleaseBuffer returns: touch nothing after.
        ClearProperties();
        m_owner->ReleaseBuffer(this);
    }
    return static_cast<ULONG>(n);
}

STDMETHODIMP MediaSample::GetPointer(BYTE** ppBuffer) {
    if (ppBuffer == nullptr)
        return E_POINTER;
    *ppBuffer = m_buffer;
    return S_OK;
}

STDMETHODIMP_(LONG) MediaSample::GetSize() {
    return m_size;
}

STDMETHODIMP MediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
    if (pTimeStart == nullptr || pTimeEnd == nullptr)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if ((m_flags & AM_SAMPLE_TIMEVALID) == 0)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *pTimeStart = m_start;
    if ((m_flags & AM_SAMPLE_STOPVALID) == 0) {
        *pTimeEnd = m_start + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *pTimeEnd = m_stop;
    return S_OK;
}

STDMETHODIMP MediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
    std::lock_guard lock(m_lock);
    m_flags &= ~kTimeFlags;
    if (pTimeStart == nullptr)
        return S_OK; // no time stamps
    m_start = *pTimeStart;
    m_flags |= AM_SAMPLE_TIMEVALID;
    if (pTimeEnd != nullptr) {
        m_stop = *pTimeEnd;
        m_flags |= AM_SAMPLE_STOPVALID;
    }
    return S_OK;
}

HRESULT MediaSample::Flag(DWORD flag) {
    std::lock_guard lock(m_lock);
    return (m_flags & flag) != 0 ? S_OK : S_FALSE;
}

HRESULT MediaSample::SetFlag(DWORD flag, BOOL on) {
    std::lock_guard lock(m_lock);
    if (on)
        m_flags |= flag;
    else
        m_flags &= ~flag;
    return S_OK;
}

STDMETHODIMP MediaSample::IsSyncPoint() {
    return Flag(AM_SAMPLE_SPLICEPOINT);
}
STDMETHODIMP MediaSample::SetSyncPoint(BOOL bIsSyncPoint) {
    return SetFlag(AM_SAMPLE_SPLICEPOINT, bIsSyncPoint);
}
STDMETHODIMP MediaSample::IsPreroll() {
    return Flag(AM_SAMPLE_PREROLL);
}
STDMETHODIMP MediaSample::SetPreroll(BOOL bIsPreroll) {
    return SetFlag(AM_SAMPLE_PREROLL, bIsPreroll);
}
STDMETHODIMP MediaSample::IsDiscontinuity() {
    return Flag(AM_SAMPLE_DATADISCONTINUITY);
}
STDMETHODIMP MediaSample::SetDiscontinuity(BOOL bDiscontinuity) {
    return SetFlag(AM_SAMPLE_DATADISCONTINUITY, bDiscontinuity);
}

STDMETHODIMP_(LONG) MediaSample::GetActualDataLength() {
    std::lock_guard lock(m_lock);
    return m_actual;
}

STDMETHODIMP MediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > m_size)
        return VFW_E_BUFFER_OVERFLOW;
    std::lock_guard lock(m_lock);
    m_actual = length;
    return S_OK;
}

STDMETHODIMP MediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType) {
    if (ppMediaType == nullptr)
        return E_POINTER;
    *ppMediaType = nullptr;
    std::lock_guard lock(m_lock);
    if (m_type == nullptr)
        return S_FALSE;
    *ppMediaType = CreateMediaType(m_type);
    return *ppMediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP MediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType) {
    AM_MEDIA_TYPE* copy = nullptr;
    if (pMediaType != nullptr) {
        copy = CreateMediaType(pMediaType);
        if (copy == nullptr)
            return E_OUTOFMEMORY;
    }
    AM_MEDIA_TYPE* old;
    {
        std::lock_guard lock(m_lock);
        old = m_type;
        m_type = copy;
    }
    DeleteMediaType(old);
    return S_OK;
}

STDMETHODIMP MediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
    if (pTimeStart == nullptr || pTimeEnd == nullptr)
        return E_POINTER;
    std::lock_guard lock(m_lock);
    if (!m_mediaTimeValid)
        return VFW_E_MEDIA_TIME_NOT_SET;
    *pTimeStart = m_mediaStart;
    *pTimeEnd = m_mediaStop;
    return S_OK;
}

STDMETHODIMP MediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
    std::lock_guard lock(m_lock);
    if (pTimeStart == nullptr) {
        m_mediaTimeValid = false;
        return S_OK;
    }
    if (pTimeEnd == nullptr)
        return E_POINTER;
    m_mediaStart = *pTimeStart;
    m_mediaStop = *pTimeEnd;
    m_mediaTimeValid = true;
    return S_OK;
}

STDMETHODIMP MediaSample::GetProperties(DWORD cbProperties, BYTE* pbProperties) {
    if (cbProperties > sizeof(AM_SAMPLE2_PROPERTIES))
        return E_INVALIDARG;
    if (pbProperties == nullptr)
        return E_POINTER;
    AM_SAMPLE2_PROPERTIES props{};
    {
        std::lock_guard lock(m_lock);
        props.cbData = cbProperties;
        props.dwTypeSpecificFlags = m_typeSpecificFlags;
        props.dwSampleFlags = m_flags | (m_type != nullptr ? AM_SAMPLE_TYPECHANGED : 0);
        props.lActual = m_actual;
        props.tStart = m_start;
        props.tStop = m_stop;
        props.dwStreamId = m_streamId;
        props.pMediaType = m_type; // the sample's own record, valid while the sample holds it
        props.pbBuffer = m_buffer;
        props.cbBuffer = m_size;
    }
    std::memcpy(pbProperties, &props, cbProperties);
    return S_OK;
}

// Applies the fields the first cbProperties bytes hold in full; the rest stay as they are. The
// buffer pointer and size cannot change. Nothing changes when any field is refused.
STDMETHODIMP MediaSample::SetProperties(DWORD cbProperties, const BYTE* pbProperties) {
    if (cbProperties > sizeof(AM_SAMPLE2_PROPERTIES))
        return E_INVALIDARG;
    if (pbProperties == nullptr)
        return E_POINTER;
    AM_SAMPLE2_PROPERTIES in{};
    std::memcpy(&in, pbProperties, cbProperties);
    const size_t cb = cbProperties;

    if (DQ_COVERS(cb, lActual) && (in.lActual < 0 || in.lActual > m_size))
        return VFW_E_BUFFER_OVERFLOW;
    if (DQ_COVERS(cb, pbBuffer) && in.pbBuffer != m_buffer)
        return E_INVALIDARG;
    if (DQ_COVERS(cb, cbBuffer) && in.cbBuffer != m_size)
        return E_INVALIDARG;
    const bool setsType = DQ_COVERS(cb, pMediaType);
    AM_MEDIA_TYPE* newType = nullptr;
    if (setsType && (in.dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0) {
        if (in.pMediaType == nullptr)
            return E_INVALIDARG;
        newType = CreateMediaType(in.pMediaType);
        if (newType == nullptr)
            return E_OUTOFMEMORY;
    }

    AM_MEDIA_TYPE* oldType = nullptr;
    {
        std::lock_guard lock(m_lock);
        if (DQ_COVERS(cb, dwTypeSpecificFlags))
            m_typeSpecificFlags = in.dwTypeSpecificFlags;
        if (DQ_COVERS(cb, dwSampleFlags))
            m_flags = in.dwSampleFlags & ~static_cast<DWORD>(AM_SAMPLE_TYPECHANGED);
        if (DQ_COVERS(cb, lActual))
            m_actual = in.lActual;
        if (DQ_COVERS(cb, tStart))
            m_start = in.tStart;
        if (DQ_COVERS(cb, tStop))
            m_stop = in.tStop;
        if (DQ_COVERS(cb, dwStreamId))
            m_streamId = in.dwStreamId;
        if (setsType) {
            oldType = m_type;
            m_type = newType;
        }
    }
    DeleteMediaType(oldType);
    return S_OK;
}

#undef DQ_COVERS

} // namespace dqplatform
