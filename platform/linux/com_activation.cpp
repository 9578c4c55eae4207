// Class factories for the runtime's built-in classes, and CoCreateInstance on top of them.
#include "platform/linux/com_activation.h"

#include "platform/linux/dshow_ids.h"
#include "platform/linux/runtime_classes.h"
#include "platform/linux/win_error.h"

namespace {

// One static factory per built-in class; it lives as long as the process.
class BuiltinClassFactory final : public IClassFactory {
public:
    BuiltinClassFactory(const CLSID& clsid, dqplatform::CreateInstanceFn create, bool aggregatable)
        : m_clsid(clsid), m_create(create), m_aggregatable(aggregatable) {}

    const CLSID& Clsid() const { return m_clsid; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr) {
            if (!m_aggregatable)
                return CLASS_E_NOAGGREGATION;
            // An aggregator must ask for the inner object's own unknown.
            if (!IsEqualGUID(riid, IID_IUnknown))
                return E_NOINTERFACE;
        }
        HRESULT hr = m_create(outer, riid, ppv);
        if (FAILED(hr))
            *ppv = nullptr;
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    const CLSID& m_clsid;
    dqplatform::CreateInstanceFn m_create;
    bool m_aggregatable;
};

BuiltinClassFactory g_builtinClasses[] = {
    {CLSID_MemoryAllocator, dqplatform::CreateMemoryAllocator, false},
    {CLSID_SystemClock, dqplatform::CreateSystemClock, false},
    {CLSID_SeekingPassThru, dqplatform::CreateSeekingPassThru, true},
    {CLSID_FilterGraph, dqplatform::CreateFilterGraph, false},
    {CLSID_FilterMapper2, dqplatform::CreateFilterMapper, false},
    {CLSID_FilterMapper, dqplatform::CreateFilterMapper, false},
};

} // namespace

namespace dqplatform {

HRESULT GetClassFactory(REFCLSID clsid, IClassFactory** factory) {
    *factory = nullptr;
    for (BuiltinClassFactory& entry : g_builtinClasses) {
        if (IsEqualGUID(entry.Clsid(), clsid)) {
            entry.AddRef();
            *factory = &entry;
            return S_OK;
        }
    }
    return GetInprocServerFactory(clsid, factory);
}

} // namespace dqplatform

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO*, REFIID riid,
                         LPVOID* ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = nullptr;
    HRESULT hr = dqplatform::GetClassFactory(rclsid, &factory);
    if (FAILED(hr))
        return hr;
    hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = nullptr;
    HRESULT hr = dqplatform::GetClassFactory(rclsid, &factory);
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    if (FAILED(hr))
        *ppv = nullptr;
    return hr;
}
