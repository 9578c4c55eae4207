// Class factories for the runtime's built-in classes, and CoCreateInstance on top of them.
#include "platform/linux/com/com_activation.h"

#include <deque>
#include <mutex>

#include "platform/linux/com/class_objects.h"
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

// The registered classes' factories. Never destroyed: a factory handed out may be used until
// the process ends.
struct BuiltinClassTable {
    std::mutex mutex;
    std::deque<BuiltinClassFactory> factories; // stable addresses as it grows
};

BuiltinClassTable& BuiltinClasses() {
    static auto* table = new BuiltinClassTable;
    return *table;
}

} // namespace

namespace dqplatform {

void RegisterBuiltinClasses(std::span<const BuiltinClass> classes) {
    BuiltinClassTable& table = BuiltinClasses();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const BuiltinClass& c : classes)
        table.factories.emplace_back(c.clsid, c.create, c.aggregatable);
}

HRESULT GetClassFactory(REFCLSID clsid, IClassFactory** factory) {
    *factory = nullptr;
    {
        BuiltinClassTable& table = BuiltinClasses();
        std::lock_guard<std::mutex> lock(table.mutex);
        for (BuiltinClassFactory& entry : table.factories) {
            if (IsEqualGUID(entry.Clsid(), clsid)) {
                entry.AddRef();
                *factory = &entry;
                return S_OK;
            }
        }
    }
    return GetInprocServerFactory(clsid, factory);
}

} // namespace dqplatform

namespace {

// What CoGetClassObject and CoCreateInstance share: the out pointer cleared, the context
// checked (only in-process servers exist here) and the factory found, then use(factory).
template <typename Use> HRESULT WithFactory(REFCLSID clsid, DWORD context, LPVOID* ppv, Use&& use) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if ((context & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = nullptr;
    HRESULT hr = dqplatform::GetClassFactory(clsid, &factory);
    if (FAILED(hr))
        return hr;
    hr = use(factory);
    factory->Release();
    if (FAILED(hr))
        *ppv = nullptr;
    return hr;
}

} // namespace

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO*, REFIID riid,
                         LPVOID* ppv) {
    return WithFactory(rclsid, dwClsContext, ppv,
                       [&](IClassFactory* factory) { return factory->QueryInterface(riid, ppv); });
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    return WithFactory(rclsid, dwClsContext, ppv, [&](IClassFactory* factory) {
        return factory->CreateInstance(pUnkOuter, riid, ppv);
    });
}
