#include "baseclasses/base_pin.h"

#include <new>

#include "baseclasses/base_filter.h"
#include "baseclasses/enum_media_types.h"

CBasePin::CBasePin(LPCWSTR debugName, CBaseFilter* filter, CSectionLock* lock, HRESULT*,
                   LPCWSTR pinName, PIN_DIRECTION direction)
    : CUnknown(debugName, nullptr), m_wszPinName(nullptr), m_pConnectedPin(nullptr),
      m_eDirection(direction), m_pPinLock(lock), m_bStreamError(false),
      m_bReconnectWhileActive(false), m_bOwnTypesFirst(false), m_pOwnerFilter(filter),
      m_pQualitySink(nullptr), m_nTypeVersion(1), m_rtSegmentStart(0), m_rtSegmentStop(MAX_TIME),
      m_dSegmentRate(1.0) {
    if (pinName != nullptr) {
        const int length = lstrlenW(pinName);
        m_wszPinName = new (std::nothrow) WCHAR[length + 1];
        if (m_wszPinName != nullptr) {
            for (int i = 0; i <= length; ++i)
                m_wszPinName[i] = pinName[i];
        }
    }
}

CBasePin::~CBasePin() {
    delete[] m_wszPinName;
    m_mtConnection.ReleaseFormat();
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (riid == IID_IPin)
        return GetInterface(static_cast<IPin*>(this), ppv);
    if (riid == IID_IQualityControl)
        return GetInterface(static_cast<IQualityControl*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() {
    if (m_pOwnerFilter == nullptr)
        return 1;
    return static_cast<IBaseFilter*>(m_pOwnerFilter)->AddRef();
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() {
    if (m_pOwnerFilter == nullptr)
        return 1;
    return static_cast<IBaseFilter*>(m_pOwnerFilter)->Release();
}

LONG CBasePin::GetTypeVersion() {
    return m_nTypeVersion;
}

HRESULT CBasePin::BecomeActive() {
    return S_OK;
}

HRESULT CBasePin::OnRun(REFERENCE_TIME) {
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) {
    return FAILED(m_mtConnection.Assign(*type)) ? E_OUTOFMEMORY : S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* peer) {
    PIN_DIRECTION peerDirection = m_eDirection;
    peer->QueryDirection(&peerDirection);
    return peerDirection == m_eDirection ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*) {
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*) {
    return E_UNEXPECTED;
}

// A refusal that says nothing more specific than "not this type".
static bool IsPlainRefusal(HRESULT hr) {
    return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

STDMETHODIMP CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (receivePin == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pPinLock);
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!m_pOwnerFilter->IsStopped() && !m_bReconnectWhileActive)
        return VFW_E_NOT_STOPPED;
    const HRESULT hr = NegotiateMediaType(receivePin, type);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT CBasePin::NegotiateMediaType(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    const auto* tmpl = static_cast<const CMediaType*>(type);
    if (tmpl != nullptr && !tmpl->IsPartial())
        return TryConnectWithType(receivePin, tmpl);

    HRESULT remembered = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int pass = 0; pass < 2; ++pass) {
        const bool peerPass = (pass == 0) != m_bOwnTypesFirst;
        IEnumMediaTypes* enumerator = nullptr;
        const HRESULT got = peerPass ? receivePin->EnumMediaTypes(&enumerator)
                                     : AsPin()->EnumMediaTypes(&enumerator);
        if (FAILED(got) || enumerator == nullptr)
            continue;
        const HRESULT hr = TryEnumeratedTypes(receivePin, tmpl, enumerator);
        enumerator->Release();
        if (SUCCEEDED(hr))
            return S_OK;
        // A pass that found nothing says nothing more specific than an earlier pass did.
        if (!IsPlainRefusal(hr) && hr != VFW_E_NO_ACCEPTABLE_TYPES)
            remembered = hr;
    }
    return remembered;
}

HRESULT CBasePin::TryEnumeratedTypes(IPin* receivePin, const CMediaType* tmpl,
                                     IEnumMediaTypes* enumerator) {
    HRESULT hr = enumerator->Reset();
    if (FAILED(hr))
        return hr;
    HRESULT remembered = S_OK;
    for (;;) {
        AM_MEDIA_TYPE* type = nullptr;
        ULONG fetched = 0;
        if (enumerator->Next(1, &type, &fetched) != S_OK || type == nullptr)
            return FAILED(remembered) ? remembered : VFW_E_NO_ACCEPTABLE_TYPES;
        const auto* candidate = static_cast<const CMediaType*>(type);
        if (tmpl != nullptr && !candidate->MatchesTemplate(tmpl)) {
            hr = VFW_E_NO_ACCEPTABLE_TYPES;
        } else {
            hr = TryConnectWithType(receivePin, candidate);
            if (FAILED(hr) && SUCCEEDED(remembered) && !IsPlainRefusal(hr))
                remembered = hr;
        }
        DestroyMediaType(type);
        // Any success leaves the pin connected, so the search ends there: trying another type
        // would connect the pin a second time.
        if (SUCCEEDED(hr))
            return hr;
    }
}

HRESULT CBasePin::TryConnectWithType(IPin* receivePin, const CMediaType* type) {
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }

    hr = VerifyMediaType(type);
    if (hr != S_OK) {
        if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG)
            hr = VFW_E_TYPE_NOT_ACCEPTED;
    } else {
        // Connected before the peer is asked: the peer may call back into this pin.
        m_pConnectedPin = receivePin;
        m_pConnectedPin->AddRef();
        hr = SetMediaType(type);
        if (SUCCEEDED(hr)) {
            hr = receivePin->ReceiveConnection(AsPin(), type);
            if (SUCCEEDED(hr)) {
                hr = CompleteConnect(receivePin);
                if (SUCCEEDED(hr))
                    return hr;
                receivePin->Disconnect();
            }
        }
    }

    BreakConnect();
    if (m_pConnectedPin != nullptr) {
        m_pConnectedPin->Release();
        m_pConnectedPin = nullptr;
    }
    return hr;
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (connector == nullptr || type == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pPinLock);
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!m_pOwnerFilter->IsStopped() && !m_bReconnectWhileActive)
        return VFW_E_NOT_STOPPED;

    HRESULT hr = CheckConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    const auto* mt = static_cast<const CMediaType*>(type);
    hr = VerifyMediaType(mt);
    if (hr != S_OK) {
        BreakConnect();
        if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG)
            hr = VFW_E_TYPE_NOT_ACCEPTED;
        return hr;
    }

    m_pConnectedPin = connector;
    m_pConnectedPin->AddRef();
    hr = SetMediaType(mt);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(connector);
        if (SUCCEEDED(hr))
            return S_OK;
    }
    m_pConnectedPin->Release();
    m_pConnectedPin = nullptr;
    BreakConnect();
    return hr;
}

STDMETHODIMP CBasePin::Disconnect() {
    CSectionGuard guard(m_pPinLock);
    if (!m_pOwnerFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    return DisconnectLocked();
}

HRESULT CBasePin::DisconnectLocked() {
    if (!IsConnected())
        return S_FALSE;
    const HRESULT hr = BreakConnect();
    if (FAILED(hr))
        return hr;
    m_pConnectedPin->Release();
    m_pConnectedPin = nullptr;
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** out) {
    if (out == nullptr)
        return E_POINTER;
    IPin* peer = m_pConnectedPin;
    *out = peer;
    if (peer == nullptr)
        return VFW_E_NOT_CONNECTED;
    peer->AddRef();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* out) {
    if (out == nullptr)
        return E_POINTER;
    CSectionGuard guard(m_pPinLock);
    if (IsConnected()) {
        CopyMediaTypeDeep(out, &m_mtConnection);
        return S_OK;
    }
    ::ResetMediaType(out);
    return VFW_E_NOT_CONNECTED;
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* out) {
    if (out == nullptr)
        return E_POINTER;
    out->pFilter = m_pOwnerFilter != nullptr ? static_cast<IBaseFilter*>(m_pOwnerFilter) : nullptr;
    if (out->pFilter != nullptr)
        out->pFilter->AddRef();
    out->achName[0] = 0;
    if (m_wszPinName != nullptr)
        lstrcpynW(out->achName, m_wszPinName, MAX_PIN_NAME);
    out->dir = m_eDirection;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = m_eDirection;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    const HRESULT hr = VerifyMediaType(static_cast<const CMediaType*>(type));
    return FAILED(hr) ? S_FALSE : hr;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    m_rtSegmentStart = start;
    m_rtSegmentStop = stop;
    m_dSegmentRate = rate;
    return S_OK;
}

STDMETHODIMP CBasePin::SetSink(IQualityControl* sink) {
    CSectionGuard guard(m_pPinLock);
    m_pQualitySink = sink;
    return S_OK;
}
