#include "baseclasses/transform_filter.h"

#include "baseclasses/transform_pins.h"

CTransformFilter::CTransformFilter(LPCWSTR debugName, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(debugName, outer, &m_filterLock, clsid), m_bEndOfStreamSent(FALSE),
      m_bSampleDropped(FALSE), m_bQualityEventSent(FALSE), m_pInputPin(nullptr),
      m_pOutputPin(nullptr) {}

CTransformFilter::~CTransformFilter() {
    delete m_pInputPin;
    m_pInputPin = nullptr;
    delete m_pOutputPin;
    m_pOutputPin = nullptr;
}

int CTransformFilter::GetPinCount() {
    return 2;
}

static bool SameId(LPCWSTR a, LPCWSTR b) {
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

STDMETHODIMP CTransformFilter::FindPin(LPCWSTR id, IPin** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    int index = -1;
    if (id != nullptr && SameId(id, WSTR("In")))
        index = 0;
    else if (id != nullptr && SameId(id, WSTR("Out")))
        index = 1;
    if (index < 0)
        return VFW_E_NOT_FOUND;
    CBasePin* pin = GetPin(index);
    if (pin == nullptr)
        return E_OUTOFMEMORY;
    *out = pin->AsPin();
    (*out)->AddRef();
    return S_OK;
}

STDMETHODIMP CTransformFilter::Stop() {
    CSectionGuard filterGuard(&m_filterLock);
    if (m_eState == State_Stopped)
        return S_OK;
    if (m_pInputPin == nullptr || m_pOutputPin == nullptr || !m_pInputPin->IsConnected() ||
        !m_pOutputPin->IsConnected()) {
        m_eState = State_Stopped;
        m_bEndOfStreamSent = FALSE;
        return S_OK;
    }

    // The input first, without the receive lock: a Receive waiting for an upstream buffer
    // is released by it, and can then finish.
    m_pInputPin->BecomeInactive();
    CSectionGuard receiveGuard(&m_receiveLock);
    m_pOutputPin->BecomeInactive();
    const HRESULT hr = StopStreaming();
    if (SUCCEEDED(hr)) {
        m_eState = State_Stopped;
        m_bEndOfStreamSent = FALSE;
    }
    return hr;
}

STDMETHODIMP CTransformFilter::Pause() {
    CSectionGuard filterGuard(&m_filterLock);
    HRESULT hr = S_OK;
    if (m_eState == State_Paused) {
        // nothing to do
    } else if (m_pInputPin == nullptr || !m_pInputPin->IsConnected()) {
        // Nothing will ever arrive: tell downstream, once per stop-to-pause cycle.
        if (m_pOutputPin != nullptr && !m_bEndOfStreamSent) {
            m_pOutputPin->SendEndOfStream();
            m_bEndOfStreamSent = TRUE;
        }
        m_eState = State_Paused;
    } else if (m_pOutputPin == nullptr || !m_pOutputPin->IsConnected()) {
        m_eState = State_Paused;
    } else {
        if (m_eState == State_Stopped) {
            CSectionGuard receiveGuard(&m_receiveLock);
            hr = StartStreaming();
        }
        if (SUCCEEDED(hr))
            hr = CBaseFilter::Pause();
    }
    m_bSampleDropped = FALSE;
    m_bQualityEventSent = FALSE;
    return hr;
}

HRESULT CTransformFilter::Transform(IMediaSample*, IMediaSample*) {
    return E_UNEXPECTED;
}

HRESULT CTransformFilter::StartStreaming() {
    return S_OK;
}

HRESULT CTransformFilter::StopStreaming() {
    return S_OK;
}

HRESULT CTransformFilter::AlterQuality(Quality) {
    return S_FALSE;
}

HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION, IPin*) {
    return S_OK;
}

HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION) {
    return S_OK;
}

HRESULT CTransformFilter::EndOfStream() {
    if (m_pOutputPin == nullptr)
        return S_OK;
    return m_pOutputPin->SendEndOfStream();
}

HRESULT CTransformFilter::BeginFlush() {
    if (m_pOutputPin == nullptr)
        return S_OK;
    return m_pOutputPin->SendBeginFlush();
}

HRESULT CTransformFilter::EndFlush() {
    if (m_pOutputPin == nullptr)
        return S_OK;
    return m_pOutputPin->SendEndFlush();
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    if (m_pOutputPin == nullptr)
        return S_OK;
    return m_pOutputPin->SendNewSegment(start, stop, rate);
}
