#include "frame_sample.h"

void FrameSample::Reset(BYTE* data, LONG size, REFERENCE_TIME start, REFERENCE_TIME stop,
                        bool discontinuity) {
    m_data = data;
    m_size = size;
    m_actual = size;
    m_start = start;
    m_stop = stop;
    m_timeValid = true;
    m_discontinuity = discontinuity;
}

STDMETHODIMP FrameSample::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IMediaSample)) {
        *ppv = static_cast<IMediaSample*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FrameSample::AddRef() {
    return ULONG(++m_refs);
}

STDMETHODIMP_(ULONG) FrameSample::Release() {
    // The owner keeps the object; a count that reaches zero is a caller's bug, not a delete.
    const LONG left = --m_refs;
    return ULONG(left < 0 ? 0 : left);
}

STDMETHODIMP FrameSample::GetPointer(BYTE** buffer) {
    if (buffer == nullptr)
        return E_POINTER;
    *buffer = m_data;
    return S_OK;
}

STDMETHODIMP FrameSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (start == nullptr || stop == nullptr)
        return E_POINTER;
    if (!m_timeValid)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = m_start;
    *stop = m_stop;
    return S_OK;
}

STDMETHODIMP FrameSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    m_timeValid = start != nullptr;
    if (start != nullptr) {
        m_start = *start;
        m_stop = stop != nullptr ? *stop : *start + 1;
    }
    return S_OK;
}

STDMETHODIMP FrameSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > m_size)
        return VFW_E_BUFFER_OVERFLOW;
    m_actual = length;
    return S_OK;
}

STDMETHODIMP FrameSample::GetMediaType(AM_MEDIA_TYPE** type) {
    if (type == nullptr)
        return E_POINTER;
    *type = nullptr;
    return S_FALSE; // the type never changes between frames
}

STDMETHODIMP FrameSample::SetMediaType(AM_MEDIA_TYPE*) {
    return E_NOTIMPL;
}

STDMETHODIMP FrameSample::SetDiscontinuity(BOOL on) {
    m_discontinuity = on != FALSE;
    return S_OK;
}

STDMETHODIMP FrameSample::GetMediaTime(LONGLONG*, LONGLONG*) {
    return VFW_E_MEDIA_TIME_NOT_SET;
}

STDMETHODIMP FrameSample::SetMediaTime(LONGLONG*, LONGLONG*) {
    return E_NOTIMPL;
}
