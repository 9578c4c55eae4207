#include "baseclasses/base_input_pin.h"

#include <cstring>

#include "baseclasses/base_filter.h"
#include "baseclasses/memory_allocator.h"

CBaseInputPin::CBaseInputPin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock,
                             HRESULT* result, LPCWSTR pinName)
    : CBasePin(debugName, filter, lock, result, pinName, PINDIR_INPUT), m_pInAllocator(nullptr),
      m_bReadOnlySamples(false), m_bInFlush(false), m_sampleProps(), m_pSampleTypeCopy(nullptr) {}

CBaseInputPin::~CBaseInputPin() {
    FreeSampleType();
    if (m_pInAllocator != nullptr) {
        m_pInAllocator->Release();
        m_pInAllocator = nullptr;
    }
}

void CBaseInputPin::FreeSampleType() {
    if (m_pSampleTypeCopy != nullptr) {
        if (m_sampleProps.pMediaType == m_pSampleTypeCopy)
            m_sampleProps.pMediaType = nullptr;
        DestroyMediaType(m_pSampleTypeCopy);
        m_pSampleTypeCopy = nullptr;
    }
}

STDMETHODIMP CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IMemInputPin)
        return GetInterface(static_cast<IMemInputPin*>(this), ppv);
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseInputPin::BreakConnect() {
    if (m_pInAllocator != nullptr) {
        const HRESULT hr = m_pInAllocator->Decommit();
        if (FAILED(hr))
            return hr;
        m_pInAllocator->Release();
        m_pInAllocator = nullptr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::BecomeInactive() {
    m_bStreamError = false;
    if (m_pInAllocator == nullptr)
        return VFW_E_NO_ALLOCATOR;
    m_bInFlush = false;
    return m_pInAllocator->Decommit();
}

STDMETHODIMP CBaseInputPin::GetAllocator(IMemAllocator** out) {
    if (out == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pPinLock);
    if (m_pInAllocator == nullptr) {
        const HRESULT hr = NewMemoryAllocator(&m_pInAllocator);
        if (FAILED(hr)) {
            m_pInAllocator = nullptr;
            return hr;
        }
    }
    *out = m_pInAllocator;
    (*out)->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (allocator == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pPinLock);
    // The new one first, so that notifying the held allocator again keeps it alive.
    allocator->AddRef();
    IMemAllocator* previous = m_pInAllocator;
    m_pInAllocator = allocator;
    if (previous != nullptr)
        previous->Release();
    m_bReadOnlySamples = readOnly != FALSE;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
    return E_NOTIMPL;
}

STDMETHODIMP CBaseInputPin::Receive(IMediaSample* sample) {
    if (sample == nullptr)
        return E_POINTER;
    HRESULT hr = ReadyToReceive();
    if (hr != S_OK)
        return hr;

    FreeSampleType();
    IMediaSample2* sample2 = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&sample2))) &&
        sample2 != nullptr) {
        hr = sample2->GetProperties(sizeof(m_sampleProps), reinterpret_cast<BYTE*>(&m_sampleProps));
        sample2->Release();
        if (FAILED(hr))
            return hr;
    } else {
        std::memset(&m_sampleProps, 0, sizeof(m_sampleProps));
        m_sampleProps.cbData = sizeof(m_sampleProps);
        if (sample->IsDiscontinuity() == S_OK)
            m_sampleProps.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
        if (sample->IsPreroll() == S_OK)
            m_sampleProps.dwSampleFlags |= AM_SAMPLE_PREROLL;
        if (sample->IsSyncPoint() == S_OK)
            m_sampleProps.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
        if (SUCCEEDED(sample->GetTime(&m_sampleProps.tStart, &m_sampleProps.tStop)))
            m_sampleProps.dwSampleFlags |= AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
        AM_MEDIA_TYPE* type = nullptr;
        if (sample->GetMediaType(&type) == S_OK) {
            m_sampleProps.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
            m_sampleProps.pMediaType = type;
            m_pSampleTypeCopy = type;
        } else if (type != nullptr) {
            DestroyMediaType(type);
        }
        sample->GetPointer(&m_sampleProps.pbBuffer);
        m_sampleProps.lActual = sample->GetActualDataLength();
        m_sampleProps.cbBuffer = sample->GetSize();
    }

    if ((m_sampleProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED) == 0)
        return S_OK;
    if (m_sampleProps.pMediaType != nullptr &&
        VerifyMediaType(static_cast<const CMediaType*>(m_sampleProps.pMediaType)) == S_OK)
        return S_OK;

    // A type this pin cannot take: end the stream downstream first (the error state set next
    // would stop the end-of-stream here), then refuse this and every later sample.
    AsPin()->EndOfStream();
    m_bStreamError = true;
    m_pOwnerFilter->SendGraphEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
    return VFW_E_INVALIDMEDIATYPE;
}

STDMETHODIMP CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* done) {
    if (samples == nullptr || done == nullptr)
        return E_POINTER;
    *done = 0;
    HRESULT hr = S_OK;
    IMemInputPin* self = static_cast<IMemInputPin*>(this);
    while (count-- > 0) {
        hr = self->Receive(samples[*done]);
        if (hr != S_OK)
            break;
        ++*done;
    }
    return hr;
}

STDMETHODIMP CBaseInputPin::ReceiveCanBlock() {
    const int pins = m_pOwnerFilter->GetPinCount();
    int connectedOutputs = 0;
    for (int c = 0; c < pins; ++c) {
        CBasePin* pin = m_pOwnerFilter->GetPin(c);
        if (pin == nullptr)
            continue;
        PIN_DIRECTION direction = PINDIR_INPUT;
        HRESULT hr = pin->AsPin()->QueryDirection(&direction);
        if (FAILED(hr))
            return hr;
        if (direction != PINDIR_OUTPUT)
            continue;
        IPin* connected = nullptr;
        if (FAILED(pin->AsPin()->ConnectedTo(&connected)) || connected == nullptr)
            continue;
        ++connectedOutputs;
        IMemInputPin* input = nullptr;
        hr = connected->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
        connected->Release();
        if (FAILED(hr) || input == nullptr)
            return S_OK;
        hr = input->ReceiveCanBlock();
        input->Release();
        if (hr != S_FALSE)
            return S_OK;
    }
    return connectedOutputs == 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CBaseInputPin::BeginFlush() {
    CSectionGuard guard(m_pPinLock);
    m_bInFlush = true;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::EndFlush() {
    CSectionGuard guard(m_pPinLock);
    m_bInFlush = false;
    m_bStreamError = false;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::Notify(IBaseFilter* sender, Quality) {
    if (sender == nullptr)
        return E_POINTER;
    return S_OK;
}

HRESULT CBaseInputPin::ForwardQualityNotice(Quality& q) {
    IBaseFilter* self = static_cast<IBaseFilter*>(m_pOwnerFilter);
    IQualityControl* sink = m_pQualitySink;
    if (sink != nullptr)
        return sink->Notify(self, q);
    IPin* peer = m_pConnectedPin;
    if (peer == nullptr)
        return VFW_E_NOT_FOUND;
    IQualityControl* upstream = nullptr;
    if (FAILED(peer->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&upstream))) ||
        upstream == nullptr)
        return VFW_E_NOT_FOUND;
    const HRESULT hr = upstream->Notify(self, q);
    upstream->Release();
    return hr;
}
