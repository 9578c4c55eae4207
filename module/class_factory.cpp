#include "module/class_factory.h"

#include "platform/exception_boundary.h"

LONG volatile g_nServerLocks = 0;

CClassFactory::CClassFactory(const CFactoryTemplate* templ)
    : CBaseObject(WSTR("Class Factory")), m_pTemplate(templ), m_nFactoryRefs(0) {}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_nFactoryRefs));
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    const LONG left = InterlockedDecrement(&m_nFactoryRefs);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP CClassFactory::CreateInstance(LPUNKNOWN outer, REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    // An aggregator must ask for the inner object's own unknown.
    if (outer != nullptr && riid != IID_IUnknown)
        return E_NOINTERFACE;

    HRESULT hr = S_OK;
    CUnknown* object = nullptr;
    // A creation function that throws (a class of another module's making) fails the call.
    const HRESULT created = ExceptionBoundary([&] {
        object = m_pTemplate->m_pfnCreate(outer, &hr);
        return S_OK;
    });
    if (FAILED(created))
        return created;
    if (object == nullptr)
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete object; // no reference was ever taken
        return hr;
    }
    // Hold it while asking, so that a failed query destroys it through its own release.
    object->NonDelegatingAddRef();
    hr = object->NonDelegatingQueryInterface(riid, ppv);
    object->NonDelegatingRelease();
    return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
    if (lock)
        InterlockedIncrement(&g_nServerLocks);
    else
        InterlockedDecrement(&g_nServerLocks);
    return S_OK;
}
