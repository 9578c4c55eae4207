#include "baseclasses/unknown.h"

CUnknown::CUnknown(LPCWSTR debugName, IUnknown* outer)
    : CBaseObject(debugName), m_pOuterUnknown(outer != nullptr ? outer : NonDelegatingUnknown()),
      m_nRefCount(0) {}

STDMETHODIMP CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown) {
        GetInterface(NonDelegatingUnknown(), ppv);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The returned counts are informational. They come from the interlocked step itself: reading
// the count again after a release that left it above zero would touch an object that another
// thread may already have destroyed.
STDMETHODIMP_(ULONG) CUnknown::NonDelegatingAddRef() {
    const LONG now = InterlockedIncrement(&m_nRefCount);
    return now < 1 ? 1u : static_cast<ULONG>(now);
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingRelease() {
    const LONG now = InterlockedDecrement(&m_nRefCount);
    if (now == 0) {
        // Back to 1 first: a reference taken and dropped by a destructor must not reach 0 again.
        __atomic_store_n(&m_nRefCount, 1, __ATOMIC_RELAXED);
        delete this;
        return 0;
    }
    return now < 1 ? 1u : static_cast<ULONG>(now);
}

HRESULT GetInterface(IUnknown* pUnk, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}
