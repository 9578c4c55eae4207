#include "baseclasses/enum_pins.h"

#include <new>

#include "baseclasses/base_filter.h"
#include "baseclasses/base_pin.h"

CEnumPins::CEnumPins(CBaseFilter* filter, CEnumPins* source)
    : m_nPosition(0), m_nPinCount(0), m_pEnumFilter(filter), m_nVersion(0), m_nEnumRefs(1) {
    static_cast<IBaseFilter*>(m_pEnumFilter)->AddRef();
    if (source == nullptr) {
        m_nVersion = m_pEnumFilter->GetPinVersion();
        m_nPinCount = m_pEnumFilter->GetPinCount();
    } else {
        m_nPosition = source->m_nPosition;
        m_nPinCount = source->m_nPinCount;
        m_nVersion = source->m_nVersion;
        m_seenPins.AppendAll(source->m_seenPins);
    }
}

CEnumPins::~CEnumPins() {
    m_seenPins.Clear();
    static_cast<IBaseFilter*>(m_pEnumFilter)->Release();
}

STDMETHODIMP CEnumPins::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IEnumPins || riid == IID_IUnknown)
        return GetInterface(static_cast<IEnumPins*>(this), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumPins::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_nEnumRefs));
}

STDMETHODIMP_(ULONG) CEnumPins::Release() {
    const LONG now = InterlockedDecrement(&m_nEnumRefs);
    if (now == 0)
        delete this;
    return static_cast<ULONG>(now);
}

bool CEnumPins::IsOutOfStep() {
    return m_pEnumFilter->GetPinVersion() != m_nVersion;
}

void CEnumPins::Resync() {
    m_nVersion = m_pEnumFilter->GetPinVersion();
    m_nPinCount = m_pEnumFilter->GetPinCount();
    m_nPosition = 0;
}

STDMETHODIMP CEnumPins::Next(ULONG n, IPin** pins, ULONG* fetched) {
    if (pins == nullptr)
        return E_POINTER;
    if (fetched != nullptr)
        *fetched = 0;
    else if (n > 1)
        return E_INVALIDARG;
    if (IsOutOfStep())
        Resync();

    const LONG remaining = m_nPinCount - m_nPosition;
    LONG wanted = remaining < 0 ? 0 : remaining;
    if (static_cast<ULONG>(wanted) > n)
        wanted = static_cast<LONG>(n);
    if (wanted == 0)
        return S_FALSE;

    ULONG got = 0;
    while (m_nPosition != m_nPinCount) {
        CBasePin* pin = m_pEnumFilter->GetPin(m_nPosition);
        ++m_nPosition;
        if (pin == nullptr)
            return VFW_E_ENUM_OUT_OF_SYNC;
        if (m_seenPins.Contains(pin) == nullptr) {
            // Remembered before it is handed out; one that cannot be remembered stays for a
            // later call.
            if (m_seenPins.Append(pin) == nullptr) {
                --m_nPosition;
                break;
            }
            pins[got] = pin->AsPin();
            pins[got]->AddRef();
            ++got;
            if (--wanted == 0)
                break;
        }
    }
    if (fetched != nullptr)
        *fetched = got;
    return got == n ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG n) {
    if (IsOutOfStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    if (n > static_cast<ULONG>(m_nPinCount - m_nPosition))
        return S_FALSE;
    m_nPosition += static_cast<LONG>(n);
    return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
    m_nVersion = m_pEnumFilter->GetPinVersion();
    m_nPinCount = m_pEnumFilter->GetPinCount();
    m_nPosition = 0;
    m_seenPins.Clear();
    return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (IsOutOfStep())
        return VFW_E_ENUM_OUT_OF_SYNC;
    *out = new (std::nothrow) CEnumPins(m_pEnumFilter, this);
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}
