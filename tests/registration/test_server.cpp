// A minimal in-process server: one class, counted objects and factories, DllCanUnloadNow.
#include <new>

#include "tests/registration/test_server.h"

namespace {

LONG volatile g_live = 0; // objects and factories

class TestObject final : public IPersist {
public:
    TestObject() { InterlockedIncrement(&g_live); }
    ~TestObject() { InterlockedDecrement(&g_live); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPersist)) {
            *ppv = static_cast<IPersist*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return n;
    }
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        *clsid = CLSID_TestServerObject;
        return S_OK;
    }

private:
    LONG volatile m_refs = 1;
};

class TestFactory final : public IClassFactory {
public:
    TestFactory() { InterlockedIncrement(&g_live); }
    ~TestFactory() { InterlockedDecrement(&g_live); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return n;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) TestObject();
        if (object == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    LONG volatile m_refs = 1;
};

} // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(clsid, CLSID_TestServerObject))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) TestFactory();
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return InterlockedCompareExchange(&g_live, 0, 0) == 0 ? S_OK : S_FALSE;
}
