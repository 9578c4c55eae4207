#include "module/dll_register_server.h"

#include "baseclasses/register_filter_setup.h"
#include "module/class_factory.h"
#include "module/com_server_registration.h"
#include "module/register_filter_setup2.h"
#include "platform/exception_boundary.h"

STDAPI DllRegisterServer() {
    return ExceptionBoundary([] { return AMovieDllRegisterServer2(TRUE); });
}

STDAPI DllUnregisterServer() {
    return ExceptionBoundary([] { return AMovieDllRegisterServer2(FALSE); });
}

HRESULT AMovieDllRegisterServer2(BOOL doRegister) {
    char modulePathA[MAX_PATH];
    if (GetModuleFileNameA(g_hModuleInstance, modulePathA, MAX_PATH) == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    WCHAR modulePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, modulePathA, -1, modulePath, MAX_PATH);

    HRESULT hr = S_OK;
    if (doRegister) {
        hr = RegisterServerClasses(modulePath, TRUE);
        if (FAILED(hr))
            return hr;
    }

    CoInitialize(nullptr);
    IFilterMapper2* mapper2 = nullptr;
    IFilterMapper* mapper = nullptr;
    hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                          reinterpret_cast<void**>(&mapper2));
    if (FAILED(hr))
        hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                              reinterpret_cast<void**>(&mapper));
    if (SUCCEEDED(hr)) {
        for (int i = 0; i < g_cTemplates; ++i) {
            const AMOVIESETUP_FILTER* setup = g_Templates[i].m_pSetupFilter;
            if (setup == nullptr)
                continue;
            hr = mapper2 != nullptr ? RegisterFilterSetup2(setup, mapper2, doRegister)
                                    : RegisterFilterSetup(setup, mapper, doRegister);
            if (FAILED(hr))
                break;
        }
        if (mapper2 != nullptr)
            mapper2->Release();
        if (mapper != nullptr)
            mapper->Release();
    }
    CoFreeUnusedLibraries();
    CoUninitialize();

    if (!doRegister && SUCCEEDED(hr))
        hr = RegisterServerClasses(modulePath, FALSE);
    return hr;
}
