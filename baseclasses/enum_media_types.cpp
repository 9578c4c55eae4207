#include "baseclasses/enum_media_types.h"

#include <cstring>
#include <new>

#include "baseclasses/base_pin.h"

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, CEnumMediaTypes* source)
    : m_nPosition(0), m_pEnumPin(pin), m_nVersion(0), m_nEnumRefs(1) {
    m_pEnumPin->AsPin()->AddRef();
    if (source == nullptr) {
        m_nVersion = m_pEnumPin->GetTypeVersion();
    } else {
        m_nPosition = source->m_nPosition;
        m_nVersion = source->m_nVersion;
    }
}

CEnumMediaTypes::~CEnumMediaTypes() {
    m_pEnumPin->AsPin()->Release();
}

STDMETHODIMP CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IEnumMediaTypes || riid == IID_IUnknown)
        return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_nEnumRefs));
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::Release() {
    const LONG now = InterlockedDecrement(&m_nEnumRefs);
    if (now == 0)
        delete this;
    return static_cast<ULONG>(now);
}

// Positions stop at the largest index instead of wrapping round to the start of the list.
void CEnumMediaTypes::Advance(ULONG n) {
    const long long next = static_cast<long long>(m_nPosition) + n;
    m_nPosition = next > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LONG>(next);
}

bool CEnumMediaTypes::IsOutOfStep() {
    return m_pEnumPin->GetTypeVersion() != m_nVersion;
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG n, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (types == nullptr)
        return E_POINTER;
    if (IsOutOfStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    if (fetched != nullptr)
        *fetched = 0;
    else if (n > 1)
        return E_INVALIDARG;

    ULONG got = 0;
    while (n > 0) {
        CMediaType type;
        const HRESULT hr = m_pEnumPin->GetMediaType(m_nPosition, &type);
        Advance(1);
        if (hr != S_OK)
            break;
        auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (record == nullptr)
            break;
        // The format block and extra unknown move to the record.
        std::memcpy(static_cast<void*>(record), static_cast<const AM_MEDIA_TYPE*>(&type),
                    sizeof(AM_MEDIA_TYPE));
        type.cbFormat = 0;
        type.pbFormat = nullptr;
        type.pUnk = nullptr;
        types[got++] = record;
        --n;
    }
    if (fetched != nullptr)
        *fetched = got;
    return n == 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG n) {
    if (n == 0)
        return S_OK;
    if (IsOutOfStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    Advance(n);
    CMediaType probe;
    return m_pEnumPin->GetMediaType(m_nPosition - 1, &probe) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
    m_nPosition = 0;
    m_nVersion = m_pEnumPin->GetTypeVersion();
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (IsOutOfStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    *out = new (std::nothrow) CEnumMediaTypes(m_pEnumPin, this);
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}
