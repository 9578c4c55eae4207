#include "module/dll_entry.h"

#include <new>

#include "module/class_factory.h"

HINSTANCE g_hModuleInstance = nullptr;

namespace {
void RunInitRoutines(BOOL loading) {
    for (int i = 0; i < g_cTemplates; ++i) {
        const CFactoryTemplate& t = g_Templates[i];
        if (t.m_pfnInit != nullptr)
            t.m_pfnInit(loading, t.m_pClsid);
    }
}
} // namespace

STDAPI_(BOOL) DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved) {
    return DllEntryPoint(hInstance, dwReason, lpReserved);
}

BOOL WINAPI DllEntryPoint(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    switch (dwReason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(hInstance);
        g_hModuleInstance = hInstance;
        RunInitRoutines(TRUE);
        break;
    case DLL_PROCESS_DETACH:
        RunInitRoutines(FALSE);
        break;
    default:
        break;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IClassFactory)
        return E_NOINTERFACE;
    for (int i = 0; i < g_cTemplates; ++i) {
        if (*g_Templates[i].m_pClsid != rclsid)
            continue;
        auto* factory = new (std::nothrow) CClassFactory(&g_Templates[i]);
        *ppv = static_cast<IClassFactory*>(factory);
        if (factory == nullptr)
            return E_OUTOFMEMORY;
        factory->AddRef();
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    if (__atomic_load_n(&g_nServerLocks, __ATOMIC_SEQ_CST) > 0)
        return S_FALSE;
    return CBaseObject::ActiveObjectCount() != 0 ? S_FALSE : S_OK;
}
